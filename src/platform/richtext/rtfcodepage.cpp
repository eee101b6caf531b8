#include "rtfcodepage.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace {

// 0x80..0x9F of Windows-1252; the five undefined bytes map to themselves, as Windows does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void *const kNoConverter = reinterpret_cast<void *>(-1);

QByteArray iconvName(int codePage)
{
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 936:
        return "GBK";
    case 950:
        return "BIG5";
    case 20127:
        return "ASCII";
    case 28591:
        return "ISO-8859-1";
    default:
        return "CP" + QByteArray::number(codePage);
    }
}

} // namespace

RtfCodePage::~RtfCodePage()
{
    for (auto &entry : m_converters) {
        if (entry.second != kNoConverter)
            iconv_close(static_cast<iconv_t>(entry.second));
    }
}

char16_t RtfCodePage::fromCp1252(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return kCp1252High[byte - 0x80];
    return byte;
}

int RtfCodePage::toCp1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < int(kCp1252High.size()); ++i) {
        if (kCp1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

int RtfCodePage::codePageOfCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return 28591; // symbol fonts: the byte is the glyph
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

void *RtfCodePage::converter(int codePage)
{
    auto found = m_converters.find(codePage);
    if (found != m_converters.end())
        return found->second;
    iconv_t cd = iconv_open("UTF-16LE", iconvName(codePage).constData());
    void *handle = cd == reinterpret_cast<iconv_t>(-1) ? kNoConverter : static_cast<void *>(cd);
    m_converters.emplace(codePage, handle);
    return handle;
}

void RtfCodePage::decode(int codePage, QByteArrayView bytes, QString &out)
{
    if (bytes.isEmpty())
        return;
    if (codePage == 65001) {
        out += QString::fromUtf8(bytes);
        return;
    }
    if (codePage == 28591) {
        out += QString::fromLatin1(bytes);
        return;
    }
    void *handle = codePage == 1252 || codePage <= 0 ? kNoConverter : converter(codePage);
    if (handle == kNoConverter) {
        const qsizetype start = out.size();
        out.resize(start + bytes.size());
        char16_t *dst = reinterpret_cast<char16_t *>(out.data()) + start;
        for (const char b : bytes)
            *dst++ = fromCp1252(static_cast<unsigned char>(b));
        return;
    }
    auto cd = static_cast<iconv_t>(handle);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    QByteArray buffer(bytes.size() * 4 + 8, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *dst = buffer.data();
        size_t outLeft = size_t(buffer.size());
        const size_t result = iconv(cd, &in, &inLeft, &dst, &outLeft);
        out += QStringView(reinterpret_cast<const char16_t *>(buffer.constData()),
                           (buffer.size() - qsizetype(outLeft)) / 2);
        if (result != size_t(-1))
            break;
        if (errno == E2BIG)
            continue;
        // A byte the code page does not know (or a lead byte cut off at the end).
        out += QChar(QChar::ReplacementCharacter);
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Vietnamese and Hebrew hold back their last character in case an accent follows: the
    // run ends here, so it is let out
    char *dst = buffer.data();
    size_t outLeft = size_t(buffer.size());
    iconv(cd, nullptr, nullptr, &dst, &outLeft);
    out += QStringView(reinterpret_cast<const char16_t *>(buffer.constData()),
                       (buffer.size() - qsizetype(outLeft)) / 2);
}

bool RtfCodePage::isLeadByte(int codePage, unsigned char byte)
{
    switch (codePage) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xFE;
    case 1361:
        return (byte >= 0x84 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xDE) ||
               (byte >= 0xE0 && byte <= 0xF9);
    default:
        return false;
    }
}

bool RtfCodePage::isAsciiTrail(int codePage, unsigned char byte)
{
    if (byte >= 0x7F)
        return false;
    return byte >= (codePage == 1361 ? 0x31 : 0x40);
}
