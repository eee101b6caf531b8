#pragma once

#include <QString>

// The FTP engine's error codes: 0-36 socket and run-time errors, 37-57 server replies,
// 58 time-out, 59 close during a transfer, 60-63 the engine's own.
enum FtpErrorCode {
    ftpErrAddressInUse = 0,
    ftpErrWrongState = 4,
    ftpErrConnectionAborted = 5,
    ftpErrConnectionRefused = 6,
    ftpErrHostNotFound = 9,
    ftpErrServiceReadySoon = 37,
    ftpErrServiceNotAvailable = 41,
    ftpErrCantOpenData = 42,
    ftpErrTransferAborted = 43,
    ftpErrSyntaxArguments = 48,
    ftpErrNotLoggedIn = 52,
    ftpErrFileUnavailable = 54,
    ftpErrTimeout = 58,
    ftpErrTransferInProgress = 59,
    ftpErrUnexpectedReply = 60,
    ftpErrOperationInProgress = 61,
    ftpErrLocalFile = 62,
    ftpErrCancelled = 63
};

// The code for a socket error number, or -1 when the table has none.
int ftpCodeForSocketError(int number);
// The code for an error reply (4xx/5xx and the few others the table lists), or -1.
int ftpCodeForReply(int reply);
// The fixed text of a code; empty for codes whose text comes with the error.
QString ftpErrorText(int code);
