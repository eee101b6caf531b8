#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// One entry of a remote directory listing.
struct CFtpFile
{
    bool isDirectory = false;
    qint64 fileSize = 0;       // -1 when the listing gives a size too large to hold
    QDateTime lastWriteTime;   // null until the listing gives a date
    bool hasTimeOfDay = false; // lastWriteTime holds a listed time, not just midnight
    QString filename;          // for display: UTF-8 when valid, else Latin-1
    QByteArray rawName;        // the name's bytes as the server sent them
    QString filePath;          // target of a symbolic link
    QString permissions;
    QString owner;
    QString group;
};
