#include "scriptedprompter.h"
#include "shell/frmsplash.h"
#include "shell/shellglobals.h"
#include "shell/singleinstance.h"
#include "testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMainWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Machine
{
    qint64 free = FrmSplash::MinimumFreeBytes;
    bool safe = false;
    bool running = false;
    int outputs = 1;
    int instanceAsked = 0;

    SplashProbes probes()
    {
        SplashProbes p;
        p.freeBytes = [this](const QString &) { return free; };
        p.safeMode = [this] { return safe; };
        p.previousInstance = [this] {
            ++instanceAsked;
            return running;
        };
        p.audioOutputs = [this] { return outputs; };
        return p;
    }
};

const QString DiskMessage = QStringLiteral(
    "There is not enough free space in the hard disk! Marlux need at least 100MB free space.");

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void diskThreshold()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        Machine machine;
        machine.free = 104857600;
        QVERIFY(FrmSplash(machine.probes()).runChecks());
        QVERIFY(prompter.calls().isEmpty());

        machine.free = 104857599;
        QVERIFY(!FrmSplash(machine.probes()).runChecks());
        QCOMPARE(prompter.calls().size(), 1);
        const auto call = prompter.calls().constFirst();
        QCOMPARE(call.prompt, DiskMessage);
        QCOMPARE(call.icon, 103);
        QCOMPARE(call.buttonSet, 4);
        QCOMPARE(call.title, QStringLiteral("ERROR"));
    }

    void unmeasurableDiskIsNotFull()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        Machine machine;
        machine.free = -1;
        QVERIFY(FrmSplash(machine.probes()).runChecks());
        QVERIFY(prompter.calls().isEmpty());
    }

    void everyCheckRunsBeforeTheDecision()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        Machine machine;
        machine.free = 10;
        machine.safe = true;
        machine.running = true;
        SoundDevicePresent = false;
        QVERIFY(!FrmSplash(machine.probes()).runChecks());
        // Disk message first, then the safe-mode one; the running instance is still asked
        // to show itself, silently.
        QCOMPARE(prompter.calls().size(), 2);
        QCOMPARE(prompter.calls().at(0).prompt, DiskMessage);
        QCOMPARE(prompter.calls().at(1).kind, QStringLiteral("plain"));
        QCOMPARE(prompter.calls().at(1).prompt,
                 QStringLiteral("Marlux cannot run under safe mode!"));
        QCOMPARE(machine.instanceAsked, 1);
    }

    void runningInstanceEndsSilently()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        Machine machine;
        machine.running = true;
        QVERIFY(!FrmSplash(machine.probes()).runChecks());
        QVERIFY(prompter.calls().isEmpty());
    }

    void restoredWindowKeepsItsMaximisedState()
    {
        QMainWindow window;
        window.showMaximized();
        window.setWindowState(window.windowState() | Qt::WindowMinimized);
        QVERIFY(window.isMinimized());
        MainForm = &window;
        ActivateMainWindow();
        MainForm = nullptr;
        QVERIFY(!window.isMinimized());
        QVERIFY(window.isMaximized());
        QVERIFY(window.isVisible());
    }

    void soundGate()
    {
        TestSupport::TempDataRoot root;
        Machine machine;
        for (int outputs : {0, 1, 2}) {
            machine.outputs = outputs;
            SoundDevicePresent = outputs == 0;
            FrmSplash splash(machine.probes());
            QVERIFY(splash.runChecks());
            // The devices are asked for only once the main window has painted.
            QWidget window;
            splash.detectSoundDeviceOnceShown(&window);
            QCOMPARE(SoundDevicePresent, outputs == 0);
            window.show();
            // Any playback device makes the program audible, two included.
            QTRY_COMPARE(SoundDevicePresent, outputs >= 1);
        }
    }

    void artworkIsKeptAndReadBack()
    {
        QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
        const QString kept =
            QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/splash.art";
        Machine machine;
        const QImage drawn = FrmSplash(machine.probes()).grab().toImage();
        QVERIFY(QFile::exists(kept));
        const qint64 size = QFileInfo(kept).size();
        // Read back at the next start, the same picture.
        QCOMPARE(FrmSplash(machine.probes()).grab().toImage(), drawn);
        // A torn file is drawn afresh and replaced.
        QFile torn(kept);
        QVERIFY(torn.open(QIODevice::ReadWrite));
        QVERIFY(torn.resize(size / 2));
        torn.close();
        QCOMPARE(FrmSplash(machine.probes()).grab().toImage(), drawn);
        QCOMPARE(QFileInfo(kept).size(), size);
        qunsetenv("XDG_CACHE_HOME");
    }
};

QTEST_MAIN(TestStartup)
#include "shell_startup.moc"
