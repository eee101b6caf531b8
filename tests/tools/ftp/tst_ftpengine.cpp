// The engine against a real server: pyftpdlib or vsftpd, chosen at build time.
#include "FtpTestServers.h"

#include "tools/ftp/CFtpConnection.h"
#include "tools/ftp/FtpErrors.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr qint64 bigSize = 64LL << 20;

struct Sample
{
    const char *name;
    qint64 size;
};

const Sample samples[] = {
    {"zero.bin", 0}, {"f4096.bin", 4096}, {"f8193.bin", 8193}, {"big.bin", bigSize}};

} // namespace

class TestFtpEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void login();
    void wrongPassword();
    void refusedPort();
    void directories();
    void listing_data();
    void listing();
    void download_data();
    void download();
    void upload_data();
    void upload();
    void uploadAfterReconnect();
    void resume();
    void cancelDownload();
    void cancelUpload();
    void missingFile();
    void refusals();
    void dosListing();
    void throttledCancel();
    void tooManyConnections();

private:
    std::unique_ptr<CFtpConnection> connected(bool passive = true);
    QString serverPath(const QString &name) const;
    QString uploadName(const QString &name) const;

    std::unique_ptr<FtpTestServer> m_server;
    QTemporaryDir m_local;
    QHash<QString, QByteArray> m_sha;
    bool m_isVsftpd = false;
};

void TestFtpEngine::initTestCase()
{
#ifdef FTP_TEST_VSFTPD
    m_isVsftpd = true;
    if (!QFile::exists(QStringLiteral("/usr/sbin/vsftpd")))
        QSKIP("vsftpd is not installed");
    m_server = std::make_unique<VsftpdServer>();
#else
    m_server = std::make_unique<PyFtpServer>();
#endif
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));
    const QString root = m_server->root();
    for (const Sample &sample : samples)
        m_sha.insert(QLatin1String(sample.name),
                     writeRandomFile(root + QLatin1Char('/') + QLatin1String(sample.name),
                                     sample.size, quint32(sample.size)));
    QDir(root).mkpath(QStringLiteral("pub/sub dir"));
    QFile text(root + QStringLiteral("/my file.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("hello\n");
    text.close();
    QFile::copy(text.fileName(), root + QStringLiteral("/two  blanks.txt"));
    QVERIFY(QFile::link(QStringLiteral("my file.txt"), root + QStringLiteral("/link to file")));
    QFile sparse(root + QStringLiteral("/sparse.bin"));
    QVERIFY(sparse.open(QIODevice::WriteOnly));
    QVERIFY(sparse.resize(3LL << 30));
    sparse.close();
    QDir(root).mkdir(QStringLiteral("many"));
    for (int i = 0; i < 10000; ++i) {
        QFile entry(root + QStringLiteral("/many/entry %1").arg(i, 5, 10, QLatin1Char('0')));
        QVERIFY(entry.open(QIODevice::WriteOnly));
    }
}

std::unique_ptr<CFtpConnection> TestFtpEngine::connected(bool passive)
{
    auto engine = std::make_unique<CFtpConnection>();
    engine->setTimeout(20);
    engine->setFtpServer(m_server->address());
    engine->setPassiveMode(passive);
    if (!engine->connectToServer())
        return nullptr;
    return engine;
}

QString TestFtpEngine::serverPath(const QString &name) const
{
    return m_server->root() + m_server->writableFolder() + QLatin1Char('/') + name;
}

QString TestFtpEngine::uploadName(const QString &name) const
{
    const QString folder = m_server->writableFolder();
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

void TestFtpEngine::login()
{
    CFtpConnection engine;
    engine.setTimeout(20);
    engine.setFtpServer(m_server->address());
    QList<int> states;
    QString log;
    connect(&engine, &CFtpConnection::stateChanged, this, [&](int state) { states << state; });
    connect(&engine, &CFtpConnection::replyMessage, this,
            [&](const QString &text) { log += text; });
    QVERIFY(engine.connectToServer());
    QCOMPARE(engine.userName(), QStringLiteral("anonymous"));
    QCOMPARE(engine.currentDirectory(), QStringLiteral("/"));
    QVERIFY(states.contains(CFtpConnection::Connected));
    QCOMPARE(states.last(), int(CFtpConnection::LoggedIn));
    QVERIFY(!engine.busy());
    QVERIFY(engine.closeConnection());

    if (m_isVsftpd)
        return;
    // A user with a password; the greeting and the login answer span several lines.
    CFtpConnection user;
    user.setFtpServer(m_server->address());
    user.setUserName(QStringLiteral("tester"));
    user.setPassword(QStringLiteral("secret"));
    QString userLog;
    connect(&user, &CFtpConnection::replyMessage, this,
            [&](const QString &text) { userLog += text; });
    QVERIFY2(user.connectToServer(), qPrintable(user.getFtpErrorDescription()));
    QVERIFY(userLog.contains(QLatin1String("PASS **********")));
    QVERIFY(!userLog.contains(QLatin1String("secret")));
    QVERIFY(user.getCurrentDirectory() == QStringLiteral("/"));
}

void TestFtpEngine::wrongPassword()
{
    if (m_isVsftpd)
        QSKIP("the vsftpd set-up has anonymous users only");
    CFtpConnection engine;
    engine.setFtpServer(m_server->address());
    engine.setUserName(QStringLiteral("tester"));
    engine.setPassword(QStringLiteral("wrong"));
    QVERIFY(!engine.connectToServer());
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrNotLoggedIn));
    QCOMPARE(engine.getFtpErrorDescription(), QStringLiteral("Not logged in."));
    // Another user without a password sends nothing and still gives a cause.
    engine.setPassword(QString());
    QVERIFY(!engine.connectToServer());
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrNotLoggedIn));
}

