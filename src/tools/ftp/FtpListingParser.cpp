#include "tools/ftp/FtpListingParser.h"

#include <QList>
#include <QStringDecoder>

#include <algorithm>

namespace {

struct Column
{
    qsizetype start;
    qsizetype end;
};

QList<Column> splitColumns(const QByteArray &line, int maxColumns)
{
    QList<Column> columns;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n && columns.size() < maxColumns) {
        while (i < n && (line.at(i) == ' ' || line.at(i) == '\t'))
            ++i;
        if (i >= n)
            break;
        const qsizetype start = i;
        while (i < n && line.at(i) != ' ' && line.at(i) != '\t')
            ++i;
        columns.append({start, i});
    }
    return columns;
}

QByteArray columnText(const QByteArray &line, const Column &column)
{
    return line.mid(column.start, column.end - column.start);
}

bool isDotName(const QByteArray &name)
{
    return name == "." || name == "..";
}

QDateTime parseDosDate(const QString &date, const QString &time)
{
    const QString text = date + QLatin1Char(' ') + time.toUpper();
    static const char *const formats[] = {"MM-dd-yy hh:mmAP", "MM-dd-yyyy hh:mmAP",
                                          "MM-dd-yy HH:mm", "MM-dd-yyyy HH:mm", "yyyy-MM-dd HH:mm"};
    for (const char *format : formats) {
        QDateTime value = QDateTime::fromString(text, QLatin1String(format));
        if (value.isValid()) {
            // Two-digit years: 70-99 are the 1900s, the rest this century.
            if (value.date().year() < 1970)
                value = value.addYears(100);
            return value;
        }
    }
    return QDateTime();
}

// A size too large for 64 bits is unknown (-1), not 0.
bool parseSize(const QByteArray &text, qint64 &size)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (ok && value >= 0) {
        size = value;
        return true;
    }
    if (!text.isEmpty() &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        size = -1;
    return false;
}

bool parseDosLine(const QByteArray &line, const QDate &today, CFtpFile &entry)
{
    Q_UNUSED(today);
    const QList<Column> columns = splitColumns(line, 3);
    if (columns.size() < 3)
        return false;
    // A file's name starts one blank after its size, so blanks leading the name stay; after
    // "<DIR>" the blanks are padding.
    const QByteArray size = columnText(line, columns[2]);
    const bool folder = size.toUpper() == "<DIR>";
    qsizetype nameStart = columns[2].end + 1;
    if (folder)
        while (nameStart < line.size() && line.at(nameStart) == ' ')
            ++nameStart;
    const QByteArray name = line.mid(nameStart);
    if (name.trimmed().isEmpty() || isDotName(name))
        return false;
    if (folder)
        entry.isDirectory = true;
    else
        parseSize(size, entry.fileSize);
    entry.lastWriteTime = parseDosDate(QString::fromLatin1(columnText(line, columns[0])),
                                       QString::fromLatin1(columnText(line, columns[1])));
    entry.hasTimeOfDay = entry.lastWriteTime.isValid();
    entry.rawName = name;
    entry.filename = ftpDisplayText(name);
    return true;
}

bool parseUnixLine(const QByteArray &line, const QDate &today, CFtpFile &entry)
{
    const QList<Column> columns = splitColumns(line, 8);
    if (columns.size() < 8)
        return false;
    // Exactly one blank separates the date from the name; further blanks belong to the name.
    const qsizetype nameStart = columns[7].end + 1;
    if (nameStart >= line.size())
        return false;
    QByteArray name = line.mid(nameStart);
    const QByteArray permissions = columnText(line, columns[0]);
    const bool isLink = permissions.startsWith('l');
    if (isLink) {
        const qsizetype arrow = name.indexOf(" -> ");
        if (arrow >= 0) {
            const QByteArray target = name.mid(arrow + 4);
            name = name.left(arrow);
            entry.filePath = ftpDisplayText(target);
            const qsizetype slash = target.lastIndexOf('/');
            entry.isDirectory = target.indexOf('.', slash < 0 ? 0 : slash) < 0;
        }
    }
    if (name.isEmpty() || isDotName(name))
        return false;
    if (permissions.startsWith('d'))
        entry.isDirectory = true;
    entry.permissions = QString::fromLatin1(permissions);
    entry.owner = ftpDisplayText(columnText(line, columns[2]));
    entry.group = ftpDisplayText(columnText(line, columns[3]));
    parseSize(columnText(line, columns[4]), entry.fileSize);
    entry.lastWriteTime = parseUnixDate(QString::fromLatin1(columnText(line, columns[6])),
                                        QString::fromLatin1(columnText(line, columns[5])),
                                        QString::fromLatin1(columnText(line, columns[7])), today);
    entry.rawName = name;
    entry.filename = ftpDisplayText(name);
    return true;
}

} // namespace

QString ftpDisplayText(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

QDateTime parseUnixDate(const QString &day, const QString &month, const QString &yearOrTime,
                        const QDate &today)
{
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int monthNumber = 0;
    for (int i = 0; i < 12; ++i) {
        if (month == QLatin1String(months[i]))
            monthNumber = i + 1;
    }
    bool dayOk = false;
    const int dayNumber = day.toInt(&dayOk);
    if (monthNumber == 0 || !dayOk)
        return QDateTime();
    int year = today.year();
    const bool recent = yearOrTime.contains(QLatin1Char(':'));
    if (!recent) {
        bool ok = false;
        year = yearOrTime.toInt(&ok);
        if (!ok)
            return QDateTime();
    }
    QDate date(year, monthNumber, dayNumber);
    // A time instead of a year means the last twelve months, never the future.
    if (recent && date.isValid() && date > today.addDays(1))
        date = QDate(year - 1, monthNumber, dayNumber);
    if (!date.isValid())
        return QDateTime();
    return QDateTime(date, QTime(0, 0));
}

bool parseListingLine(const QByteArray &rawLine, const QDate &today, CFtpFile &entry)
{
    QByteArray line = rawLine;
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.trimmed().isEmpty() || line.left(5).toLower() == "total")
        return false;
    const QList<Column> columns = splitColumns(line, 9);
    if (columns.size() < 4)
        return false;
    entry = CFtpFile();
    // DOS lines start with their date; anything else needs the nine UNIX columns.
    const char first = line.at(columns[0].start);
    if (first >= '0' && first <= '9')
        return parseDosLine(line, today, entry);
    if (columns.size() >= 9)
        return parseUnixLine(line, today, entry);
    return false;
}

CFtpFiles parseListing(const QByteArray &listing, const QDate &today)
{
    CFtpFiles files;
    qsizetype start = 0;
    while (start < listing.size()) {
        qsizetype end = listing.indexOf('\n', start);
        if (end < 0)
            end = listing.size();
        CFtpFile entry;
        if (parseListingLine(listing.mid(start, end - start), today, entry))
            files.add(entry, entry.filename);
        start = end + 1;
    }
    return files;
}
