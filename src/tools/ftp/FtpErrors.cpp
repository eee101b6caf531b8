#include "tools/ftp/FtpErrors.h"

#include <array>
#include <utility>

namespace {

// Rows 0-36 of the code table: the socket or run-time number behind each code.
constexpr std::array<int, 37> socketNumbers = {
    10048, 10049, 10037, 10056, 40006, 10053, 10061, 10054, 394,   11001, 11002, 10036, 40014,
    10014, 40020, 380,   10040, 10052, 10050, 10051, 10055, 11004, 11003, 10057, 10093, 10038,
    10004, 7,     40021, 10043, 383,   10058, 40017, 10060, 40018, 10035, 40026};

constexpr std::array<std::pair<int, int>, 20> replyCodes = {
    {{120, 37}, {331, 38}, {332, 39}, {350, 40}, {421, 41}, {425, 42}, {426, 43},
     {450, 44}, {451, 45}, {452, 46}, {500, 47}, {501, 48}, {502, 49}, {503, 50},
     {504, 51}, {530, 52}, {532, 53}, {550, 54}, {551, 55}, {552, 56}}};

} // namespace

int ftpCodeForSocketError(int number)
{
    for (std::size_t i = 0; i < socketNumbers.size(); ++i) {
        if (socketNumbers[i] == number)
            return int(i);
    }
    return -1;
}

int ftpCodeForReply(int reply)
{
    if (reply == 553)
        return 57;
    for (const auto &[replyCode, code] : replyCodes) {
        if (replyCode == reply)
            return code;
    }
    return -1;
}

QString ftpErrorText(int code)
{
    switch (code) {
    case 41:
        return QStringLiteral("Service not available, closing control connection.");
    case 42:
        return QStringLiteral("Can't open data connection.");
    case 43:
        return QStringLiteral("Connection closed; transfer aborted.");
    case 44:
        return QStringLiteral("Requested file action not taken.");
    case 45:
        return QStringLiteral("Requested action aborted: local error in processing.");
    case 46:
        return QStringLiteral("Requested action not taken. Insufficient storage space in system.");
    case 47:
        return QStringLiteral("Syntax error, command unrecognized.");
    case 48:
        return QStringLiteral("Syntax error in parameters or arguments.");
    case 49:
        return QStringLiteral("Command not implemented.");
    case 50:
        return QStringLiteral("Bad sequence of commands.");
    case 51:
        return QStringLiteral("Command not implemented for that parameter.");
    case 52:
        return QStringLiteral("Not logged in.");
    case 53:
        return QStringLiteral("Need account for storing files.");
    case 54:
        return QStringLiteral("Requested action not taken. File unavailable (e.g., file not "
                              "found, no access).");
    case 55:
        return QStringLiteral("Requested action aborted: page type unknown.");
    case 56:
        return QStringLiteral("Requested file action aborted. Exceeded storage allocation (for "
                              "current directory or dataset).");
    case 57:
        return QStringLiteral("Requested action not taken. File name not allowed.");
    case 59:
        return QStringLiteral("Can't close control connection. Transfer in progress.");
    case 61:
        return QStringLiteral("Another operation is in progress.");
    case 63:
        return QStringLiteral("Transfer cancelled.");
    default:
        return QString();
    }
}