void TestFtpEngine::refusedPort()
{
    CFtpConnection engine;
    engine.setTimeout(30);
    engine.setFtpServer(QStringLiteral("127.0.0.1:%1").arg(freeLocalPort()));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!engine.connectToServer());
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrConnectionRefused));
    QVERIFY(!engine.getFtpErrorDescription().isEmpty());
    QVERIFY(clock.elapsed() < 3000);
}

void TestFtpEngine::directories()
{
    auto engine = connected();
    QVERIFY(engine);
    const QString base = uploadName(QStringLiteral("made dir"));
    QVERIFY2(engine->createDirectory(base), qPrintable(engine->getFtpErrorDescription()));
    QVERIFY(engine->setCurrentDirectory(QStringLiteral("//pub"))); // as Up sends it
    QVERIFY(engine->setCurrentDirectory(base));
    QCOMPARE(engine->getCurrentDirectory(), base);
    QVERIFY(engine->setParentAsCurrentDirectory());
    QCOMPARE(engine->getCurrentDirectory(), m_server->writableFolder());
    QVERIFY(!engine->setCurrentDirectory(QStringLiteral("/no such dir")));
    QCOMPARE(engine->ftpGetLastError(), int(ftpErrFileUnavailable));

    QFile::copy(m_server->root() + QStringLiteral("/my file.txt"),
                serverPath(QStringLiteral("old name.txt")));
    QVERIFY(engine->renameFile(uploadName(QStringLiteral("old name.txt")),
                               uploadName(QStringLiteral("new name.txt"))));
    QVERIFY(QFile::exists(serverPath(QStringLiteral("new name.txt"))));
    QVERIFY(!QFile::exists(serverPath(QStringLiteral("old name.txt"))));
    QVERIFY(engine->deleteFile(uploadName(QStringLiteral("new name.txt"))));
    QVERIFY(!QFile::exists(serverPath(QStringLiteral("new name.txt"))));
    QVERIFY(!engine->deleteFile(uploadName(QStringLiteral("new name.txt"))));
    QCOMPARE(engine->ftpGetLastError(), int(ftpErrFileUnavailable));
    QVERIFY(engine->removeDirectory(base));
    QVERIFY(!QFileInfo::exists(serverPath(QStringLiteral("made dir"))));

    // The transfer mode is sent only when it changes; a refused one keeps the old mode.
    int lines = 0;
    connect(engine.get(), &CFtpConnection::replyMessage, this, [&] { ++lines; });
    QVERIFY(engine->setTransferMode(0));
    QCOMPARE(lines, 0);
    QVERIFY(engine->setTransferMode(1));
    QCOMPARE(engine->transferMode(), 1);
    QVERIFY(lines >= 2);
}

void TestFtpEngine::listing_data()
{
    QTest::addColumn<bool>("passive");
    QTest::newRow("passive") << true;
    QTest::newRow("active") << false;
}

