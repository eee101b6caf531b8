#include "dbtools/xlsxwriterbook.h"

#include "platform/archive/archive.h"
#include "platform/base/checkedwrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// A cell keeps line breaks as LF and cannot hold characters XML refuses.
QString cellText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c.unicode() < 0x20 && c != u'\n' && c != u'\t') {
            continue;
        } else if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF || c.unicode() == 0xFFFC) {
            continue;
        } else if (c.isSurrogate()) {
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                out += c;
                out += text.at(++i);
            }
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

void XlsxWriterBook::setCell(int row, int column, const QString &text, bool bold)
{
    m_cells.append(Cell{row, column, text, bold});
}

void XlsxWriterBook::setColumnWidth(int column, double width)
{
    m_widths.append({column, width});
}

QList<QByteArray> XlsxWriterBook::cellPieces(const QString &text)
{
    const QByteArray utf8 = cellText(text).toUtf8();
    QList<QByteArray> pieces;
    qsizetype start = 0;
    while (utf8.size() - start > MaxCellBytes) {
        qsizetype end = start + MaxCellBytes;
        // Back off to the first byte of a character.
        while (end > start && (uchar(utf8.at(end)) & 0xC0) == 0x80)
            --end;
        pieces.append(utf8.mid(start, end - start));
        start = end;
    }
    pieces.append(utf8.mid(start));
    return pieces;
}

bool XlsxWriterBook::save(const QString &fileName)
{
    m_error.clear();
    // The library writes a file by name: write a fresh one beside the target and rename it over.
    const QFileInfo target(fileName);
    QTemporaryFile reserve(target.absoluteDir().filePath(QStringLiteral(".convert-XXXXXX.xlsx")));
    if (!reserve.open()) {
        m_error = reserve.errorString();
        return false;
    }
    const QString temporary = reserve.fileName();
    reserve.close();
    const QByteArray temporaryName = QFile::encodeName(temporary);

    QList<Archive::Cell> cells;
    for (const Cell &cell : std::as_const(m_cells)) {
        const QList<QByteArray> pieces = cellPieces(cell.text);
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            // An empty text leaves the cell blank, as an emptied cell is.
            if (!pieces.at(i).isEmpty())
                cells.append({cell.row, cell.column + int(i), pieces.at(i), cell.bold});
        }
    }
    if (!Archive::writeWorkbook(temporaryName, m_widths, cells, &m_error)) {
        QFile::remove(temporary);
        return false;
    }
    if (!replaceWithFinished(temporary, fileName)) {
        m_error = QStringLiteral("The workbook could not be saved as %1.").arg(fileName);
        QFile::remove(temporary);
        return false;
    }
    // A temporary file is private to its owner; the workbook gets the usual permissions.
    QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                        QFile::ReadOther);
    return true;
}
