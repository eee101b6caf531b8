#include "FtpTestServers.h"
#include "diskfull.h"
#include "kb/frmmain.h"
#include "scriptedprompter.h"
#include "testsupport.h"
#include "tools/ftp/CFtpConnection.h"
#include "tools/ftp/FrmFTP.h"
#include "tools/ftp/frmConnect.h"
#include "tools/telnet/frmTelnet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <functional>
#include <utility>

namespace {

// Answers the connect dialog with a user login to `address`.
void scriptLogin(const QString &address, const QString &user = QStringLiteral("tester"),
                 const QString &password = QStringLiteral("secret"))
{
    frmConnect::setModalRunner([=](frmConnect &dialog) {
        dialog.txtURL->setEditText(address);
        dialog.chkAnonym->click();
        dialog.txtUserName->setEditText(user);
        dialog.txtPassword->setText(password);
        dialog.cmdOK->click();
    });
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// Counts save boxes that leave the replace question to the caller, and can run a real
// nested event loop inside a message box, as a modal box does.
class TestPrompter : public ScriptedPrompter
{
public:
    int saveWithoutReplaceQuestion = 0;
    std::function<void()> duringNextBox;

    std::optional<QString> saveFileNameNoReplaceQuestion(const QString &title,
                                                         const QString &fileName,
                                                         const QString &filter,
                                                         QString *chosenFilter = nullptr) override
    {
        ++saveWithoutReplaceQuestion;
        return saveFileName(title, fileName, filter, chosenFilter);
    }
    QString messageBox(const QString &prompt, int icon, int buttonSet,
                       const QString &title) override
    {
        if (duringNextBox) {
            const std::function<void()> action = std::exchange(duringNextBox, nullptr);
            QEventLoop loop;
            QTimer::singleShot(0, &loop, action);
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return ScriptedPrompter::messageBox(prompt, icon, buttonSet, title);
    }
};

// A server that lists a Latin-1 file name and folder, cuts downloads short after 64 KiB
// while announcing 1 MiB, or keeps sending until ABOR.
struct LatinPeer
{
    ScriptedPeer peer;
    bool cutDownloads = true;
    QTimer dribble;

    LatinPeer()
    {
        QObject::connect(&dribble, &QTimer::timeout, &peer, [this] {
            if (peer.dataSocket)
                peer.dataSocket->write(QByteArray(2000, 'd'));
        });
        peer.answer = [this](const QByteArray &line) -> QByteArray {
            if (line.startsWith("USER"))
                return "230 in\r\n";
            if (line.startsWith("PWD"))
                return "257 \"/\"\r\n";
            if (line.startsWith("TYPE") || line == "NOOP")
                return "200 ok\r\n";
            if (line == "PASV")
                return peer.pasvReply();
            if (line.startsWith("SIZE"))
                return "213 1048576\r\n";
            if (line.startsWith("CWD") || line.startsWith("DELE"))
                return "250 ok\r\n";
            if (line == "LIST") {
                QTimer::singleShot(20, &peer, [this] {
                    peer.dataSocket->write("drwxr-xr-x 1 o g 0 Jan 1 2001 d\xe9j\xe0\r\n"
                                           "-rw-r--r-- 1 o g 1048576 Jan 1 2001 caf\xe9\r\n");
                    peer.dataSocket->disconnectFromHost();
                    QTimer::singleShot(20, &peer, [this] { peer.send("226 done\r\n"); });
                });
                return "150 listing\r\n";
            }
            if (line.startsWith("RETR")) {
                if (!cutDownloads) {
                    QTimer::singleShot(20, &peer, [this] { dribble.start(20); });
                    return "150 sending\r\n";
                }
                QTimer::singleShot(20, &peer, [this] {
                    peer.dataSocket->write(QByteArray(65536, 'c'));
                    peer.dataSocket->disconnectFromHost();
                    QTimer::singleShot(20, &peer, [this] { peer.send("226 done\r\n"); });
                });
                return "150 sending\r\n";
            }
            if (line == "ABOR") {
                dribble.stop();
                return "226 aborted\r\n";
            }
            return QByteArray();
        };
    }
};

} // namespace

class TestFtpWindow : public QObject
{
    Q_OBJECT

private:
    PyFtpServer m_server;
    QByteArray m_bigSha;
    std::unique_ptr<TestSupport::TempDataRoot> m_root;
    std::unique_ptr<FrmMain> m_main;
    FrmFTP *m_ftp = nullptr;

    FrmFTP *openWindow()
    {
        m_root = std::make_unique<TestSupport::TempDataRoot>();
        m_main = std::make_unique<FrmMain>();
        m_main->MDIForm_Load();
        m_main->show();
        m_main->TBTool_ButtonClick(QStringLiteral("FTP"));
        m_ftp = dynamic_cast<FrmFTP *>(m_main->toolWindow(QStringLiteral("FTP")));
        return m_ftp;
    }

    bool connectWindow()
    {
        scriptLogin(m_server.address());
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
        return m_ftp->node(QStringLiteral("/")) != nullptr;
    }

    void selectFile(const QString &name)
    {
        QTreeWidgetItem *item = m_ftp->listItem(name);
        QVERIFY2(item, qPrintable(name));
        m_ftp->lvListView->clearSelection();
        item->setSelected(true);
    }

private slots:
    void initTestCase()
    {
        FrmMain::setToolWindowFactory(QStringLiteral("FTP"),
                                      [](FrmMain *main) { return new FrmFTP(main); });
        const QDir root(m_server.root());
        QVERIFY(root.mkpath(QStringLiteral("pub/linux")));
        QVERIFY(root.mkpath(QStringLiteral("docs")));
        QVERIFY(writeFile(root.filePath(QStringLiteral("readme.txt")), "hello\r\n"));
        m_bigSha = writeRandomFile(root.filePath(QStringLiteral("my file.bin")), 1234567);
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    }

    void cleanup()
    {
        frmConnect::setModalRunner(nullptr);
        m_main.reset();
        m_root.reset();
        m_ftp = nullptr;
    }

    void cleanupTestCase() { FrmMain::setToolWindowFactory(QStringLiteral("FTP"), nullptr); }

    void connectShowsTreeListAndLog()
    {
        ScriptedPrompter prompter;
        QVERIFY(openWindow());
        QVERIFY(connectWindow());
        QCOMPARE(prompter.calls().size(), 0);
        QTreeWidgetItem *root = m_ftp->node(QStringLiteral("/"));
        QCOMPARE(root->text(0), QStringLiteral("/"));
        QCOMPARE(m_ftp->tvTreeView->currentItem(), root);
        QVERIFY(m_ftp->node(QStringLiteral("/pub/")));
        QVERIFY(m_ftp->node(QStringLiteral("/docs/")));
        QCOMPARE(m_ftp->Label1->text(), m_server.address());

        // Files only in the list, folders only in the tree; names with blanks whole.
        QCOMPARE(m_ftp->lvListView->topLevelItemCount(), 2);
        QTreeWidgetItem *big = m_ftp->listItem(QStringLiteral("my file.bin"));
        QVERIFY(big);
        QCOMPARE(big->text(1), QStringLiteral("1,234,567"));
        QVERIFY(!big->text(2).isEmpty() && !big->text(2).contains(QLatin1Char(':'))); // no time
        QVERIFY(m_ftp->listItem(QStringLiteral("readme.txt")));
        QVERIFY(!m_ftp->listItem(QStringLiteral("pub")));

        const QString log = m_ftp->txtMessages->toPlainText();
        QVERIFY(log.contains(QLatin1String("USER tester")));
        QVERIFY(log.contains(QLatin1String("PASS **********")));
        QVERIFY(!log.contains(QLatin1String("secret")));
        QVERIFY(log.contains(QLatin1String("LIST")) || log.contains(QLatin1String("NLST")));
        QCOMPARE(m_ftp->sbStatusBar->text(), QStringLiteral("Directory listing completed."));

        // Into /pub: its child appears, the list empties; listing again adds no duplicates.
        m_ftp->tvTreeView_NodeClick(m_ftp->node(QStringLiteral("/pub/")));
        QVERIFY(m_ftp->node(QStringLiteral("/pub/linux/")));
        QCOMPARE(m_ftp->lvListView->topLevelItemCount(), 0);
        m_ftp->tvTreeView_NodeClick(m_ftp->node(QStringLiteral("/pub/")));
        QCOMPARE(m_ftp->node(QStringLiteral("/pub/"))->childCount(), 1);

        // Refresh drops a folder deleted on the server.
        QVERIFY(QDir(m_server.root()).rmdir(QStringLiteral("pub/linux")));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Refresh"));
        QVERIFY(!m_ftp->node(QStringLiteral("/pub/linux/")));
        QVERIFY(QDir(m_server.root()).mkpath(QStringLiteral("pub/linux")));

        // Up goes to the parent by the node's full path, "//" and all, then to the root; Up at
        // the root lists the root again.
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Refresh"));
        m_ftp->tvTreeView_NodeClick(m_ftp->node(QStringLiteral("/pub/linux/")));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("UpLevel"));
        QVERIFY(m_ftp->txtMessages->toPlainText().contains(QLatin1String("CWD //pub\n250")));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("UpLevel"));
        QCOMPARE(m_ftp->tvTreeView->currentItem(), root);
        QCOMPARE(m_ftp->lvListView->topLevelItemCount(), 2);
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("UpLevel"));
        QCOMPARE(m_ftp->lvListView->topLevelItemCount(), 2);

