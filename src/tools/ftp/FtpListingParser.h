#pragma once

#include "tools/ftp/CFtpFiles.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>

// Parses a LIST answer in the UNIX or the DOS form; "." and ".." and lines that fit neither
// form are left out. `today` dates the UNIX entries that give a time instead of a year.
CFtpFiles parseListing(const QByteArray &listing, const QDate &today);
// One line; false when it yields no entry.
bool parseListingLine(const QByteArray &line, const QDate &today, CFtpFile &entry);
// Day, month name and year-or-time of a UNIX line; null when the month is unknown.
QDateTime parseUnixDate(const QString &day, const QString &month, const QString &yearOrTime,
                        const QDate &today);
// Server bytes for display: UTF-8 when valid, else Latin-1.
QString ftpDisplayText(const QByteArray &bytes);
