#include "tools/ftp/CFtpConnection.h"

#include "platform/net/SocketControl.h"
#include "tools/ftp/FtpErrors.h"
#include "tools/ftp/FtpListingParser.h"

#include <QDate>
#include <QEventLoop>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace {

// Uploads are read in blocks of 4096 bytes; sixteen of them go to the socket in one send,
// and a window of sends stays queued so the link never idles between two blocks.
constexpr qint64 uploadBlockSize = 4096;
constexpr qint64 uploadSendSize = 16 * uploadBlockSize;
constexpr qint64 uploadWindow = 16 * uploadSendSize;
// Received data is read into one buffer of this size, again and again, and the data socket
// holds no more than that unread. A new buffer per arrival, as large as whatever had come (up
// to megabytes), had a fresh process spend more time getting memory from the system and giving
// it back than on the transfer; blocks of one bounded size stay within memory the process
// already holds. Smaller blocks cost more passes of the event loop.
constexpr qint64 dataBlockSize = 256 * 1024;
// How often an upload asks the system how much of it the server has taken.
constexpr int deliveryPollMs = 200;
constexpr quint16 firstActivePort = 1100;
constexpr int activePortAttempts = 100;
// The replies that settle a cancelled transfer are waited for this many silent seconds at
// most, whatever the time-out: a server that never answers must not hold the cancel up.
constexpr int abortSettleTicks = 5;
// Server text shown in a message is cut to this many characters.
constexpr qsizetype maxShownReply = 300;

bool isPositiveCompletion(int code)
{
    return code >= 200 && code < 300;
}

// A server line for a message box: decoded and cut to a readable length.
QString shownReply(const QByteArray &bytes)
{
    QByteArray head = bytes.left(maxShownReply * 4);
    // A character cut in two would make the whole line fail as UTF-8.
    for (int i = 0;
         i < 3 && head.size() < bytes.size() && !head.isEmpty() && (uchar(head.back()) & 0x80) != 0;
         ++i)
        head.chop(1);
    QString text = ftpDisplayText(head);
    if (text.size() > maxShownReply) {
        text.truncate(maxShownReply);
        text += QChar(0x2026);
    }
    return text;
}

// Writes every byte or fails with the system's reason. A write the disk cuts short reports
// no reason of its own; the next attempt at the rest fails with it ("No space left on
// device").
bool writeAll(QFile &file, QByteArrayView bytes)
{
    for (int failures = 0; !bytes.isEmpty();) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written > 0)
            bytes = bytes.sliced(written);
        else if (++failures == 2)
            return false;
    }
    return true;
}

// The same for what still waits in the file's buffer.
bool flushAll(QFile &file)
{
    return file.flush() || file.flush();
}