void TestFtpEngine::listing()
{
    QFETCH(bool, passive);
    auto engine = connected(passive);
    QVERIFY(engine);
    CFtpFiles files;
    QVERIFY2(engine->enumFiles(files), qPrintable(engine->getFtpErrorDescription()));
    QHash<QString, CFtpFile> byName;
    for (const CFtpFile &file : files)
        byName.insert(file.filename, file);
    QVERIFY(!byName.contains(QStringLiteral(".")));
    QVERIFY(byName.contains(QStringLiteral("my file.txt")));
    QVERIFY(byName.contains(QStringLiteral("two  blanks.txt")));
    QCOMPARE(byName.value(QStringLiteral("my file.txt")).fileSize, 6);
    QVERIFY(byName.value(QStringLiteral("pub")).isDirectory);
    QCOMPARE(byName.value(QStringLiteral("sparse.bin")).fileSize, 3LL << 30);
    QCOMPARE(byName.value(QStringLiteral("big.bin")).fileSize, bigSize);
    QVERIFY(byName.value(QStringLiteral("big.bin")).lastWriteTime.isValid());
    const CFtpFile link = byName.value(QStringLiteral("link to file"));
    QCOMPARE(link.filePath, QStringLiteral("my file.txt"));
    QVERIFY(!link.isDirectory);

    QVERIFY(engine->setCurrentDirectory(QStringLiteral("/many")));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(engine->enumFiles(files));
    QCOMPARE(files.count(), 10000);
    QCOMPARE(files.item(1).filename.left(6), QStringLiteral("entry "));
    qInfo("10,000 entries listed in %lld ms", clock.elapsed());
}

void TestFtpEngine::download_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("passive");
    for (const Sample &sample : samples) {
        QTest::addRow("%s passive", sample.name) << QString::fromLatin1(sample.name) << true;
        QTest::addRow("%s active", sample.name) << QString::fromLatin1(sample.name) << false;
    }
}

void TestFtpEngine::download()
{
    QFETCH(QString, name);
    QFETCH(bool, passive);
    auto engine = connected(passive);
    QVERIFY(engine);
    const QString local = m_local.filePath(name);
    QFile::remove(local);
    qint64 lastProgress = 0;
    QList<int> states;
    connect(engine.get(), &CFtpConnection::downloadProgress, this,
            [&](qint64 bytes) { lastProgress = bytes; });
    connect(engine.get(), &CFtpConnection::stateChanged, this, [&](int s) { states << s; });
    QVERIFY2(engine->downloadFile(name, local, 1, 0), qPrintable(engine->getFtpErrorDescription()));
    QCOMPARE(fileSha256(local), m_sha.value(name));
    QCOMPARE(lastProgress, QFileInfo(local).size());
    QVERIFY(states.contains(CFtpConnection::TransferInProgress));
    QCOMPARE(states.last(), int(CFtpConnection::TransferCompleted));
    QVERIFY(!engine->busy());
    // The control connection stays usable after the transfer.
    QCOMPARE(engine->getCurrentDirectory(), QStringLiteral("/"));
}

void TestFtpEngine::upload_data()
{
    download_data();
}

void TestFtpEngine::upload()
{
    QFETCH(QString, name);
    QFETCH(bool, passive);
    auto engine = connected(passive);
    QVERIFY(engine);
    const QString source = m_server->root() + QLatin1Char('/') + name;
    const QString target = QStringLiteral("up-%1-%2").arg(passive).arg(name);
    qint64 lastProgress = 0;
    connect(engine.get(), &CFtpConnection::uploadProgress, this,
            [&](qint64 bytes) { lastProgress = bytes; });
    QString log;
    connect(engine.get(), &CFtpConnection::replyMessage, this, [&](const QString &t) { log += t; });
    QVERIFY2(engine->uploadFile(source, uploadName(target), 1),
             qPrintable(engine->getFtpErrorDescription()));
    QVERIFY(log.contains(QRegularExpression(QStringLiteral("\r\nREST 0\r\n350 .*\r\nSTOR "))));
    QCOMPARE(fileSha256(serverPath(target)), m_sha.value(name));
    QCOMPARE(lastProgress, QFileInfo(source).size());
    QVERIFY(QFile::remove(serverPath(target)));
}

