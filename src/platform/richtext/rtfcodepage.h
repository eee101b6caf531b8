#pragma once

#include <QByteArrayView>
#include <QString>

#include <unordered_map>

// Decodes the 8-bit text of RTF files. Windows-1252 has its own table (the commonest case, and
// Qt has no converter for it); other code pages go through iconv.
class RtfCodePage
{
public:
    RtfCodePage() = default;
    ~RtfCodePage();
    RtfCodePage(const RtfCodePage &) = delete;
    RtfCodePage &operator=(const RtfCodePage &) = delete;

    // Appends the text of bytes in codePage to out.
    void decode(int codePage, QByteArrayView bytes, QString &out);

    // The code page a font's \fcharset stands for; 0 when the charset means "the document's".
    static int codePageOfCharset(int charset);
    // The Windows-1252 byte of c, or -1 when c has none.
    static int toCp1252(char16_t c);
    static char16_t fromCp1252(unsigned char byte);
    // True when byte starts a two-byte character of codePage (the byte after it is its trail,
    // whatever it looks like).
    static bool isLeadByte(int codePage, unsigned char byte);
    // True when the ASCII byte can follow a lead byte of codePage (so ';' or a digit after a
    // broken lead byte still ends a font name or counts as itself).
    static bool isAsciiTrail(int codePage, unsigned char byte);

private:
    void *converter(int codePage);
    std::unordered_map<int, void *> m_converters;
};