        // The connect dialog closed by its frame is a cancel: the session's tree and list stay.
        frmConnect::setModalRunner([](frmConnect &dialog) { dialog.close(); });
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
        QVERIFY(m_ftp->tvTreeView->currentItem() == root && m_ftp->listItem("readme.txt"));

        // Stop closes the connection and empties the window, its status strip included.
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Stop"));
        QCOMPARE(m_ftp->tvTreeView->topLevelItemCount(), 0);
        QCOMPARE(m_ftp->lvListView->topLevelItemCount(), 0);
        QVERIFY(m_ftp->sbStatusBar->text().isEmpty());
        QVERIFY(m_ftp->Label1->text().isEmpty());

        // A failed connect after a good one leaves no old server name or state, and the
        // failure is in the log.
        QVERIFY(connectWindow());
        scriptLogin(QStringLiteral("127.0.0.1:%1").arg(freeLocalPort()));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
        QVERIFY(m_ftp->Label1->text().isEmpty());
        QVERIFY(m_ftp->sbStatusBar->text().isEmpty());
        QVERIFY(m_ftp->txtMessages->toPlainText().contains(
            QStringLiteral("Error %1: ").arg(m_ftp->connection()->ftpGetLastError())));
    }

    void downloadAndUpload()
    {
        TestPrompter prompter;
        QTemporaryDir local;
        QVERIFY(openWindow());
        QVERIFY(connectWindow());

        // Download with nothing selected: a notice, no dialog.
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().first().kind, QStringLiteral("messageBox"));
        QCOMPARE(prompter.calls().first().title, QStringLiteral("FAILED"));
        prompter.clear();

        // After a refused click on a folder gone from the server, the listed files download.
        QVERIFY(QDir(m_server.root()).rmdir(QStringLiteral("docs")));
        m_ftp->tvTreeView_NodeClick(m_ftp->node(QStringLiteral("/docs/")));
        QVERIFY(QDir(m_server.root()).mkdir(QStringLiteral("docs")));
        const QString target = local.filePath(QStringLiteral("copy of my file.bin"));
        selectFile(QStringLiteral("my file.bin"));
        prompter.answer(target);
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().first().kind, QStringLiteral("save"));
        QCOMPARE(prompter.saveWithoutReplaceQuestion, 1); // the program asks, not the box
        QCOMPARE(fileSha256(target), m_bigSha);
        QCOMPARE(m_ftp->sbStatusBar->text(), QStringLiteral("Transfer completed."));
        QVERIFY(m_ftp->txtMessages->toPlainText().contains(QLatin1String("RETR my file.bin")));
        prompter.clear();

        // A shorter local file: the append question; Yes resumes to the same bytes.
        QFile::resize(target, 1000);
        prompter.answer(target);
        prompter.answer(QStringLiteral("Yes"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QCOMPARE(prompter.calls().size(), 2);
        QCOMPARE(prompter.calls().at(1).title, QStringLiteral("EXISTED FILE FOUND!"));
        QCOMPARE(prompter.calls().at(1).buttonSet, 5);
        QVERIFY(
            prompter.calls().at(1).prompt.contains(QLatin1String("Size of local file  - 1000")));
        QCOMPARE(fileSha256(target), m_bigSha);
        QVERIFY(m_ftp->txtMessages->toPlainText().contains(QLatin1String("REST 1000")));
        prompter.clear();

        // An existing file as long as the remote one: "Yes" cancels and keeps it untouched.
        const QByteArray keep(1234567, 'k');
        QVERIFY(writeFile(target, keep));
        prompter.answer(target);
        prompter.answer(QStringLiteral("Yes"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QCOMPARE(prompter.calls().size(), 2);
        QCOMPARE(prompter.calls().at(1).title, QStringLiteral("FILE ALREADY EXISTED!"));
        QCOMPARE(prompter.calls().at(1).buttonSet, 1);
        QVERIFY(prompter.calls().at(1).prompt.endsWith(
            QLatin1String("\r\n\r\nDo you want to cancel download?")));
        QCOMPARE(readAll(target), keep);
        prompter.clear();
        // ... and "No" downloads from 0, replacing it whole, no partial file beside it.
        prompter.answer(target);
        prompter.answer(QStringLiteral("No"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QCOMPARE(fileSha256(target), m_bigSha);
        QCOMPARE(QDir(local.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        prompter.clear();

        // A folder as target counts as no file: no question; the failure is reported.
        prompter.answer(local.path());
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QCOMPARE(prompter.calls().size(), 2);
        QCOMPARE(prompter.calls().at(1).title, QStringLiteral("ERROR"));
        QCOMPARE(prompter.calls().at(1).icon, 103);
        prompter.clear();

        // After Stop and Connect, a session in ASCII again, an upload of a name with blanks
        // that is not listed: no question, equal bytes served.
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Stop"));
        QVERIFY(connectWindow());
        const QString source = local.filePath(QStringLiteral("up load.bin"));
        const QByteArray upSha = writeRandomFile(source, 300000, 7);
        prompter.answer(source);
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Upload"));
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().first().kind, QStringLiteral("open"));
        QCOMPARE(fileSha256(QDir(m_server.root()).filePath(QStringLiteral("up load.bin"))), upSha);
        QVERIFY(m_ftp->listItem(QStringLiteral("up load.bin"))); // re-listed
        QVERIFY(m_ftp->txtMessages->toPlainText().contains(QLatin1String("STOR")));
        prompter.clear();

        // The served copy cut short and the link dropped; a folder click connects again. A
        // longer local file offers to append; Yes resumes.
        QFile::resize(QDir(m_server.root()).filePath(QStringLiteral("up load.bin")), 5000);
        m_ftp->connection()->breakConnection();
        m_ftp->tvTreeView_NodeClick(m_ftp->node(QStringLiteral("/")));
        prompter.answer(source);
        prompter.answer(QStringLiteral("Yes"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Upload"));
        QCOMPARE(prompter.calls().size(), 2);
        // Asked in the plain box, Yes, No and Cancel.
        QCOMPARE(prompter.calls().at(1).kind, QStringLiteral("plain"));
        QCOMPARE(prompter.calls().at(1).buttonSet, 5);
        QCOMPARE(prompter.calls().at(1).title, QStringLiteral("File already exists"));
        QVERIFY(prompter.calls().at(1).prompt.contains(QLatin1String("remote file - 5,000 bytes")));
        QCOMPARE(fileSha256(QDir(m_server.root()).filePath(QStringLiteral("up load.bin"))), upSha);
        QFile::remove(QDir(m_server.root()).filePath(QStringLiteral("up load.bin")));

        // A full disk while replacing a file: the system's reason, naming the user's file.
        SmallDisk small(512 << 10);
        if (!small.isMounted())
            QSKIP("a disk of its own takes root");
        const QString full = small.path() + QStringLiteral("/full.bin");
        QVERIFY(writeFile(full, "older"));
        prompter.answer(full);
        prompter.answer(QStringLiteral("No")); // a new file, not an append
        selectFile(QStringLiteral("my file.bin"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QCOMPARE(prompter.calls().last().prompt,
                 QStringLiteral("Error: 62\r\n\r\n%1: No space left on device").arg(full));
    }

    void stopDuringTransfer()
    {
        // A slow server, so that the transfer is still running when Stop comes.
        PyFtpServer slow({QStringLiteral("--throttle"), QStringLiteral("100000")});
        const QDir root(slow.root());
        const QByteArray sha = writeRandomFile(root.filePath(QStringLiteral("slow.bin")), 1000000);
        QVERIFY2(slow.start(), qPrintable(slow.errorText()));
        ScriptedPrompter prompter;
        QTemporaryDir local;
        QVERIFY(openWindow());
        scriptLogin(slow.address());
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
        QVERIFY(m_ftp->node(QStringLiteral("/")));
        m_ftp->tvTreeView->setCurrentItem(m_ftp->node(QStringLiteral("/")));

        // The user's older copy must survive a replacement that does not finish.
        const QString target = local.filePath(QStringLiteral("slow.bin"));
        const QByteArray older(1000000, 'o');
        QVERIFY(writeFile(target, older));
        selectFile(QStringLiteral("slow.bin"));
        prompter.answer(target);
        prompter.answer(QStringLiteral("No"));  // do not cancel: replace
        prompter.answer(QStringLiteral("Yes")); // cancel the transfer
        int refusedWhileBusy = -1;
        QTreeWidgetItem *pub = m_ftp->node(QStringLiteral("/"));
        QTimer::singleShot(800, m_ftp, [&] {
            const qsizetype before = prompter.calls().size();
            m_ftp->tbToolBar_ButtonClick(QStringLiteral("Upload")); // ignored while busy
            m_ftp->tvTreeView_NodeClick(nullptr);
            m_ftp->tvTreeView_NodeClick(pub);
            refusedWhileBusy = int(prompter.calls().size() - before);
            QVERIFY(m_ftp->sbStatusBar->text().startsWith(QLatin1String("Downloading slow.bin (")));
            m_ftp->tbToolBar_ButtonClick(QStringLiteral("Stop"));
        });
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QCOMPARE(refusedWhileBusy, 0);
        QCOMPARE(prompter.calls().size(), 4);
        QCOMPARE(prompter.calls().at(2).title, QStringLiteral("ARE YOU SURE?"));
        QCOMPARE(prompter.calls().at(3).title, QStringLiteral("ERROR"));
        QVERIFY(prompter.calls().at(3).prompt.startsWith(QLatin1String("Error: 63")));
        QCOMPARE(readAll(target), older);
        QCOMPARE(QDir(local.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QVERIFY(fileSha256(target) != sha);

        // Exit while a transfer runs: the window goes once the transfer has unwound.
        prompter.clear();
        QFile::remove(target);
        prompter.answer(target);
        QPointer<FrmFTP> guard(m_ftp);
        QTimer::singleShot(500, m_ftp,
                           [&] { m_ftp->tbToolBar_ButtonClick(QStringLiteral("Exit")); });
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QVERIFY(guard); // still on the stack here
        QTRY_VERIFY(!guard);
    }

    void uploadEndsWhileAsked()
    {
        // Stop is clicked as the data flows, and the server confirms the whole file while the
        // question is open: "Yes" then stops nothing, and the upload is reported done.
        PyFtpServer slow({QStringLiteral("--throttle"), QStringLiteral("100000")});
        QVERIFY2(slow.start(), qPrintable(slow.errorText()));
        QTemporaryDir local;
        const QString source = local.filePath(QStringLiteral("small.bin"));
        const QByteArray sha = writeRandomFile(source, 200000, 4);
        QVERIFY(openWindow());
        scriptLogin(slow.address());
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
        bool stopped = false;
        connect(m_ftp->connection(), &CFtpConnection::uploadProgress, this, [&] {
            if (!std::exchange(stopped, true))
                QTimer::singleShot(0, m_ftp,
                                   [&] { m_ftp->tbToolBar_ButtonClick(QStringLiteral("Stop")); });
        });
        bool confirmed = false;
        connect(m_ftp->connection(), &CFtpConnection::replyMessage, this, [&](const QString &text) {
            confirmed = confirmed || (stopped && text.startsWith(QLatin1String("226")));
        });
        TestPrompter prompter;
        prompter.answer(source);
        prompter.answer(QStringLiteral("Yes"));
        prompter.duringNextBox = [&] { QTRY_VERIFY_WITH_TIMEOUT(confirmed, 20000); };
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Upload"));
        QCOMPARE(prompter.calls().size(), 2); // the file box and the question, no error
        QCOMPARE(prompter.calls().at(1).title, QStringLiteral("ARE YOU SURE?"));
        QCOMPARE(fileSha256(QDir(slow.root()).filePath(QStringLiteral("small.bin"))), sha);
        QVERIFY(m_ftp->listItem(QStringLiteral("small.bin")));
    }

    void uploadToSlowReader()
    {
        // The server reads for seconds after the last byte left this process: the strip and
        // the bar show the upload, no time-out comes, and it completes with the final reply.
        PyFtpServer slow({QStringLiteral("--throttle"), QStringLiteral("300000")});
        QVERIFY2(slow.start(), qPrintable(slow.errorText()));
        QTemporaryDir local;
        const QString source = local.filePath(QStringLiteral("slow.bin"));
        const QString served = slow.root() + QStringLiteral("/slow.bin");
        writeRandomFile(source, 3000000, 3);
        QVERIFY(openWindow());
        scriptLogin(slow.address());
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
        m_ftp->connection()->setTimeout(4); // the server pauses 2 s at a time
        QString midway; // the strip and the bar once the server holds three quarters
        QTimer sample;
        connect(&sample, &QTimer::timeout, this, [&] {
            if (midway.isEmpty() && QFileInfo(served).size() > 2250000)
                midway = m_ftp->sbStatusBar->text() + QString::number(m_ftp->ProgressBar1->value());
        });
        sample.start(100);
        ScriptedPrompter prompter;
        prompter.answer(source);
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Upload"));
        QCOMPARE(QFileInfo(served).size(), 3000000);
        QVERIFY2(midway.contains(QRegularExpression(
                     QStringLiteral("^Uploading slow.bin \\(\\d+ bytes\\)[1-9]"))),
                 qPrintable(midway));
    }

    void foreignNamesAndCutDownload()
    {
        LatinPeer server;
        TestPrompter prompter;
        QTemporaryDir local;
        QVERIFY(openWindow());
        scriptLogin(server.peer.address());
        m_ftp->Check1->setChecked(true); // passive
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
        const QString cafe = QString::fromLatin1("caf\xe9");
        QVERIFY(m_ftp->listItem(cafe));
        QTreeWidgetItem *folder = m_ftp->node(QString::fromLatin1("/d\xe9j\xe0/"));
        QVERIFY(folder);

        // The server's own bytes go back for names it listed.
        selectFile(cafe);
        prompter.answer(QStringLiteral("Yes"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Delete"));
        QVERIFY(server.peer.lines.contains(QByteArray("DELE /caf\xe9")));

        // A cut download over an existing copy: failure reported, the copy untouched.
        m_ftp->tvTreeView->setCurrentItem(m_ftp->node(QStringLiteral("/")));
        selectFile(cafe);
        const QString target = local.filePath(QStringLiteral("cafe.bin"));
        const QByteArray good(1048576, 'g');
        QVERIFY(writeFile(target, good));
        prompter.clear();
        prompter.answer(target);
        prompter.answer(QStringLiteral("No")); // download from 0
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QVERIFY(server.peer.lines.contains(QByteArray("RETR caf\xe9")));
        QCOMPARE(prompter.calls().last().title, QStringLiteral("ERROR"));
        QCOMPARE(readAll(target), good);
        QCOMPARE(QDir(local.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QVERIFY(m_ftp->txtMessages->toPlainText().contains(QLatin1String("Error 43: ")));

        m_ftp->tvTreeView_NodeClick(folder);
        QVERIFY(server.peer.lines.contains(QByteArray("CWD /d\xe9j\xe0")));
    }

    void closeDuringDownload()
    {
        // Exit while the data flows: the transfer is cancelled, no question is left behind,
        // and the window goes once the download has unwound.
        {
            LatinPeer server;
            server.cutDownloads = false;
            TestPrompter prompter;
            QTemporaryDir local;
            QVERIFY(openWindow());
            scriptLogin(server.peer.address());
            m_ftp->Check1->setChecked(true); // passive
            m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
            selectFile(QString::fromLatin1("caf\xe9"));
            prompter.answer(local.filePath(QStringLiteral("f")));
            QPointer<FrmFTP> guard(m_ftp);
            bool closed = false;
            connect(m_ftp->connection(), &CFtpConnection::downloadProgress, this, [&] {
                if (!std::exchange(closed, true))
                    m_ftp->tbToolBar_ButtonClick(QStringLiteral("Exit"));
            });
            m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
            QVERIFY(closed);
            QVERIFY(guard);                       // still on the stack here
            QCOMPARE(prompter.calls().size(), 1); // the save box only
            QVERIFY(server.peer.lines.contains("ABOR"));
            QTRY_VERIFY(!guard);
            m_ftp = nullptr;
            m_main.reset();
        }
        // The main window closes every tool window while the error box of a failed download
        // is open (a nested modal loop): nothing is deleted under it, and the window goes
        // after the box and the download are done.
        LatinPeer server;
        TestPrompter prompter;
        QTemporaryDir local;
        QVERIFY(openWindow());
        scriptLogin(server.peer.address());
        m_ftp->Check1->setChecked(true); // passive
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
        selectFile(QString::fromLatin1("caf\xe9"));
        prompter.answer(local.filePath(QStringLiteral("f")));
        QPointer<FrmFTP> guard(m_ftp);
        bool aliveAfterClose = false;
        prompter.duringNextBox = [&] {
            m_main->SSTabTop_Click(0);
            QTimer::singleShot(150, [&] { aliveAfterClose = bool(guard); });
        };
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Download"));
        QVERIFY(aliveAfterClose);
        QVERIFY(guard);
        QTRY_VERIFY(!guard);
        QCOMPARE(server.peer.lines.count(QByteArray("USER tester")), 1); // no reconnect
        // The database tabs the user went to stay shown.
        QVERIFY(m_main->SSTabMain->isVisible());
        QVERIFY(m_main->PanelLeft->isVisible());
        m_ftp = nullptr;
    }

    void fileCommands()
    {
        ScriptedPrompter prompter;
        QVERIFY(openWindow());
        QVERIFY(connectWindow());
        const QDir served(m_server.root());
        QVERIFY(writeFile(served.filePath(QStringLiteral("old name.txt")), "x"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Refresh"));

        // Delete and rename with no file selected: a notice, no engine call.
        m_ftp->lvListView->clearSelection();
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Delete"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Rename"));
        QCOMPARE(prompter.calls().size(), 2);
        QCOMPARE(prompter.calls().at(0).title, QStringLiteral("FAILED"));
        QCOMPARE(prompter.calls().at(1).title, QStringLiteral("RENAME"));
        prompter.clear();

        selectFile(QStringLiteral("old name.txt"));
        prompter.answer(QStringLiteral("new name.txt"));
        prompter.answer(QStringLiteral("Yes"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Rename"));
        QVERIFY(served.exists(QStringLiteral("new name.txt")));
        QVERIFY(m_ftp->listItem(QStringLiteral("new name.txt")));

        selectFile(QStringLiteral("new name.txt"));
        prompter.answer(QStringLiteral("Yes"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Delete"));
        QCOMPARE(prompter.calls().last().prompt,
                 QStringLiteral("Do you really want to delete file /new name.txt?"));
        QVERIFY(!served.exists(QStringLiteral("new name.txt")));
        QVERIFY(!m_ftp->listItem(QStringLiteral("new name.txt")));

        prompter.answer(QStringLiteral("new folder"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("CreateDirectory"));
        QVERIFY(served.exists(QStringLiteral("new folder")));
        QVERIFY(m_ftp->node(QStringLiteral("/new folder/")));
        QVERIFY(served.rmdir(QStringLiteral("new folder")));
        prompter.clear();

        // A failing delete shows the server's reply.
        QVERIFY(writeFile(served.filePath(QStringLiteral("gone.txt")), "x"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Refresh"));
        selectFile(QStringLiteral("gone.txt"));
        QVERIFY(QFile::remove(served.filePath(QStringLiteral("gone.txt"))));
        prompter.answer(QStringLiteral("Yes"));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Delete"));
        QCOMPARE(prompter.calls().last().title, QStringLiteral("Can't delete file"));
        QVERIFY(prompter.calls().last().prompt.contains(QLatin1String("550")));
    }

    void refusedPortIsLoggedWithoutABox()
    {
        ScriptedPrompter prompter;
        QVERIFY(openWindow());
        scriptLogin(QStringLiteral("127.0.0.1:%1").arg(freeLocalPort()));
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
        QCOMPARE(prompter.calls().size(), 0);
        // The log pane names the engine's error; nothing is listed.
        QVERIFY(m_ftp->txtMessages->toPlainText().endsWith(
            QStringLiteral("Error %1: %2")
                .arg(m_ftp->connection()->ftpGetLastError())
                .arg(m_ftp->connection()->getFtpErrorDescription())));
        QVERIFY(m_ftp->connection()->ftpGetLastError() != 0);
        QCOMPARE(m_ftp->tvTreeView->topLevelItemCount(), 0);
        QCOMPARE(m_ftp->Label1->text(), QString());

        // A cancelled dialog does nothing at all.
        prompter.clear();
        frmConnect::setModalRunner([](frmConnect &dialog) { dialog.cmdCancel->click(); });
        m_ftp->tbToolBar_ButtonClick(QStringLiteral("Connect"));
        QCOMPARE(prompter.calls().size(), 0);
        QVERIFY(m_ftp->txtMessages->toPlainText().isEmpty() ||
                !m_ftp->txtMessages->toPlainText().contains(QLatin1String("USER")));
    }

    void dockingFollowsActivation()
    {
        ScriptedPrompter prompter;
        FrmFTP *ftp = openWindow();
        QVERIFY(ftp);
        FrmMain &main = *m_main;
        // Drags the bar between list and log by the mouse to a left edge; where it lands.
        const auto dropBar = [&ftp](int left) {
            QSplitterHandle *bar = ftp->picSlider->handle(1);
            const QPoint grip(1, bar->height() / 2), drop = grip + QPoint(left - bar->x(), 0);
            QTest::mousePress(bar, Qt::LeftButton, {}, grip);
            QTest::mouseMove(bar, drop);
            QTest::mouseRelease(bar, Qt::LeftButton, {}, drop);
            return bar->x();
        };
        QCOMPARE(ftp->tbToolBar->parentWidget(), main.PanelHolder);
        QCOMPARE(ftp->tvTreeView->parentWidget(), main.PanelLeft);
        QVERIFY(main.SSTabMain->isHidden());
        QVERIFY(ftp->isDocked());

        // Another child becomes active: the parts go home; back to the FTP window: docked.
        QMdiSubWindow *other = main.mdiArea()->addSubWindow(new QLabel(QStringLiteral("other")));
        other->show();
        main.mdiArea()->setActiveSubWindow(other);
        QVERIFY(!ftp->isDocked());
        QVERIFY(ftp->isAncestorOf(ftp->tbToolBar));
        QVERIFY(ftp->isAncestorOf(ftp->tvTreeView));
        main.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(ftp->parentWidget()));
        QVERIFY(ftp->isDocked());
        QCOMPARE(ftp->tbToolBar->parentWidget(), main.PanelHolder);

        // The main window's sweep takes everything back and hides the child.
        main.ReleaseToolParents();
        QVERIFY(!ftp->isDocked());
        QVERIFY(ftp->isAncestorOf(ftp->tbToolBar));
        QVERIFY(ftp->isAncestorOf(ftp->tvTreeView));

        // The toolbar button again: one window, docked again.
        // The button closes every child first, this window too, and makes a new one.
        QPointer<FrmFTP> first(ftp);
        main.TBTool_ButtonClick(QStringLiteral("FTP"));
        ftp = dynamic_cast<FrmFTP *>(main.toolWindow(QStringLiteral("FTP")));
        QVERIFY(ftp);
        QTRY_VERIFY(!first);
        QCOMPARE(main.toolWindow(QStringLiteral("FTP")), ftp);
        QVERIFY(ftp->isVisible());
        QVERIFY(ftp->isDocked());
        QCOMPARE(ftp->tvTreeView->parentWidget(), main.PanelLeft);
        QCOMPARE(main.mdiArea()->subWindowList().size(), 1);
        {
            QPointer<FrmFTP> g(ftp);
            QTest::qWait(50);
            qWarning() << "ALIVE after second click" << bool(g);
            QVERIFY(g);
        }

        // The bar between list and log stops 300 twips from either side; a resize that leaves
        // it closer puts it in the middle; below 1,200 twips (80 pixels) either way nothing
        // is laid out.
        QSplitter *slider = ftp->picSlider;
        QCOMPARE(dropBar(6), 20);
        QCOMPARE(dropBar(slider->width() - 10), slider->width() - 20);
        auto *frame = qobject_cast<QMdiSubWindow *>(ftp->parentWidget());
        frame->showNormal();
        frame->resize(700, 500);
        QCOMPARE(dropBar(slider->width() - 25), slider->width() - 25);
        frame->resize(500, 500);
        QCOMPARE(slider->handle(1)->x(), slider->width() / 2);
        const QRect laidOut = slider->geometry();
        frame->resize(frame->width() - ftp->width() + 79, 500);
        QVERIFY(ftp->width() == 79 && slider->geometry() == laidOut);

        // Exit closes the window and hides the left panel it used.
        QPointer<FrmFTP> guard(ftp);
        ftp->tbToolBar_ButtonClick(QStringLiteral("Exit"));
        QTRY_VERIFY(!guard);
        QVERIFY(main.PanelLeft->isHidden());
    }

    void dockingBesideTelnet()
    {
        // FTP, then telnet, tiled; a click on the FTP window: its tree must show in the left
        // panel, whichever tool hears of the activation last.
        ScriptedPrompter prompter;
        FrmMain::setToolWindowFactory(QStringLiteral("Telnet"),
                                      [](FrmMain *main) { return new frmTelnet(main); });
        m_root = std::make_unique<TestSupport::TempDataRoot>();
        m_main = std::make_unique<FrmMain>();
        FrmMain &main = *m_main;
        main.MDIForm_Load();
        main.show();
        main.mnuFTP_Click();
        main.mnuTelnet_Click();
        m_ftp = dynamic_cast<FrmFTP *>(main.toolWindow(QStringLiteral("FTP")));
        QVERIFY(m_ftp);
        QCOMPARE(main.mdiArea()->subWindowList().size(), 2);
        main.Arrange(2);
        auto *frame = qobject_cast<QMdiSubWindow *>(m_ftp->parentWidget());
        QVERIFY(frame);
        main.mdiArea()->setActiveSubWindow(frame);
        QTRY_VERIFY(main.PanelLeft->isVisible());
        QCOMPARE(m_ftp->tvTreeView->parentWidget(), main.PanelLeft);
        QVERIFY(m_ftp->tvTreeView->isVisible());
        QCOMPARE(m_ftp->tbToolBar->parentWidget(), main.PanelHolder);
        FrmMain::setToolWindowFactory(QStringLiteral("Telnet"), nullptr);
    }

    void pathNodes()
    {
        FrmFTP ftp(nullptr);
        QTreeWidgetItem *root = ftp.addPathNodes(QStringLiteral("/"));
        QCOMPARE(FrmFTP::nodeKey(root), QStringLiteral("/"));
        QCOMPARE(root->text(0), QStringLiteral("/"));
        QCOMPARE(ftp.tvTreeView->topLevelItemCount(), 1);

        FrmFTP deep(nullptr);
        QTreeWidgetItem *leaf = deep.addPathNodes(QStringLiteral("/pub/linux"));
        QCOMPARE(deep.tvTreeView->currentItem(), leaf);
        QCOMPARE(FrmFTP::nodeKey(leaf), QStringLiteral("/pub/linux/"));
        QCOMPARE(leaf->text(0), QStringLiteral("linux"));
        QCOMPARE(FrmFTP::nodeKey(leaf->parent()), QStringLiteral("/pub/"));
        QCOMPARE(FrmFTP::nodeKey(leaf->parent()->parent()), QStringLiteral("/"));
        QCOMPARE(deep.node(QStringLiteral("/pub/")), leaf->parent());
    }

    void iconsAndSizes()
    {
        QCOMPARE(FrmFTP::GetImageNumber(QStringLiteral("README")), 2);
        QCOMPARE(FrmFTP::GetImageNumber(QStringLiteral("log")), 1);
        QCOMPARE(FrmFTP::GetImageNumber(QStringLiteral("a.")), 1);
        QCOMPARE(FrmFTP::GetImageNumber(QStringLiteral("INDEX.HTML")), 1);
        QCOMPARE(FrmFTP::GetImageNumber(QStringLiteral("setup.exe")), 2);
        QCOMPARE(FrmFTP::FormatFileSize(512), QStringLiteral("512bytes"));
        QCOMPARE(FrmFTP::FormatFileSize(2048), QStringLiteral("2KB"));
        QCOMPARE(FrmFTP::FormatFileSize(5000000), QStringLiteral("4,883KB"));
    }
};

QTEST_MAIN(TestFtpWindow)
#include "tst_ftpwindow.moc"