void TestFtpEngine::uploadAfterReconnect()
{
    // After a binary download, a new session starts in ASCII: after Stop and Connect, and after
    // a dropped link that the next folder change finds. The upload still arrives byte for byte,
    // and a text upload in ASCII, where no restart point is allowed, arrives too.
    for (const bool passive : {true, false}) {
        auto engine = connected(passive);
        QVERIFY(engine);
        for (const bool dropped : {false, true}) {
            QVERIFY(engine->downloadFile(QStringLiteral("f4096.bin"), m_local.filePath("f"), 1));
            if (dropped)
                engine->breakConnection();
            QVERIFY(dropped ? !engine->setCurrentDirectory(QStringLiteral("/"))
                            : engine->closeConnection());
            QVERIFY(engine->connectToServer());
            QVERIFY2(engine->uploadFile(m_server->root() + QStringLiteral("/big.bin"),
                                        uploadName(QStringLiteral("again.bin")), 1),
                     qPrintable(engine->getFtpErrorDescription()));
            QCOMPARE(fileSha256(serverPath(QStringLiteral("again.bin"))), m_sha.value("big.bin"));
        }
        QVERIFY2(engine->uploadFile(m_server->root() + QStringLiteral("/my file.txt"),
                                    uploadName(QStringLiteral("again.txt")), 0),
                 qPrintable(engine->getFtpErrorDescription()));
        QCOMPARE(QFileInfo(serverPath(QStringLiteral("again.txt"))).size(), 6);
    }
}

