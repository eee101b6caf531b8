#include "kb/frmmain.h"
#include "platform/controls/controlhost.h"
#include "scriptedprompter.h"
#include "shell/frmabout.h"
#include "shell/frmsystray.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

class TestTrayMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("MARLUX_CONTROL_REGISTRY", m_registry.filePath("controls.ini").toUtf8());
        ControlHost::instance().setLibraryFolder(TestSupport::buildDir() + "/bin");
        QCOMPARE(ControlHost::instance().registerControls(), QString());
    }

    void init()
    {
        m_root = std::make_unique<TestSupport::TempDataRoot>();
        m_main = std::make_unique<FrmMain>();
        m_main->MDIForm_Load();
        m_main->show();
        m_tray = m_main->findChild<FrmSysTray *>();
        QVERIFY(m_tray);
    }

    void cleanup()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (qobject_cast<frmAbout *>(window))
                delete window;
        }
        m_main.reset();
        m_root.reset();
    }

    void menuAsBuiltByTheMainWindow()
    {
        const QStringList captions = {"&Open Marlux", "&Start new search", "", "&About Marlux", "",
                                      "&Close"};
        const QStringList keys = {"Open", "Search", "", "About", "", "Close"};
        QCOMPARE(m_tray->menuItemCount(), 6);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(m_tray->menuItem(i)->text(), captions.at(i));
            QCOMPARE(m_tray->menuKey(i), keys.at(i));
            QCOMPARE(m_tray->menuItem(i)->isSeparator(), keys.at(i).isEmpty());
        }
        // "Open" is the bold default item.
        QCOMPARE(m_tray->DefaultMenuIndex(), 0);
        QCOMPARE(m_tray->menu()->defaultAction(), m_tray->menuItem(0));
        QCOMPARE(m_tray->ToolTip(), QStringLiteral("Marlux"));
        QCOMPARE(m_tray->IconHandle().cacheKey(), m_main->windowIcon().cacheKey());

        // A right click pops the menu up; a left one does not.
        m_tray->trayActivated(QSystemTrayIcon::Trigger);
        QVERIFY(!m_tray->menu()->isVisible());
        m_tray->trayActivated(QSystemTrayIcon::Context);
        QTRY_VERIFY(m_tray->menu()->isVisible());
        m_tray->menu()->hide();
    }

    void startNewSearch()
    {
        m_main->SSTabTop->setCurrentIndex(1);
        m_main->SSTabMain->setCurrentIndex(0);
        m_main->showMinimized();
        m_tray->menuItem(1)->trigger();
        QCOMPARE(m_main->SSTabTop->currentIndex(), 0);
        QCOMPARE(m_main->SSTabMain->currentIndex(), 1);
        QVERIFY(!m_main->isMinimized());
        QVERIFY(m_main->isMaximized());
    }

    void openAndDoubleClick()
    {
        m_main->showMinimized();
        m_tray->menuItem(0)->trigger();
        QVERIFY(m_main->isMaximized() && !m_main->isMinimized());

        m_tray->trayActivated(QSystemTrayIcon::DoubleClick);
        QVERIFY(m_main->isMinimized());
        m_tray->trayActivated(QSystemTrayIcon::DoubleClick);
        QVERIFY(m_main->isMaximized() && !m_main->isMinimized());
        m_main->showNormal();
        m_tray->trayActivated(QSystemTrayIcon::DoubleClick);
        QVERIFY(!m_main->isMinimized() && !m_main->isMaximized());
    }

    void aboutFromTrayAndHelpMenu()
    {
        m_tray->menuItem(3)->trigger();
        auto *about = findAbout();
        QVERIFY(about);
        QVERIFY(about->isVisible());
        QCOMPARE(about->parentWidget(), m_main.get());
        QCOMPARE(about->windowModality(), Qt::ApplicationModal);

        // The Help menu shows the same box.
        QAction *help = m_main->menuItem(QStringLiteral("mnuHelpAbout"));
        QVERIFY(help->isEnabled());
        help->trigger();
        QCOMPARE(findAbout(), about);
        about->close();
    }

    void closeAsksFirst()
    {
        ScriptedPrompter prompter;
        prompter.answer(QStringLiteral("No"));
        m_tray->menuItem(5)->trigger();
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().at(0).prompt, QStringLiteral("Are you sure you want to quit?"));
        QVERIFY(m_main->isVisible());
        // Separators do nothing.
        m_tray->mnuSysTray_Click(2);
        QCOMPARE(prompter.calls().size(), 1);
    }

private:
    static frmAbout *findAbout()
    {
        frmAbout *found = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *about = qobject_cast<frmAbout *>(window); about && about->isVisible())
                found = about;
        }
        return found;
    }

    QTemporaryDir m_registry;
    std::unique_ptr<TestSupport::TempDataRoot> m_root;
    std::unique_ptr<FrmMain> m_main;
    FrmSysTray *m_tray = nullptr;
};

QTEST_MAIN(TestTrayMainWindow)
#include "shell_smallwin_traymain.moc"
