#include "kb/dockabletool.h"
#include "kb/frmmain.h"
#include "kb/tooldock.h"
#include "scriptedprompter.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

namespace {

// A tool that docks a toolbar into the top band and a tree into the left panel.
class StubTool : public QWidget, public DockableTool
{
public:
    explicit StubTool(FrmMain *main) : m_main(main)
    {
        setWindowTitle(QStringLiteral("Stub Tool"));
        toolbar = new QToolBar(this);
        tree = new QLabel(QStringLiteral("tree"), this);
        main->toolDock()->add(this, {toolbar, tree, nullptr, [this] {
                                         toolbar->setParent(this);
                                         tree->setParent(this);
                                     }});
    }
    ~StubTool() override { m_main->toolDock()->remove(this); }
    void SetPar() override
    {
        ++docked;
        m_main->toolDock()->dock(this);
    }
    void SetParBack() override
    {
        ++undocked;
        m_main->toolDock()->undock(this);
    }

    QToolBar *toolbar;
    QLabel *tree;
    int docked = 0;
    int undocked = 0;

private:
    FrmMain *m_main;
};

int visibleChildren(FrmMain &main)
{
    int count = 0;
    for (QMdiSubWindow *child : main.mdiArea()->subWindowList())
        count += child->isVisible() ? 1 : 0;
    return count;
}

} // namespace

class TestTools : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { FrmMain::setToolWindowFactory(QStringLiteral("Telnet"), nullptr); }

    void unbuiltToolsStayDisabled()
    {
        TestSupport::TempDataRoot root;
        FrmMain main;
        QVERIFY(!main.toolbarButton(QStringLiteral("FTP"))->isEnabled());
        QVERIFY(!main.menuItem(QStringLiteral("mnuFTP"))->isEnabled());
        QVERIFY(!main.toolWindow(QStringLiteral("FTP")));
    }

    void toolbarOpensAndDocksOneTool()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        int created = 0;
        FrmMain::setToolWindowFactory(QStringLiteral("Telnet"), [&created](FrmMain *main) {
            ++created;
            return new StubTool(main);
        });
        FrmMain main;
        main.MDIForm_Load();
        main.show();
        QVERIFY(main.toolbarButton(QStringLiteral("Telnet"))->isEnabled());
        QVERIFY(main.menuItem(QStringLiteral("mnuTelnet"))->isEnabled());

        main.mdiArea()->addSubWindow(new QLabel(QStringLiteral("record")))->show();
        main.TBTool_ButtonClick(QStringLiteral("Telnet"));
        auto *tool = dynamic_cast<StubTool *>(main.toolWindow(QStringLiteral("Telnet")));
        QVERIFY(tool);
        QCOMPARE(created, 1);
        QCOMPARE(tool->docked, 1);
        QCOMPARE(visibleChildren(main), 1); // the record window went first
        QCOMPARE(tool->toolbar->parentWidget(), main.PanelHolder);
        QCOMPARE(tool->tree->parentWidget(), main.PanelLeft);
        QVERIFY(main.SSTabMain->isHidden());
        // The panel's caption names the tool whose tree it holds.
        auto *caption = main.findChild<QLabel *>(QStringLiteral("PanelCaption"));
        QVERIFY(caption);
        QCOMPARE(caption->text(), QStringLiteral("Stub Tool"));

        // The toolbar again after the tool was closed gives a new, working window.
        main.TBTool_ButtonClick(QStringLiteral("Telnet"));
        QCOMPARE(created, 2);
        tool = dynamic_cast<StubTool *>(main.toolWindow(QStringLiteral("Telnet")));
        QVERIFY(tool);
        QCOMPARE(tool->docked, 1);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(main.toolWindow(QStringLiteral("Telnet")), tool);
        QCOMPARE(visibleChildren(main), 1);

        QCOMPARE(caption->text(), QStringLiteral("Stub Tool"));

        main.ReleaseToolParents();
        QCOMPARE(tool->undocked, 1);
        QCOMPARE(visibleChildren(main), 0);
        QCOMPARE(tool->toolbar->parentWidget(), tool);
        // The tree went home: the panel is the database tabs' again, under their caption.
        QCOMPARE(caption->text(), QStringLiteral("Knowledge Base"));
    }

    void otherButtonsOnlyCloseChildren()
    {
        TestSupport::TempDataRoot root;
        FrmMain main;
        main.MDIForm_Load();
        main.show();
        main.mdiArea()->addSubWindow(new QLabel(QStringLiteral("record")))->show();
        main.TBTool_ButtonClick(QStringLiteral("E-Mail"));
        QCOMPARE(visibleChildren(main), 0);
    }

    void topBandTabs()
    {
        TestSupport::TempDataRoot root;
        FrmMain main;
        main.MDIForm_Load();
        main.show();
        main.mdiArea()->addSubWindow(new QLabel(QStringLiteral("record")))->show();
        main.SSTabTop->setCurrentIndex(1);
        QCOMPARE(visibleChildren(main), 0);
        QVERIFY(main.SSTabMain->isHidden());
        QVERIFY(main.PanelLeftDock->isHidden());
        main.SSTabTop->setCurrentIndex(0);
        QVERIFY(!main.SSTabMain->isHidden());
        QVERIFY(!main.PanelLeftDock->isHidden());
    }
};

QTEST_MAIN(TestTools)
#include "kb_tools.moc"
