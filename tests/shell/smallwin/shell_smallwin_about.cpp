#include "platform/base/apppaths.h"
#include "platform/base/externalprogram.h"
#include "platform/base/settingsstore.h"
#include "platform/controls/controlhost.h"
#include "scriptedprompter.h"
#include "shell/frmabout.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("MARLUX_CONTROL_REGISTRY", m_registry.filePath("controls.ini").toUtf8());
        ControlHost::instance().setLibraryFolder(TestSupport::buildDir() + "/bin");
        QCOMPARE(ControlHost::instance().registerControls(), QString());
        SettingsStore::setInstance(&m_settings);
        // Only the programs a test makes are found: none of the machine's own starts.
        m_programs = std::make_unique<TestSupport::FakePrograms>();
    }

    void cleanupTestCase()
    {
        SettingsStore::setInstance(nullptr);
        m_programs.reset();
    }

    void showsTextsAndVersion()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("2.0.17"));
        frmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Marlux"));
        // The labels are the library's 3D labels, written through their Caption.
        QCOMPARE(about.lblVersion->metaObject()->className(), "Label3D");
        QCOMPARE(about.lblVersion->property("Caption").toString(),
                 QStringLiteral("Version 2.0.17"));
        QCOMPARE(about.lblDescription->property("ForeColor1").toUInt(), 0xFFC0C0u);
        QCOMPARE(about.lblDescription->property("Alignment").toInt(), 2);
        const QString description = about.lblDescription->property("Caption").toString();
        QVERIFY(description.startsWith(QStringLiteral("Marlux ")));
        QVERIFY(description.contains('\n'));
        QCOMPARE(about.cmdSysInfo->text(), QStringLiteral("&System Info..."));
        QCOMPARE(about.cmdOK->text(), QStringLiteral("&OK"));
        QCOMPARE(about.LblEmail->text(), QStringLiteral("Send me e-mail for questions or bugs."));
        QVERIFY(!about.Image1->pixmap().isNull());

        // Two parts only, or a fourth one, still read as major.minor.revision.
        QCoreApplication::setApplicationVersion(QStringLiteral("3.1"));
        QCOMPARE(frmAbout::versionText(), QStringLiteral("Version 3.1.0"));
        QCoreApplication::setApplicationVersion(QStringLiteral("4.2.7.99"));
        QCOMPARE(frmAbout::versionText(), QStringLiteral("Version 4.2.7"));
        QCoreApplication::setApplicationVersion({});
        QVERIFY(frmAbout::versionText().startsWith(QStringLiteral("Version 1.0")));
    }

    void okClosesAndShowAboutKeepsOneBox()
    {
        QWidget owner;
        owner.resize(600, 400);
        owner.show();
        frmAbout *about = frmAbout::ShowAbout(&owner);
        QVERIFY(about->isVisible());
        QCOMPARE(about->windowModality(), Qt::ApplicationModal);
        QCOMPARE(frmAbout::ShowAbout(&owner), about);
        QPointer<frmAbout> guard(about);
        QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        QVERIFY(!about->isVisible());
        QTRY_VERIFY(guard.isNull());
        QVERIFY(frmAbout::ShowAbout(&owner) != nullptr);
        frmAbout::ShowAbout(&owner)->close();
    }

    void sysInfoUnavailable_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("not configured") << QString();
        QTest::newRow("blank") << QStringLiteral("   ");
        QTest::newRow("program missing") << m_registry.filePath("nowhere/sysinfo-tool");
        QTest::newRow("not executable") << m_registry.filePath("controls.ini");
    }

    void sysInfoUnavailable()
    {
        QFETCH(QString, command);
        writeSysInfo(command);
        ScriptedPrompter prompter;
        frmAbout about;
        QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
        QCOMPARE(prompter.calls().size(), 1);
        const auto call = prompter.calls().constFirst();
        QCOMPARE(call.prompt, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(call.icon, 107);
        QCOMPARE(call.buttonSet, 4);
        QCOMPARE(call.title, QStringLiteral("FAILED"));
    }

    void sysInfoStartsTheConfiguredProgram()
    {
        // Started directly with its arguments: the shell's operators are plain arguments.
        const QString marker = m_registry.filePath("started");
        QVERIFY(QFile::copy(QStringLiteral("/usr/bin/touch"), m_registry.filePath("sys tool")));
        const QString second = m_registry.filePath("a;b");
        writeSysInfo(QStringLiteral("\"%1\" \"%2\" \"%3\"")
                         .arg(m_registry.filePath("sys tool"), marker, second));
        ScriptedPrompter prompter;
        frmAbout about;
        about.StartSysInfo();
        QVERIFY(prompter.calls().isEmpty());
        QTRY_VERIFY(QFile::exists(marker));
        QTRY_VERIFY(QFile::exists(second));
    }

    void sysInfoStartsTheDesktopsOwnProgram()
    {
        QList<QStringList> started;
        ExternalProgram::setStarter([&](const QString &program, const QStringList &arguments) {
            started.append(QStringList{program} + arguments);
            return true;
        });
        ScriptedPrompter prompter;
        frmAbout about;
        TestSupport::FakePrograms programs;
        // A configured program that is not there gives way to the desktop's.
        writeSysInfo(m_registry.filePath("nowhere/sysinfo-tool"));
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        const QString gnome = programs.add(QStringLiteral("gnome-control-center"));
        const QString xfce = programs.add(QStringLiteral("xfce4-about"));
        about.StartSysInfo();
        qputenv("XDG_CURRENT_DESKTOP", "XFCE");
        about.StartSysInfo();
        const QString hardinfo = programs.add(QStringLiteral("hardinfo"));
        about.StartSysInfo();
        QCOMPARE(started, (QList<QStringList>{
                              {gnome, QStringLiteral("info-overview")}, {xfce}, {hardinfo}}));
        QVERIFY(prompter.calls().isEmpty());
        qunsetenv("XDG_CURRENT_DESKTOP");
        ExternalProgram::setStarter({});
    }

    void mailLinkComposesTheWholeAddress()
    {
        QList<QStringList> started;
        ExternalProgram::setStarter([&](const QString &program, const QStringList &arguments) {
            started.append(QStringList{QFileInfo(program).fileName()} + arguments);
            return true;
        });
        ScriptedPrompter prompter;
        frmAbout about;
        about.show();
        QTest::mouseClick(about.LblEmail, Qt::LeftButton);
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.at(0).value(0), QStringLiteral("xdg-open"));
        const QUrl url(started.at(0).value(1), QUrl::StrictMode);
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        // Longer than the old 30-character field: it must arrive whole.
        QCOMPARE(url.path(), frmAbout::contactAddress());
        QVERIFY(frmAbout::contactAddress().size() > 30);
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue("subject", QUrl::FullyDecoded),
                 QStringLiteral("Question or Bug for:Marlux"));
        QCOMPARE(query.queryItemValue("body", QUrl::FullyDecoded),
                 QStringLiteral("Please type here for your specification, thanks!"));
        QVERIFY(prompter.calls().isEmpty());
        QVERIFY(!QGuiApplication::overrideCursor());
        ExternalProgram::setStarter({});
    }

    void failedMailLeavesTheBoxOpen()
    {
        ScriptedPrompter prompter;
        QGuiApplication::setOverrideCursor(Qt::BusyCursor); // a caller's own pointer
        frmAbout about;
        about.show();
        // The opener starts, then ends saying no program took the mail: the window was
        // never held up meanwhile, and the failure is told when the opener has ended.
        TestSupport::FakePrograms programs;
        programs.add(QStringLiteral("xdg-open"), 3);
        QTest::mouseClick(about.LblEmail, Qt::LeftButton);
        QVERIFY(prompter.calls().isEmpty());
        QTRY_COMPARE(prompter.calls().size(), 1);
        const auto call = prompter.calls().constFirst();
        QCOMPARE(call.title, QStringLiteral("SEND MAIL FAILED"));
        QCOMPARE(call.icon, 105);
        QCOMPARE(call.buttonSet, 4);
        QVERIFY(call.prompt.contains(QStringLiteral("\n Please send e-mail manually to ") +
                                     frmAbout::contactAddress() +
                                     QStringLiteral("\n                      Thank you!")));
        QVERIFY(about.isVisible());
        // The label takes back only its own hourglass.
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
        QGuiApplication::restoreOverrideCursor();
        QVERIFY(!QGuiApplication::overrideCursor());

        // An opener that hands the mail on says nothing.
        programs.add(QStringLiteral("xdg-open"), 0);
        about.LblEmail_Click();
        QTest::qWait(300);
        QCOMPARE(prompter.calls().size(), 1);
    }

private:
    void writeSysInfo(const QString &command)
    {
        if (command.isNull())
            m_settings.remove(AppPaths::applicationTitle(), frmAbout::sysInfoSection(),
                              frmAbout::sysInfoKey());
        else
            m_settings.setValue(AppPaths::applicationTitle(), frmAbout::sysInfoSection(),
                                frmAbout::sysInfoKey(), command);
    }

    QTemporaryDir m_registry;
    MemorySettingsStore m_settings;
    std::unique_ptr<TestSupport::FakePrograms> m_programs;
};

QTEST_MAIN(TestAbout)
#include "shell_smallwin_about.moc"