// "(1234 bytes)" in a 150 reply; -1 when it names no size.
qint64 announcedSize(const QByteArray &line)
{
    static const QRegularExpression pattern(QStringLiteral("\\((\\d{1,18}) bytes\\)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(line));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

QString logText(const QByteArray &bytes)
{
    QString text = ftpDisplayText(bytes);
    if (!text.endsWith(QLatin1String("\r\n")))
        text += QLatin1String("\r\n");
    return text;
}

// "host" or "host:port".
void splitServer(const QString &server, QString &host, quint16 &port)
{
    host = server.trimmed();
    port = 21;
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && host.indexOf(QLatin1Char(':')) == colon) {
        bool ok = false;
        const uint value = host.mid(colon + 1).toUInt(&ok);
        if (ok && value > 0 && value <= 65535) {
            port = quint16(value);
            host.truncate(colon);
        }
    }
}

} // namespace

// Marks the engine busy for one public operation and refuses a second one meanwhile.
class CFtpConnection::BusyScope
{
public:
    explicit BusyScope(CFtpConnection &engine) : m_engine(engine)
    {
        if (engine.m_busy) {
            engine.setError(ftpErrOperationInProgress, ftpErrorText(ftpErrOperationInProgress));
            return;
        }
        engine.m_busy = true;
        engine.m_broken = false;
        m_owner = true;
    }
    ~BusyScope()
    {
        if (m_owner)
            m_engine.m_busy = false;
    }
    explicit operator bool() const { return m_owner; }

private:
    CFtpConnection &m_engine;
    bool m_owner = false;
};

CFtpConnection::CFtpConnection(QObject *parent, int tickMs)
    : QObject(parent), m_control(new SocketControl(this)), m_data(new SocketControl(this)),
      m_timeout(tickMs)
{
    m_timeout.setTimeoutValue(180);
    m_dataBlock.resize(dataBlockSize);
    m_data->setReadBufferSize(dataBlockSize);
    connect(m_control, &SocketControl::dataArrival, this, &CFtpConnection::onControlData);
    connect(m_control, &SocketControl::closed, this, &CFtpConnection::onControlClosed);
    connect(m_data, &SocketControl::dataArrival, this, &CFtpConnection::onDataArrival);
    connect(m_data, &SocketControl::closed, this, [this] { m_dataClosed = true; });
    connect(m_data, &SocketControl::error, this, [this] {
        if (m_job != DataJob::None)
            m_dataFailed = true;
    });
    connect(m_data, &SocketControl::connectionRequest, this, &CFtpConnection::onConnectionRequest);
    connect(m_data, &SocketControl::sendProgress, this, [this](qint64 sent) {
        if (m_job != DataJob::Upload)
            return;
        m_bytesSent += sent;
        m_timeout.reset();
        reportDelivered();
        pumpUpload();
    });
    connect(m_data, &SocketControl::sendComplete, this, &CFtpConnection::pumpUpload);
}

CFtpConnection::~CFtpConnection()
{
    // Signals from the sockets must not reach a half-destroyed engine.
    disconnect(m_control, nullptr, this, nullptr);
    disconnect(m_data, nullptr, this, nullptr);
    m_data->abort();
    m_control->abort();
    resetTransfer();
}

QString CFtpConnection::anonymousPassword()
{
    return QStringLiteral("user@example.com");
}

QString CFtpConnection::getLastServerResponse() const
{
    // Every line of the last reply, each cut so a flood of text stays readable.
    QStringList lines;
    for (const QByteArray &line : m_lastServerResponse.split('\n')) {
        if (lines.size() >= 20)
            break;
        if (!line.isEmpty())
            lines << shownReply(line.endsWith('\r') ? line.chopped(1) : line);
    }
    return lines.isEmpty() ? QString() : lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
}

// ---- waiting and the command exchange ----

bool CFtpConnection::waitFor(const std::function<bool()> &done)
{
    m_timeout.startTimer();
    QEventLoop loop;
    bool result = false;
    for (;;) {
        if (done()) {
            result = true;
            break;
        }
        if (m_broken) {
            setError(ftpErrCancelled, ftpErrorText(ftpErrCancelled));
            break;
        }
        if (m_timeout.timeout()) {
            setErrorCode(ftpErrTimeout);
            break;
        }
        // Sleeps until a socket or the tick timer has something to say.
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    m_timeout.stopTimer();
    return result;
}

bool CFtpConnection::dropRepliesUntil(const std::function<bool(const FtpReply &)> &last)
{
    const int limit = m_timeout.timeoutValue();
    m_timeout.setTimeoutValue(std::min(limit, abortSettleTicks));
    bool seen = false;
    waitFor([&] {
        FtpReply reply;
        while (!seen && takeReply(reply))
            seen = last(reply);
        return seen || !controlConnected();
    });
    m_timeout.setTimeoutValue(limit);
    return seen;
}

bool CFtpConnection::controlConnected() const
{
    return m_control->state() == SocketControl::Connected;
}

bool CFtpConnection::takeReply(FtpReply &reply)
{
    if (!takeFtpReply(m_replyBuffer, reply))
        return false;
    m_lastServerResponse = reply.text;
    m_lastReplyCode = reply.code;
    return true;
}

bool CFtpConnection::readReply(FtpReply &reply)
{
    bool lost = false;
    const bool ok = waitFor([&] {
        if (takeReply(reply))
            return true;
        if (!controlConnected()) {
            lost = true;
            return true;
        }
        return false;
    });
    if (!ok)
        return false;
    if (lost) {
        setConnectionLost();
        return false;
    }
    return true;
}

bool CFtpConnection::sendCommand(const QByteArray &verb, const QByteArray &bytes, bool secret)
{
    // A line end or NUL inside an argument would smuggle in a second command.
    if (bytes.contains('\r') || bytes.contains('\n') || bytes.contains('\0')) {
        setError(ftpErrSyntaxArguments, ftpErrorText(ftpErrSyntaxArguments));
        return false;
    }
    if (!controlConnected()) {
        setNotConnected();
        return false;
    }
    // Replies nobody waited for (a late answer after a time-out) must not answer this command.
    // ABOR is the exception: it goes out in the middle of an exchange.
    FtpReply stale;
    while (verb != "ABOR" && takeReply(stale)) {
    }
    QByteArray line = verb;
    if (!bytes.isEmpty())
        line += ' ' + bytes;
    line += "\r\n";
    if (!m_control->sendData(line)) {
        mapSocketError(m_control->lastErrorNumber(), m_control->lastErrorDescription());
        return false;
    }
    emit replyMessage(secret ? QString::fromLatin1(verb) + QLatin1String(" **********\r\n")
                             : logText(line));
    return true;
}

bool CFtpConnection::command(const QByteArray &verb, const QByteArray &argument,
                             std::initializer_list<int> ok, FtpReply *out, bool secret)
{
    if (!sendCommand(verb, argument, secret))
        return false;
    FtpReply reply;
    do {
        if (!readReply(reply))
            return false;
    } while (reply.isPreliminary());
    if (out)
        *out = reply;
    if (std::find(ok.begin(), ok.end(), reply.code) != ok.end())
        return true;
    mapReply(reply);
    return false;
}

// ---- errors ----

void CFtpConnection::setError(int code, const QString &text)
{
    m_lastError = code;
    m_lastErrorText = text;
}

void CFtpConnection::setErrorCode(int code)
{
    m_lastError = code;
}

void CFtpConnection::mapReply(const FtpReply &reply)
{
    const int code = ftpCodeForReply(reply.code);
    if (code < 0) {
        setError(ftpErrUnexpectedReply, shownReply(reply.firstLine()));
        return;
    }
    const QString text = ftpErrorText(code);
    setError(code, text.isEmpty() ? shownReply(reply.firstLine()) : text);
}

bool CFtpConnection::connectionEstablished(SocketControl *socket, bool waited)
{
    if (waited && socket->state() == SocketControl::Connected)
        return true;
    if (waited)
        mapSocketError(socket->lastErrorNumber(), socket->lastErrorDescription());
    socket->abort();
    return false;
}

void CFtpConnection::mapSocketError(int number, const QString &description)
{
    const int code = ftpCodeForSocketError(number);
    setError(code < 0 ? int(ftpErrConnectionAborted) : code, description);
}

void CFtpConnection::setConnectionLost()
{
    if (m_control->state() == SocketControl::Error)
        mapSocketError(m_control->lastErrorNumber(), m_control->lastErrorDescription());
    else
        setError(ftpErrWrongState, tr("The server closed the connection."));
}

void CFtpConnection::setNotConnected()
{
    // Code 4 whatever ended the connection: the window connects again on it.
    QString text = tr("The control connection to the server is closed.");
    if (m_control->state() == SocketControl::Error && !m_control->lastErrorDescription().isEmpty())
        text += QLatin1Char(' ') + m_control->lastErrorDescription();
    setError(ftpErrWrongState, text);
}

// ---- socket events ----

void CFtpConnection::onControlData()
{
    const QByteArray bytes = m_control->getData();
    if (bytes.isEmpty())
        return;
    m_replyBuffer += bytes;
    m_timeout.reset();
    emit replyMessage(logText(bytes));
}

void CFtpConnection::onControlClosed()
{
    // Replies that came with the close stay in the buffer for the step that waits.
    m_control->close();
}

void CFtpConnection::onDataArrival()
{
    // Until nothing waits: the socket reads on only once its block has been emptied.
    for (;;) {
        const qint64 count = m_data->read(m_dataBlock.data(), m_dataBlock.size());
        if (count <= 0)
            return;
        m_timeout.reset();
        takeData(QByteArrayView(m_dataBlock.constData(), count));
    }
}

void CFtpConnection::takeData(QByteArrayView bytes)
{
    switch (m_job) {
    case DataJob::Listing:
        m_listing.append(bytes);
        break;
    case DataJob::Download:
        if (m_abortCode != 0)
            break;
        if (!m_file.isOpen()) {
            m_pending.append(bytes);
            break;
        }
        if (!writeAll(m_file, bytes)) {
            m_abortCode = ftpErrLocalFile;
            m_abortText = tr("%1: %2").arg(m_localPath, m_file.errorString());
            break;
        }
        m_bytesReceived += bytes.size();
        emit downloadProgress(m_bytesReceived);
        break;
    case DataJob::Upload:
    case DataJob::None:
        break; // nobody asked for these bytes
    }
}

void CFtpConnection::onConnectionRequest(int requestId)
{
    // Only the server we talk to may open the data connection.
    const QHostAddress from = SocketControl::requestPeerAddress(requestId);
    if (m_data->state() != SocketControl::Listening ||
        !from.isEqual(m_control->peerAddress(), QHostAddress::ConvertV4MappedToIPv4)) {
        SocketControl::reject(requestId);
        return;
    }
    m_data->close();
    m_data->accept(requestId);
    m_timeout.reset();
    pumpUpload();
}

// ---- connection and login ----

bool CFtpConnection::connectToServer()
{
    BusyScope busy(*this);
    if (!busy)
        return false;
    m_replyBuffer.clear();
    QString host;
    quint16 port = 21;
    splitServer(m_ftpServer, host, port);
    if (host.isEmpty()) {
        setError(ftpErrHostNotFound, tr("No server name was given."));
        return false;
    }
    resetTransfer();
    m_data->abort();
    m_control->abort();
    // A new session starts in ASCII, whatever type the last one ended in.
    m_transferMode = 0;
    m_control->setLocalPort(0);
    if (!m_control->connectToHost(host, port)) {
        mapSocketError(m_control->lastErrorNumber(), m_control->lastErrorDescription());
        return false;
    }
    int lastState = -1;
    const bool waited = waitFor([&] {
        const int state = m_control->state();
        if (state != lastState) {
            lastState = state;
            if (state == SocketControl::ResolvingHost)
                emit stateChanged(ResolvingHost);
            else if (state == SocketControl::HostResolved)
                emit stateChanged(HostResolved);
        }
        // A refused or unknown host ends the wait at once, not by time-out.
        return state == SocketControl::Connected || state == SocketControl::Error ||
               state == SocketControl::Closed;
    });
    if (!connectionEstablished(m_control, waited))
        return false;
    emit stateChanged(Connected);
    if (!login()) {
        // A session that failed to log in is of no use: it is closed here, not left for the
        // server to drop whenever it likes.
        m_control->close();
        m_replyBuffer.clear();
        return false;
    }
    processPwd();
    emit stateChanged(LoggedIn);
    return true;
}

bool CFtpConnection::login()
{
    FtpReply greeting;
    if (!readReply(greeting))
        return false;
    while (greeting.isPreliminary() && greeting.code != 120) {
        if (!readReply(greeting))
            return false;
    }
    if (greeting.code != 220) {
        if (greeting.code == 120)
            setError(ftpErrServiceReadySoon, ftpDisplayText(greeting.firstLine()));
        else
            mapReply(greeting);
        return false;
    }
    int code = processUser();
    if (code == 331)
        code = processPass();
    return code == 230;
}

int CFtpConnection::processUser()
{
    emit stateChanged(Authentication);
    if (m_userName.isEmpty())
        m_userName = QStringLiteral("anonymous");
    if (m_password.isEmpty()) {
        if (m_userName != QLatin1String("anonymous")) {
            setError(ftpErrNotLoggedIn, tr("A password is needed for user %1.").arg(m_userName));
            return 0;
        }
        m_password = anonymousPassword();
    }
    FtpReply reply;
    if (!command("USER", m_userName.toUtf8(), {230, 331}, &reply))
        return 0;
    return reply.code;
}

int CFtpConnection::processPass()
{
    FtpReply reply;
    if (!command("PASS", m_password.toUtf8(), {230}, &reply, true))
        return reply.code;
    return 230;
}

bool CFtpConnection::processPwd()
{
    FtpReply reply;
    if (!command("PWD", QByteArray(), {257}, &reply))
        return false;
    // The name is quoted; a quote inside it is doubled.
    const QByteArray line = reply.firstLine();
    const qsizetype open = line.indexOf('"');
    if (open < 0) {
        setError(ftpErrUnexpectedReply, shownReply(line));
        return false;
    }
    QByteArray name;
    qsizetype i = open + 1;
    for (; i < line.size(); ++i) {
        if (line.at(i) == '"') {
            if (i + 1 < line.size() && line.at(i + 1) == '"') {
                name += '"';
                ++i;
                continue;
            }
            break;
        }
        name += line.at(i);
    }
    if (i >= line.size()) {
        setError(ftpErrUnexpectedReply, shownReply(line));
        return false;
    }
    m_currentDirectoryRaw = name;
    m_currentDirectory = ftpDisplayText(name);
    return true;
}

// ---- plain commands ----

QString CFtpConnection::getCurrentDirectory()
{
    BusyScope busy(*this);
    if (!busy || !processPwd())
        return QString();
    return m_currentDirectory;
}

bool CFtpConnection::setCurrentDirectory(const QString &path)
{
    return setCurrentDirectory(path.toUtf8());
}

bool CFtpConnection::setCurrentDirectory(const QByteArray &path)
{
    BusyScope busy(*this);
    return busy && command("CWD", path, {250});
}

bool CFtpConnection::setParentAsCurrentDirectory()
{
    BusyScope busy(*this);
    return busy && command("CDUP", QByteArray(), {200, 250});
}

bool CFtpConnection::createDirectory(const QString &name)
{
    BusyScope busy(*this);
    return busy && command("MKD", name.toUtf8(), {257});
}

bool CFtpConnection::removeDirectory(const QString &name)
{
    return removeDirectory(name.toUtf8());
}

bool CFtpConnection::removeDirectory(const QByteArray &name)
{
    BusyScope busy(*this);
    return busy && command("RMD", name, {250});
}

bool CFtpConnection::deleteFile(const QString &name)
{
    return deleteFile(name.toUtf8());
}

bool CFtpConnection::deleteFile(const QByteArray &name)
{
    BusyScope busy(*this);
    return busy && command("DELE", name, {250});
}

bool CFtpConnection::renameFile(const QString &oldName, const QString &newName)
{
    return renameFile(oldName.toUtf8(), newName.toUtf8());
}

bool CFtpConnection::renameFile(const QByteArray &oldName, const QByteArray &newName)
{
    BusyScope busy(*this);
    return busy && command("RNFR", oldName, {350}) && command("RNTO", newName, {250});
}

bool CFtpConnection::processType(int mode)
{
    if (!command("TYPE", mode == 0 ? QByteArray("A") : QByteArray("I"), {200}))
        return false;
    m_transferMode = mode;
    return true;
}

bool CFtpConnection::setTransferMode(int mode)
{
    if (mode == m_transferMode)
        return true;
    BusyScope busy(*this);
    return busy && processType(mode);
}

bool CFtpConnection::closeConnection()
{
    if (m_job != DataJob::None) {
        setError(ftpErrTransferInProgress, ftpErrorText(ftpErrTransferInProgress));
        return false;
    }
    BusyScope busy(*this);
    if (!busy)
        return false;
    const bool ok = command("QUIT", QByteArray(), {221});
    m_data->close();
    m_control->close();
    m_replyBuffer.clear();
    return ok;
}

void CFtpConnection::breakConnection()
{
    m_data->abort();
    m_control->abort();
    resetTransfer();
    m_replyBuffer.clear();
    m_timeout.stopTimer();
    // A wait still running underneath ends on its next pass.
    if (m_busy)
        m_broken = true;
}

// ---- data connections ----

bool CFtpConnection::openDataConnection()
{
    // Without a control connection there is no local address to offer the server either.
    if (!controlConnected()) {
        setNotConnected();
        return false;
    }
    m_data->abort();
    m_dataClosed = false;
    m_dataFailed = false;
    return m_passiveMode ? processPasv() : processPort();
}

bool CFtpConnection::processPasv()
{
    emit stateChanged(DataConnecting);
    FtpReply reply;
    if (!command("PASV", QByteArray(), {227}, &reply))
        return false;
    static const QRegularExpression fields(
        QStringLiteral("(\\d+),(\\d+),(\\d+),(\\d+),(\\d+),(\\d+)"));
    const QString text = ftpDisplayText(reply.firstLine());
    const QRegularExpressionMatch match = fields.match(text, 4);
    const uint high = match.hasMatch() ? match.captured(5).toUInt() : 256;
    const uint low = match.hasMatch() ? match.captured(6).toUInt() : 256;
    if (high > 255 || low > 255 || high * 256 + low == 0) {
        setError(ftpErrUnexpectedReply, shownReply(reply.firstLine()));
        return false;
    }
    // The data connection goes to the server we already talk to, whatever address the
    // reply names: another host would be a bounce, a private one unreachable behind NAT.
    const QString host = m_control->peerAddress().toString();
    const quint16 port = quint16(high * 256 + low);
    m_data->setLocalPort(0);
    if (!m_data->connectToHost(host, port)) {
        mapSocketError(m_data->lastErrorNumber(), m_data->lastErrorDescription());
        return false;
    }
    const bool waited = waitFor([&] {
        const int state = m_data->state();
        return state == SocketControl::Connected || state == SocketControl::Error ||
               state == SocketControl::Closed;
    });
    if (!connectionEstablished(m_data, waited))
        return false;
    emit stateChanged(DataReady);
    emit replyMessage(QStringLiteral("Connecting to: %1:%2\r\n").arg(host).arg(port));
    return true;
}

bool CFtpConnection::processPort()
{
    emit stateChanged(DataConnecting);
    const QHostAddress local(m_control->localIP());
    if (local.protocol() != QAbstractSocket::IPv4Protocol) {
        setError(ftpErrWrongState, tr("Active mode needs an IPv4 control connection."));
        return false;
    }
    // Ports already taken are skipped; the search is bounded.
    bool listening = false;
    for (int attempt = 0; attempt < activePortAttempts && !listening; ++attempt) {
        m_lastPort = (m_lastPort < firstActivePort || m_lastPort >= 65535) ? firstActivePort
                                                                           : m_lastPort + 1;
        m_data->abort();
        m_data->setLocalPort(m_lastPort);
        listening = m_data->listen(local);
    }
    if (!listening) {
        mapSocketError(m_data->lastErrorNumber(), m_data->lastErrorDescription());
        return false;
    }
    const QString line = QStringLiteral("%1,%2,%3")
                             .arg(m_control->localIP().replace(QLatin1Char('.'), QLatin1Char(',')))
                             .arg(m_lastPort / 256)
                             .arg(m_lastPort % 256);
    if (!command("PORT", line.toLatin1(), {200})) {
        m_data->abort();
        return false;
    }
    m_dataFailed = false; // ports found taken on the way do not count against the transfer
    emit stateChanged(DataReady);
    return true;
}

void CFtpConnection::resetTransfer()
{
    if (m_file.isOpen())
        m_file.close();
    m_job = DataJob::None;
    m_dataClosed = false;
    m_finalConfirmed = false;
    m_listing.clear();
    m_pending.clear();
    m_bytesReceived = 0;
    m_bytesSent = 0;
    m_bytesAcked = 0;
    m_expectedSize = -1;
    m_announcedSize = -1;
    m_noServerData = false;
    m_uploadStarted = false;
    m_uploadEof = false;
    m_uploadFinished = false;
    m_aborSent = false;
    m_abortSettled = false;
    m_abortCode = 0;
    m_abortText.clear();
}

void CFtpConnection::onPreliminaryReply()
{
    if (m_job == DataJob::Download) {
        QIODevice::OpenMode mode = QIODevice::WriteOnly;
        mode |= m_startOffset > 0 ? QIODevice::ReadWrite : QIODevice::Truncate;
        m_file.setFileName(m_localPath);
        if (!m_file.open(mode) || (m_startOffset > 0 && !m_file.seek(m_startOffset))) {
            m_abortCode = ftpErrLocalFile;
            m_abortText = tr("%1: %2").arg(m_localPath, m_file.errorString());
            m_file.close();
            return;
        }
        emit stateChanged(TransferInProgress);
        if (!m_pending.isEmpty()) {
            const QByteArray early = m_pending;
            m_pending.clear();
            if (!writeAll(m_file, early)) {
                m_abortCode = ftpErrLocalFile;
                m_abortText = tr("%1: %2").arg(m_localPath, m_file.errorString());
                return;
            }
            m_bytesReceived += early.size();
            emit downloadProgress(m_bytesReceived);
        }
    } else if (m_job == DataJob::Upload) {
        emit stateChanged(TransferInProgress);
        m_uploadStarted = true;
        pumpUpload();
    }
}

void CFtpConnection::pumpUpload()
{
    if (m_job != DataJob::Upload || !m_uploadStarted || m_uploadFinished || m_abortCode != 0)
        return;
    if (m_data->state() != SocketControl::Connected)
        return;
    while (!m_uploadEof && m_data->bytesToWrite() < uploadWindow) {
        QByteArray chunk;
        chunk.reserve(uploadSendSize);
        while (chunk.size() < uploadSendSize) {
            char block[uploadBlockSize];
            const qint64 count = m_file.read(block, uploadBlockSize);
            if (count < 0) {
                m_abortCode = ftpErrLocalFile;
                m_abortText = tr("%1: %2").arg(m_localPath, m_file.errorString());
                return;
            }
            if (count == 0) {
                m_uploadEof = true;
                break;
            }
            chunk.append(block, count);
        }
        if (!chunk.isEmpty() && !m_data->sendData(chunk)) {
            m_dataFailed = true;
            return;
        }
    }
    if (m_uploadEof && m_data->bytesToWrite() == 0) {
        // Everything has left this process, but the system may still hold megabytes of it:
        // the end of the file goes out behind them, and the socket stays open to count what
        // the server has taken. The upload is complete only when the server says so.
        if (!m_data->shutdownSend())
            m_data->close();
        m_uploadFinished = true;
        m_file.close();
    }
}

void CFtpConnection::reportDelivered()
{
    // A connection that ended early says nothing of what arrived.
    if (m_job != DataJob::Upload || m_data->state() != SocketControl::Connected)
        return;
    // Bytes in the system's send queue have not reached the server yet.
    const qint64 acked = m_bytesSent - m_data->unacknowledgedBytes();
    if (acked > m_bytesAcked) {
        m_bytesAcked = acked;
        // Bytes the server takes are no silence, though nothing is left to hand the socket.
        m_timeout.reset();
        emit uploadProgress(m_bytesAcked);
    }
}

// Sends a LIST, RETR or STOR and waits for its end: the final reply and, for a success, the
// end of the data connection.
bool CFtpConnection::runDataCommand(const QByteArray &verb, const QByteArray &argument)
{
    if (!sendCommand(verb, argument)) {
        m_data->abort();
        return false;
    }
    bool preliminary = false;
    bool haveFinal = false;
    bool lost = false;
    FtpReply finalReply;
    // An upload's last megabytes leave the system's queue with no event of their own.
    QTimer deliveryPoll;
    if (m_job == DataJob::Upload) {
        connect(&deliveryPoll, &QTimer::timeout, this, &CFtpConnection::reportDelivered);
        deliveryPoll.start(deliveryPollMs);
    }
    const bool waited = waitFor([&] {
        // Once the transfer is given up, the replies still to come are the abort's to read.
        if (m_abortCode != 0)
            return true;
        FtpReply reply;
        while (!haveFinal && takeReply(reply)) {
            if (reply.isPreliminary()) {
                if (!preliminary) {
                    preliminary = true;
                    m_announcedSize = announcedSize(reply.firstLine());
                    onPreliminaryReply();
                }
            } else {
                haveFinal = true;
                finalReply = reply;
                m_finalConfirmed = isPositiveCompletion(reply.code);
            }
        }
        if (m_abortCode != 0 || m_dataFailed)
            return true;
        if (haveFinal && !isPositiveCompletion(finalReply.code))
            return true;
        if (haveFinal && preliminary && !m_passiveMode &&
            m_data->state() == SocketControl::Listening) {
            // The server says it is done; its connection, if any, is in the system's queue by
            // now. None there means the data went elsewhere (or came from a refused address).
            m_data->checkPendingConnections();
            if (m_data->state() == SocketControl::Listening) {
                m_noServerData = true;
                return true;
            }
        }
        const bool dataDone =
            m_job == DataJob::Upload ? m_uploadFinished : (m_dataClosed || !preliminary);
        if (haveFinal && dataDone)
            return true;
        if (!controlConnected()) {
            lost = true;
            return true;
        }
        return false;
    });
    if (waited && m_abortCode != 0) {
        const int code = m_abortCode;
        const QString text = m_abortText.isEmpty() ? ftpErrorText(code) : m_abortText;
        finishAbortedTransfer();
        setError(code, text);
        return false;
    }
    m_data->abort();
    // The last buffered bytes of a download must reach the disk before it counts as done.
    QString localError;
    if (m_file.isOpen()) {
        if (m_job == DataJob::Download && !flushAll(m_file))
            localError = tr("%1: %2").arg(m_localPath, m_file.errorString());
        m_file.close();
    }
    if (!waited)
        return false; // time-out or broken off; the error is set
    if (lost) {
        setConnectionLost();
        return false;
    }
    if (m_noServerData) {
        setError(ftpErrCantOpenData,
                 tr("No data connection came from the server; the transfer did not happen."));
        return false;
    }
    if (m_dataFailed) {
        // A data connection that broke may have lost bytes, whatever the server says.
        mapSocketError(m_data->lastErrorNumber(), m_data->lastErrorDescription());
        return false;
    }
    if (!haveFinal || !isPositiveCompletion(finalReply.code)) {
        if (haveFinal)
            mapReply(finalReply);
        else
            mapSocketError(m_data->lastErrorNumber(), m_data->lastErrorDescription());
        return false;
    }
    if (!localError.isEmpty()) {
        setError(ftpErrLocalFile, localError);
        return false;
    }
    return true;
}

// After a cancel or a local failure: the data connection is dropped and ABOR sent, then the
// replies up to the one answering ABOR are read and dropped. Servers differ in what they say:
// 426 for the broken transfer then 226 for ABOR, the transfer's own end then 225 or 226, or
// only 225 when they closed the transfer quietly.
void CFtpConnection::finishAbortedTransfer()
{
    m_data->abort();
    if (m_file.isOpen())
        m_file.close();
    if (!m_aborSent) {
        m_aborSent = true;
        if (!sendCommand("ABOR"))
            return;
    }
    const int savedError = m_lastError;
    const QString savedText = m_lastErrorText;
    // First the answer to ABOR: 426 and preliminary replies belong to the broken transfer.
    dropRepliesUntil(
        [](const FtpReply &reply) { return reply.code != 426 && !reply.isPreliminary(); });
    // Then a NOOP, sent only now: some servers drop a command that arrives together with ABOR.
    // Every reply before its 200 is one more of the aborted transfer's (a transfer that ended
    // as ABOR came has its own end and ABOR's answer).
    m_abortSettled = sendCommand("NOOP") &&
                     dropRepliesUntil([](const FtpReply &reply) { return reply.code == 200; });
    m_lastError = savedError;
    m_lastErrorText = savedText;
}

// The server's positive final reply to the running transfer has come, taken or still waiting
// in the buffer behind its preliminary reply.
bool CFtpConnection::transferConfirmed() const
{
    if (m_finalConfirmed)
        return true;
    QByteArray pending = m_replyBuffer;
    FtpReply reply;
    while (takeFtpReply(pending, reply)) {
        if (!reply.isPreliminary())
            return isPositiveCompletion(reply.code);
    }
    return false;
}

// A cancel that came while the data connection was being set up: the step under way has
// taken its reply, so only the answer to ABOR is left to read.
bool CFtpConnection::abortedDuringSetup()
{
    if (m_abortCode == 0)
        return false;
    const int code = m_abortCode;
    const QString text = m_abortText.isEmpty() ? ftpErrorText(code) : m_abortText;
    finishAbortedTransfer();
    setError(code, text);
    return true;
}

bool CFtpConnection::enumFiles(CFtpFiles &files)
{
    BusyScope busy(*this);
    if (!busy)
        return false;
    resetTransfer();
    m_job = DataJob::Listing;
    const bool ready = openDataConnection();
    if (abortedDuringSetup() || !ready) {
        m_data->abort();
        resetTransfer();
        return false;
    }
    emit stateChanged(RetrievingDirectory);
    const bool ok = runDataCommand("LIST", QByteArray());
    const QByteArray listing = m_listing;
    resetTransfer();
    if (!ok)
        return false;
    files = parseListing(listing, QDate::currentDate());
    emit stateChanged(ListingCompleted);
    return true;
}

bool CFtpConnection::querySize(const QByteArray &remoteName, qint64 &size)
{
    size = -1;
    if (!sendCommand("SIZE", remoteName))
        return false;
    FtpReply reply;
    do {
        if (!readReply(reply))
            return false;
    } while (reply.isPreliminary());
    if (reply.code == 213) {
        bool ok = false;
        const qint64 value = reply.firstLine().mid(4).trimmed().toLongLong(&ok);
        if (ok && value >= 0)
            size = value;
    }
    return true;
}

bool CFtpConnection::downloadFile(const QString &remoteName, const QString &localPath, int mode,
                                  qint64 startOffset)
{
    return downloadFile(remoteName.toUtf8(), localPath, mode, startOffset);
}

bool CFtpConnection::downloadFile(const QByteArray &remoteName, const QString &localPath, int mode,
                                  qint64 startOffset)
{
    BusyScope busy(*this);
    if (!busy)
        return false;
    resetTransfer();
    if (localPath.isEmpty() || startOffset < 0) {
        setError(ftpErrLocalFile, tr("No valid local file was given."));
        return false;
    }
    // The transfer counts as running from here, so Stop can cancel its set-up too.
    m_job = DataJob::Download;
    qint64 expected = -1;
    // Only binary sizes can be compared: ASCII mode changes line ends on the way.
    const bool ready =
        processType(mode) && m_abortCode == 0 && (mode == 0 || querySize(remoteName, expected)) &&
        m_abortCode == 0 && resumable(localPath, startOffset, expected) && openDataConnection() &&
        m_abortCode == 0 &&
        (startOffset == 0 || command("REST", QByteArray::number(startOffset), {350}));
    if (abortedDuringSetup() || !ready) {
        m_data->abort();
        resetTransfer();
        return false;
    }
    m_localPath = localPath;
    m_startOffset = startOffset;
    m_bytesReceived = startOffset;
    m_expectedSize = expected;
    bool ok = runDataCommand("RETR", remoteName);
    if (ok && mode != 0) {
        // A server that cuts the data connection short and still says 226 must not make a
        // partial file look complete.
        const qint64 total = m_bytesReceived;
        const qint64 thisTime = total - startOffset;
        qint64 announced = -1;
        bool matches = true;
        if (m_expectedSize >= 0) {
            announced = m_expectedSize;
            matches = total == m_expectedSize;
        } else if (m_announcedSize >= 0) {
            // Servers name either the whole size or what is left after REST.
            announced = m_announcedSize;
            matches = total == m_announcedSize || thisTime == m_announcedSize;
        }
        if (!matches && thisTime == 0 && !resumable(localPath, startOffset, announced)) {
            ok = false; // nothing came: the offset lies past the remote file's end
        } else if (!matches) {
            setError(ftpErrTransferAborted,
                     tr("The transfer ended after %1 bytes; the server announced %2 bytes.")
                         .arg(total)
                         .arg(announced));
            ok = false;
        }
    }
    resetTransfer();
    if (ok)
        emit stateChanged(TransferCompleted);
    return ok;
}

// A resume needs the remote file to reach past the bytes already here.
bool CFtpConnection::resumable(const QString &localPath, qint64 startOffset, qint64 remoteSize)
{
    if (startOffset == 0 || remoteSize < 0 || startOffset <= remoteSize)
        return true;
    setError(ftpErrLocalFile,
             tr("%1: can't resume at byte %2, the remote file has only %3 bytes. Download the "
                "whole file again.")
                 .arg(localPath)
                 .arg(startOffset)
                 .arg(remoteSize));
    return false;
}

bool CFtpConnection::uploadFile(const QString &localPath, const QString &remoteName, int mode,
                                qint64 startOffset)
{
    return uploadFile(localPath, remoteName.toUtf8(), mode, startOffset);
}

bool CFtpConnection::uploadFile(const QString &localPath, const QByteArray &remoteName, int mode,
                                qint64 startOffset)
{
    BusyScope busy(*this);
    if (!busy)
        return false;
    resetTransfer();
    if (startOffset < 0) {
        setError(ftpErrLocalFile, tr("No valid start offset was given."));
        return false;
    }
    {
        // A missing local file must not get as far as creating a remote one.
        QFile probe(localPath);
        if (!probe.open(QIODevice::ReadOnly)) {
            setError(ftpErrLocalFile, tr("%1: %2").arg(localPath, probe.errorString()));
            return false;
        }
    }
    m_localPath = localPath;
    // Stated on every upload, as on every download: the session may not be in the type
    // remembered here.
    if (!processType(mode))
        return false;
    if (startOffset == 0)
        return runUpload("STOR", remoteName, 0);

    // Resuming: appending needs no restart support and never truncates the server's partial
    // file, so it is used when the remote file is exactly as long as the part already sent.
    qint64 remoteSize = -1;
    if (!querySize(remoteName, remoteSize))
        return false;
    if (remoteSize == startOffset) {
        if (runUpload("APPE", remoteName, startOffset))
            return true;
        const int refused = m_lastReplyCode;
        if (m_lastError == ftpErrCancelled || (refused != 500 && refused != 502 && refused != 504))
            return false;
    }
    if (runUpload("STOR", remoteName, startOffset))
        return true;
    if (m_lastReplyCode >= 400 && m_lastError != ftpErrCancelled) {
        // Some servers refuse STOR after REST and drop the partial file they had.
        setError(m_lastError,
                 tr("The server refused to resume the upload (%1). The partial file on the server "
                    "may be gone; upload the whole file again.")
                     .arg(shownReply(FtpReply{m_lastReplyCode, m_lastServerResponse}.firstLine())));
    }
    return false;
}

// Every STOR comes after a REST, 0 for a new file, so that no restart point the server kept
// from an earlier command moves where the new file starts. A server that refuses REST (it has
// none, or none in ASCII) keeps no such point: for a new file its refusal is no reason to stop.
bool CFtpConnection::processRestBeforeStore(qint64 startOffset)
{
    FtpReply reply;
    if (command("REST", QByteArray::number(startOffset), {350}, &reply))
        return true;
    return startOffset == 0 && reply.code >= 500 && reply.code < 600;
}

// One STOR or APPE from startOffset of the local file.
bool CFtpConnection::runUpload(const QByteArray &verb, const QByteArray &remoteName,
                               qint64 startOffset)
{
    const QString localPath = m_localPath;
    resetTransfer();
    // The local file is opened first, so a missing one never creates a remote file.
    m_file.setFileName(localPath);
    if (!m_file.open(QIODevice::ReadOnly) || (startOffset > 0 && !m_file.seek(startOffset))) {
        setError(ftpErrLocalFile, tr("%1: %2").arg(localPath, m_file.errorString()));
        m_file.close();
        return false;
    }
    m_job = DataJob::Upload;
    const bool ready = openDataConnection() && m_abortCode == 0 &&
                       (verb != "STOR" || processRestBeforeStore(startOffset));
    if (abortedDuringSetup() || !ready) {
        m_data->abort();
        resetTransfer();
        return false;
    }
    m_localPath = localPath;
    m_startOffset = startOffset;
    m_bytesSent = startOffset;
    m_bytesAcked = startOffset;
    const bool ok = runDataCommand(verb, remoteName);
    if (ok) {
        // The server has confirmed every byte.
        if (m_bytesSent > m_bytesAcked)
            emit uploadProgress(m_bytesSent);
        emit stateChanged(TransferCompleted);
    }
    const qint64 delivered = m_bytesAcked;
    // A server still silent after the cancel is not asked anything more.
    const bool settled = m_abortSettled;
    resetTransfer();
    if (!ok && m_lastError == ftpErrCancelled && settled)
        describeCancelledUpload(remoteName, QFileInfo(localPath).size(), delivered);
    return ok;
}

// A cancelled upload leaves part of the file on the server: how much is asked, so the user
// knows what a resume would start from.
void CFtpConnection::describeCancelledUpload(const QByteArray &remoteName, qint64 total,
                                             qint64 delivered)
{
    const int savedError = m_lastError;
    const QString savedText = m_lastErrorText;
    qint64 held = -1;
    const bool asked = querySize(remoteName, held);
    m_lastError = savedError;
    m_lastErrorText = savedText;
    if (!asked)
        return;
    m_lastErrorText =
        held >= 0 ? tr("Upload cancelled. The server holds %1 of %2 bytes.").arg(held).arg(total)
                  : tr("Upload cancelled. The server received about %1 of %2 bytes.")
                        .arg(delivered)
                        .arg(total);
}

bool CFtpConnection::cancelTransfer()
{
    if (m_job == DataJob::None) {
        BusyScope busy(*this);
        return busy && command("ABOR", QByteArray(), {225, 226});
    }
    if (m_abortCode != 0)
        return true;
    // The transfer ended while the user was asked: the server has confirmed it, and an ABOR
    // now would only make a whole file look cancelled.
    if ((m_job == DataJob::Upload ? m_uploadFinished : m_dataClosed) && transferConfirmed())
        return true;
    // Stop the data first, so no late byte is taken for a complete file.
    m_abortCode = ftpErrCancelled;
    m_abortText.clear();
    m_data->abort();
    if (m_file.isOpen())
        m_file.close();
    m_aborSent = true;
    return sendCommand("ABOR");
}
