#pragma once

#include <QByteArray>

// One server reply, framed by its code: a single line "xyz text", or lines from "xyz-"
// up to the line starting "xyz ".
struct FtpReply
{
    int code = 0;    // 0 when the reply does not start with three digits
    QByteArray text; // every line of the reply, line ends included

    QByteArray firstLine() const;
    bool isPreliminary() const { return code >= 100 && code < 200; }
};

// Takes the first complete reply off the front of `buffer`; false while none is complete.
bool takeFtpReply(QByteArray &buffer, FtpReply &reply);