void TestFtpEngine::resume()
{
    auto engine = connected(true);
    QVERIFY(engine);
    const QString source = m_server->root() + QStringLiteral("/big.bin");
    // Download: the first MiB is already here.
    const QString local = m_local.filePath(QStringLiteral("resumed.bin"));
    QFile original(source);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray head = original.read(1 << 20);
    original.close();
    QFile partial(local);
    QVERIFY(partial.open(QIODevice::WriteOnly | QIODevice::Truncate));
    partial.write(head);
    partial.close();
    qint64 firstProgress = -1;
    connect(engine.get(), &CFtpConnection::downloadProgress, this, [&](qint64 bytes) {
        if (firstProgress < 0)
            firstProgress = bytes;
    });
    QVERIFY2(engine->downloadFile(QStringLiteral("big.bin"), local, 1, head.size()),
             qPrintable(engine->getFtpErrorDescription()));
    QCOMPARE(fileSha256(local), m_sha.value(QStringLiteral("big.bin")));
    QVERIFY(firstProgress > head.size());

    // Offsets past 2 GiB: the last 4096 bytes of the sparse 3 GiB file.
    const qint64 far = (3LL << 30) - 4096;
    const QString tail = m_local.filePath(QStringLiteral("sparse.bin"));
    QFile farFile(tail);
    QVERIFY(farFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(farFile.resize(far));
    farFile.close();
    qint64 lastProgress = 0;
    connect(engine.get(), &CFtpConnection::downloadProgress, this,
            [&](qint64 bytes) { lastProgress = bytes; });
    QVERIFY2(engine->downloadFile(QStringLiteral("sparse.bin"), tail, 1, far),
             qPrintable(engine->getFtpErrorDescription()));
    QCOMPARE(QFileInfo(tail).size(), 3LL << 30);
    QCOMPARE(lastProgress, 3LL << 30);
    QFile::remove(tail);

    // Upload: the server holds the first 5000 bytes.
    const QString target = QStringLiteral("resumed-up.bin");
    QFile serverPart(serverPath(target));
    QVERIFY(serverPart.open(QIODevice::WriteOnly));
    serverPart.write(head.left(5000));
    serverPart.close();
    serverPart.setPermissions(serverPart.permissions() | QFileDevice::WriteOther);
    QVERIFY2(engine->uploadFile(source, uploadName(target), 1, 5000),
             qPrintable(engine->getFtpErrorDescription()));
    QCOMPARE(fileSha256(serverPath(target)), m_sha.value(QStringLiteral("big.bin")));
    QFile::remove(serverPath(target));
}

void TestFtpEngine::cancelDownload()
{
    for (bool passive : {true, false}) {
        auto engine = connected(passive);
        QVERIFY(engine);
        const QString local = m_local.filePath(QStringLiteral("cancelled.bin"));
        bool cancelled = false;
        connect(engine.get(), &CFtpConnection::downloadProgress, this, [&](qint64 bytes) {
            if (bytes > (1 << 20) && !cancelled)
                cancelled = engine->cancelTransfer();
        });
        QVERIFY(!engine->downloadFile(QStringLiteral("big.bin"), local, 1, 0));
        QVERIFY(cancelled);
        QCOMPARE(engine->ftpGetLastError(), int(ftpErrCancelled));
        QVERIFY(QFileInfo(local).size() < bigSize);
        QVERIFY(!engine->busy());
        // The session goes on.
        QCOMPARE(engine->getCurrentDirectory(), QStringLiteral("/"));
        CFtpFiles files;
        QVERIFY2(engine->enumFiles(files), qPrintable(engine->getFtpErrorDescription()));
        QVERIFY(files.count() > 3);
    }
}

void TestFtpEngine::cancelUpload()
{
    auto engine = connected(true);
    QVERIFY(engine);
    bool cancelled = false;
    connect(engine.get(), &CFtpConnection::uploadProgress, this, [&](qint64 bytes) {
        if (bytes > (1 << 20) && !cancelled)
            cancelled = engine->cancelTransfer();
    });
    QVERIFY(!engine->uploadFile(m_server->root() + QStringLiteral("/big.bin"),
                                uploadName(QStringLiteral("cancelled-up.bin")), 1));
    QVERIFY(cancelled);
    QCOMPARE(engine->ftpGetLastError(), int(ftpErrCancelled));
    QVERIFY(QFileInfo(serverPath(QStringLiteral("cancelled-up.bin"))).size() < bigSize);
    QCOMPARE(engine->getCurrentDirectory(), QStringLiteral("/"));
}

void TestFtpEngine::missingFile()
{
    auto engine = connected(true);
    QVERIFY(engine);
    const QString local = m_local.filePath(QStringLiteral("keep.txt"));
    QFile keep(local);
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.write("precious");
    keep.close();
    QVERIFY(!engine->downloadFile(QStringLiteral("no such file"), local, 1, 0));
    QCOMPARE(engine->ftpGetLastError(), int(ftpErrFileUnavailable));
    QCOMPARE(QFileInfo(local).size(), 8); // nothing lost on a refused download
    QVERIFY(!engine->uploadFile(m_local.filePath(QStringLiteral("absent")),
                                uploadName(QStringLiteral("x")), 1));
    QCOMPARE(engine->ftpGetLastError(), int(ftpErrLocalFile));
    // A local folder cannot take a download.
    QVERIFY(!engine->downloadFile(QStringLiteral("f4096.bin"), m_local.path(), 1, 0));
    QCOMPARE(engine->ftpGetLastError(), int(ftpErrLocalFile));
    // A full disk fails the download, whether the small file sat in a buffer or not.
    for (const QString &name : {QStringLiteral("f4096.bin"), QStringLiteral("big.bin")}) {
        QVERIFY(!engine->downloadFile(name, QStringLiteral("/dev/full"), 1, 0));
        QCOMPARE(engine->ftpGetLastError(), int(ftpErrLocalFile));
        QVERIFY2(engine->getFtpErrorDescription().contains(QLatin1String("/dev/full")),
                 qPrintable(engine->getFtpErrorDescription()));
    }
    QCOMPARE(engine->getCurrentDirectory(), QStringLiteral("/"));
}

void TestFtpEngine::refusals()
{
    auto engine = connected(true);
    QVERIFY(engine);
    // A line end inside an argument would inject a command: refused, nothing sent.
    QString log;
    connect(engine.get(), &CFtpConnection::replyMessage, this,
            [&](const QString &text) { log += text; });
    QVERIFY(!engine->deleteFile(QStringLiteral("a\r\nDELE my file.txt")));
    QCOMPARE(engine->ftpGetLastError(), int(ftpErrSyntaxArguments));
    QVERIFY(!engine->createDirectory(QStringLiteral("a\nb")));
    QVERIFY(!engine->renameFile(QString(QChar(0)), QStringLiteral("my file.txt")));
    QVERIFY(log.isEmpty());
    QVERIFY(QFile::exists(m_server->root() + QStringLiteral("/my file.txt")));

    // During a transfer: other operations and QUIT are refused, the transfer goes on.
    bool tried = false;
    bool listResult = true;
    int listCode = 0;
    bool closeResult = true;
    int closeCode = 0;
    connect(engine.get(), &CFtpConnection::downloadProgress, this, [&] {
        if (tried)
            return;
        tried = true;
        CFtpFiles files;
        listResult = engine->enumFiles(files);
        listCode = engine->ftpGetLastError();
        closeResult = engine->closeConnection();
        closeCode = engine->ftpGetLastError();
    });
    const QString local = m_local.filePath(QStringLiteral("during.bin"));
    QVERIFY(engine->downloadFile(QStringLiteral("big.bin"), local, 1, 0));
    QVERIFY(tried);
    QVERIFY(!listResult);
    QCOMPARE(listCode, int(ftpErrOperationInProgress));
    QVERIFY(!closeResult);
    QCOMPARE(closeCode, int(ftpErrTransferInProgress));
    QCOMPARE(fileSha256(local), m_sha.value(QStringLiteral("big.bin")));
    QVERIFY(engine->closeConnection());
    // After the close a command finds the connection gone (the window reconnects on it).
    QVERIFY(!engine->setCurrentDirectory(QStringLiteral("/")));
    QCOMPARE(engine->ftpGetLastError(), int(ftpErrWrongState));
}

void TestFtpEngine::dosListing()
{
    if (m_isVsftpd)
        QSKIP("the DOS form comes from the pyftpdlib fixture");
    PyFtpServer dos({QStringLiteral("--dos")});
    QVERIFY2(dos.start(), qPrintable(dos.errorText()));
    QDir(dos.root()).mkdir(QStringLiteral("My Docs"));
    writeRandomFile(dos.root() + QStringLiteral("/file  name.txt"), 1234);
    QFile sparse(dos.root() + QStringLiteral("/huge.iso"));
    QVERIFY(sparse.open(QIODevice::WriteOnly));
    QVERIFY(sparse.resize(5000000000LL));
    sparse.close();
    CFtpConnection engine;
    engine.setFtpServer(dos.address());
    engine.setPassiveMode(true);
    QVERIFY(engine.connectToServer());
    CFtpFiles files;
    QVERIFY(engine.enumFiles(files));
    QCOMPARE(files.count(), 3);
    QHash<QString, CFtpFile> byName;
    for (const CFtpFile &file : files)
        byName.insert(file.filename, file);
    QVERIFY(byName.value(QStringLiteral("My Docs")).isDirectory);
    QCOMPARE(byName.value(QStringLiteral("file  name.txt")).fileSize, 1234);
    QCOMPARE(byName.value(QStringLiteral("huge.iso")).fileSize, 5000000000LL);
    QCOMPARE(byName.value(QStringLiteral("huge.iso")).lastWriteTime.date(), QDate::currentDate());
}

void TestFtpEngine::throttledCancel()
{
    if (m_isVsftpd)
        QSKIP("throttling comes from the pyftpdlib fixture");
    PyFtpServer slow({QStringLiteral("--throttle"), QStringLiteral("262144")});
    QVERIFY2(slow.start(), qPrintable(slow.errorText()));
    writeRandomFile(slow.root() + QStringLiteral("/slow.bin"), 4 << 20);
    CFtpConnection engine;
    engine.setFtpServer(slow.address());
    engine.setPassiveMode(true);
    QVERIFY(engine.connectToServer());
    QList<int> states;
    connect(&engine, &CFtpConnection::stateChanged, this, [&](int s) { states << s; });
    // Stop is pressed while the slow transfer runs.
    QTimer::singleShot(300, this, [&] { QVERIFY(engine.cancelTransfer()); });
    QElapsedTimer clock;
    clock.start();
    const QString local = m_local.filePath(QStringLiteral("slow.bin"));
    QVERIFY(!engine.downloadFile(QStringLiteral("slow.bin"), local, 1, 0));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrCancelled));
    QVERIFY(!states.contains(CFtpConnection::TransferCompleted));
    QVERIFY(QFileInfo(local).size() < (4 << 20));
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(engine.getCurrentDirectory(), QStringLiteral("/"));
}

void TestFtpEngine::tooManyConnections()
{
    if (m_isVsftpd)
        QSKIP("the connection limit comes from the pyftpdlib fixture");
    // pyftpdlib counts its listening socket too: two means one client.
    PyFtpServer single({QStringLiteral("--max-cons"), QStringLiteral("2")});
    QVERIFY2(single.start(), qPrintable(single.errorText()));
    CFtpConnection first;
    first.setFtpServer(single.address());
    QVERIFY(first.connectToServer());
    CFtpConnection second;
    second.setFtpServer(single.address());
    QVERIFY(!second.connectToServer());
    QCOMPARE(second.ftpGetLastError(), int(ftpErrServiceNotAvailable));
}

QTEST_GUILESS_MAIN(TestFtpEngine)
#include "tst_ftpengine.moc"
