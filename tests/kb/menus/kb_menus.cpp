#include "kb/frmmain.h"
#include "kb/recordverbs.h"
#include "scriptedprompter.h"
#include "winsvc/childarranger.h"

#include <QActionGroup>
#include <QComboBox>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

namespace {

// A record window stand-in that notes every verb it receives.
class StubRecord : public QWidget, public RecordVerbs
{
public:
    QStringList calls;

    void AddRec() override { calls << QStringLiteral("AddRec"); }
    void EditRec() override { calls << QStringLiteral("EditRec"); }
    void SaveChange() override { calls << QStringLiteral("SaveChange"); }
    void CancelChange() override { calls << QStringLiteral("CancelChange"); }
    void DeleteRec() override { calls << QStringLiteral("DeleteRec"); }
    void Undo() override { calls << QStringLiteral("Undo"); }
    void Redo() override { calls << QStringLiteral("Redo"); }
    void SelectALL() override { calls << QStringLiteral("SelectALL"); }
    void Listen() override { calls << QStringLiteral("Listen"); }
    void PrintWithWord() override { calls << QStringLiteral("PrintWithWord"); }
};

// The Data View answers AddRec only.
class StubDataView : public QWidget, public RecordVerbs
{
public:
    int added = 0;
    void AddRec() override { ++added; }
};

enum : unsigned { Hidden = 1, Disabled = 2, Marked = 4, Pending = 8 };

struct Item
{
    const char *parent;
    const char *name;
    const char *caption;
    const char *shortcut;
    unsigned state;
};

// The whole menu tree in order: parent, name, caption as stored, shortcut, initial state.
// Pending items wait for the windows that carry out their commands.
const Item menuTree[] = {
    {"", "mnuFile", "&File", "", 0},
    {"mnuFile", "mnuFileNew", "&New Database", "", Hidden},
    {"mnuFile", "mnuFileOpen", "&Open Database", "", 0},
    {"mnuFile", "mnuFileSave", "&Save", "Ctrl+S", 0},
    {"mnuFile", "mnuFileBar0", "-(='-'=)", "", 0},
    {"mnuFile", "mnuConvert", "Export Database to", "", 0},
    {"mnuConvert", "mnuConvertWord", "Microsoft Word", "", 0},
    {"mnuConvert", "mnuConvertExcel", "Microsoft Excel", "", 0},
    {"mnuConvert", "mnuExportToTxtFile", "Text File", "", 0},
    {"mnuConvert", "mnuExportHTML", "HTML File", "", Hidden},
    {"mnuFile", "mnuImport", "Import Database From", "", 0},
    {"mnuImport", "mnuImportExcel", "Microsoft Excel", "", Hidden},
    {"mnuImport", "mnuImportWord", "Microsoft Word", "", Hidden},
    {"mnuImport", "mnuImportText", "Text File", "", 0},
    {"mnuImport", "mnuImportHTML", "HTML File", "", Hidden},
    {"mnuFile", "mnuFileSep", "-* 0 *", "", 0},
    {"mnuFile", "mnuFilePrintPreview", "Print Pre&view", "", 0},
    {"mnuFile", "mnuFilePrint", "&Print...", "", 0},
    {"mnuFile", "mnuFileBar3", "-^__^", "", 0},
    {"mnuFile", "mnuFileClose", "&Close", "", 0},
    {"mnuFile", "mnuCloseAll", "Cl&ose All", "Ctrl+O", 0},
    {"mnuFile", "mnuFileBar5", "-<='.'=>", "", 0},
    {"mnuFile", "mnuFileExit", "E&xit", "", 0},
    {"", "mnuEdit", "&Edit", "", 0},
    {"mnuEdit", "mnuEditUndo", "Undo", "", Disabled},
    {"mnuEdit", "mnuEditRedo", "Redo", "", Disabled},
    {"mnuEdit", "mnuEditBar0", "-*__*", "", 0},
    {"mnuEdit", "mnuEditCut", "Cu&t", "Ctrl+X", 0},
    {"mnuEdit", "mnuEditCopy", "&Copy", "Ctrl+C", 0},
    {"mnuEdit", "mnuEditPaste", "&Paste", "Ctrl+V", 0},
    {"mnuEdit", "mnuSelectAll", "Select &All", "Ctrl+A", 0},
    {"mnuEdit", "mnuEditBar1", "-@__@", "", 0},
    {"mnuEdit", "mnuEditDataTree", "Query", "", Hidden},
    {"mnuEditDataTree", "mnuSelectQuery", "Select query", "", 0},
    {"mnuEditDataTree", "mnuUpdateQuery", "Update query", "", 0},
    {"mnuEditDataTree", "mnuInsertQuery", "Insert query", "", 0},
    {"mnuEditDataTree", "mnuDeleteQuery", "Delete Query", "", 0},
    {"mnuEdit", "mnuC", "Criteria", "", Hidden},
    {"mnuC", "mnuAnd", "AND", "", 0},
    {"mnuC", "mnuOR", "OR", "", 0},
    {"mnuC", "mnuNot", "NOT", "", 0},
    {"mnuEdit", "mnuEditAddMore", "Add New...", "", 0},
    {"mnuEditAddMore", "mnuAddNewRec", "Record", "", 0},
    {"mnuEditAddMore", "mnuAddTopic", "Topics Under Current Database", "", 0},
    {"mnuEditAddMore", "mnuAddDB", "Database", "", Hidden},
    {"mnuEdit", "mnuEditCurRec", "Edit Current Record", "", 0},
    {"mnuEdit", "mnuEditDelete", "Delete", "", 0},
    {"mnuEditDelete", "mnuDelCurRec", "Current Record", "", 0},
    {"mnuEditDelete", "mnuDelTopic", "Current Topic", "", 0},
    {"mnuEditDelete", "mnuDeleteDB", "Current Database", "", Hidden},
    {"mnuEdit", "mnuEditBar2", "-(\"0\")", "", 0},
    {"mnuEdit", "mnuFindWord", "&Find", "Ctrl+F", 0},
    {"mnuEdit", "mnuReplace", "&Replace", "Ctrl+R", Disabled},
    {"mnuEdit", "mnuTransfer", "Transfer Records to Another Topic", "", 0},
    {"", "mnuView", "&View", "", 0},
    {"mnuView", "mnuViewToolbar", "#|D|&Toolbar", "", Marked},
    {"mnuView", "mnuViewStatusBar", "#|D|Status &Bar", "", Marked},
    {"mnuView", "mnuViewDBToolbar", "#|D|Topic &Selector Bar", "", Marked},
    {"mnuView", "mnuDbViewer", "#|D|Database &Viewer", "", Marked},
    {"", "mnuTools", "&Tools", "", 0},
    {"mnuTools", "mnuCompatDB", "Compact and  Repair Database", "", 0},
    {"mnuTools", "mnuImageNavi", "Image Navigator", "", Pending},
    {"mnuTools", "mnuWebSurf", "Ver Ivod-U", "", Pending},
    {"mnuTools", "mnuTelnet", "Vareri-R", "", Pending},
    {"mnuTools", "mnuFTP", "RAR-O", "", Pending},
    {"", "mnuWindow", "&Window", "", 0},
    {"mnuWindow", "mnuWindowCascade", "&Cascade", "", 0},
    {"mnuWindow", "mnuWindowTileHorizontal", "Tile &Horizontal", "", 0},
    {"mnuWindow", "mnuWindowTileVertical", "Tile &Vertical", "", 0},
    {"mnuWindow", "mnuWindowArrangeIcons", "&Arrange Icon", "", 0},
    {"", "mnuAbout", "&Help", "", 0},
    {"mnuAbout", "mnuHelpAbout", "&About", "", 0},
};

QMdiSubWindow *addChild(FrmMain &main, QWidget *child)
{
    QMdiSubWindow *window = main.mdiArea()->addSubWindow(child);
    window->show();
    main.mdiArea()->setActiveSubWindow(window);
    return window;
}

} // namespace

class TestMenus : public QObject
{
    Q_OBJECT

private slots:
    void menuTreeMatchesTheTable()
    {
        FrmMain main;
        QHash<QString, QStringList> children;
        for (const Item &item : menuTree) {
            const QString name = QString::fromLatin1(item.name);
            const QString caption = QString::fromUtf8(item.caption);
            children[QString::fromLatin1(item.parent)].append(name);
            QAction *action = main.menuItem(name);
            QVERIFY2(action, item.name);
            QCOMPARE(action->objectName(), name);
            QCOMPARE(action->property("menuCaption").toString(), caption);
            QCOMPARE(action->isSeparator(), caption.startsWith(QLatin1Char('-')));
            if (!action->isSeparator()) {
                // Shown without the owner-drawn marks.
                QString shown = caption;
                shown.remove(QStringLiteral("#|D|"));
                QCOMPARE(action->text(), shown);
            }
            QCOMPARE(action->shortcut(), QKeySequence(QString::fromLatin1(item.shortcut)));
            QVERIFY2(action->isVisible() == !(item.state & Hidden), item.name);
            // A hidden action always reports itself disabled.
            if (action->isVisible())
                QVERIFY2(action->isEnabled() == !(item.state & (Disabled | Pending)), item.name);
            QCOMPARE(action->isCheckable(), caption.startsWith(QLatin1Char('#')));
            QCOMPARE(action->isChecked(), bool(item.state & Marked));
        }

        // Every menu holds exactly its items, in order.
        QStringList bar;
        for (QAction *action : main.menuBar()->actions())
            bar << action->objectName();
        QCOMPARE(bar, children.value(QString()));
        for (auto it = children.cbegin(); it != children.cend(); ++it) {
            if (it.key().isEmpty())
                continue;
            QMenu *menu = main.subMenu(it.key());
            QVERIFY2(menu, qPrintable(it.key()));
            QStringList names;
            for (QAction *action : menu->actions())
                names << action->objectName();
            QCOMPARE(names, it.value());
        }
        // The hidden menus exist to be popped up by the tree and the search tab.
        QCOMPARE(main.subMenu(QStringLiteral("mnuEditDataTree"))->actions().size(), 4);
        QCOMPARE(main.subMenu(QStringLiteral("mnuC"))->actions().size(), 3);
    }

    void noTwoActionsShareAShortcut()
    {
        FrmMain main;
        QHash<QKeySequence, QString> seen;
        const QList<QAction *> actions = main.findChildren<QAction *>();
        for (QAction *action : actions) {
            for (const QKeySequence &key : action->shortcuts()) {
                QVERIFY2(!seen.contains(key),
                         qPrintable(key.toString() + QStringLiteral(": ") + seen.value(key) +
                                    QStringLiteral(" and ") + action->objectName()));
                seen.insert(key, action->objectName());
            }
        }
        QCOMPARE(seen.size(), 8);
    }

    void mainToolbarKeysAndOrder()
    {
        FrmMain main;
        const QStringList keys = {"New",     "Open",        "",        "Print",   "",
                                  "Search",  "Import",      "Export",  "",        "Word",
                                  "Compact", "Listen",      "",        "Add New", "Edit",
                                  "Delete",  "Save Record", "Discard", "",        "Help"};
        QCOMPARE(main.ToolBarMain->actions().size(), keys.size());
        for (int i = 0; i < keys.size(); ++i) {
            QAction *button = main.ToolBarMainButton(i + 1);
            QCOMPARE(button, main.ToolBarMain->actions().at(i));
            QCOMPARE(button->isSeparator(), keys.at(i).isEmpty());
            QCOMPARE(button->objectName(), keys.at(i));
            if (!keys.at(i).isEmpty())
                QVERIFY(!button->icon().isNull());
        }
        QVERIFY(!main.ToolBarMainButton(21));
        QVERIFY(!main.ToolBarMainButton(1)->isVisible());
        // Save Record and Discard wait for something to edit.
        for (int i = 2; i <= 20; ++i)
            QCOMPARE(main.ToolBarMainButton(i)->isVisible(), i != 17 && i != 18);
        QVERIFY(!main.TBEdit->isVisibleTo(&main));
        QCOMPARE(main.ToolBarMainButton(7)->toolTip(),
                 QStringLiteral("Import Records From External Data Source."));
        QCOMPARE(main.ToolBarMainButton(17)->toolTip(),
                 QStringLiteral("Save The Current Record Which You Have Edited."));
        QCOMPARE(main.ToolBarMainButton(20)->toolTip(),
                 QStringLiteral("I Have Problems To Use This Software."));
        // The record block and Help work now; the others wait for their windows.
        for (int i : {10, 12, 14, 15, 16, 20})
            QVERIFY(main.ToolBarMainButton(i)->isEnabled());

        QMenu *import = main.ToolBarMainButton(7)->menu();
        QVERIFY(import);
        QCOMPARE(import->actions().size(), 5);
        QCOMPARE(import->actions().at(0)->text(), QStringLiteral("    [ IMPORT]"));
        QVERIFY(!import->actions().at(0)->isEnabled());
        QVERIFY(!main.toolbarButton(QStringLiteral("IMW"))->isVisible());
        QVERIFY(!main.toolbarButton(QStringLiteral("IME"))->isVisible());
        QVERIFY(!main.toolbarButton(QStringLiteral("IHF"))->isVisible());
        QVERIFY(main.toolbarButton(QStringLiteral("ITD"))->isVisible());
        QMenu *exportMenu = main.ToolBarMainButton(8)->menu();
        QVERIFY(exportMenu);
        QCOMPARE(exportMenu->actions().at(0)->text(), QStringLiteral("   [ EXPORT]"));
        QStringList exportKeys;
        for (QAction *entry : exportMenu->actions().mid(1)) {
            exportKeys << entry->objectName();
            QCOMPARE(entry->isVisible(), entry->objectName() != QLatin1String("EHF"));
        }
        QCOMPARE(exportKeys, QStringList({"EMW", "EME", "EHF", "ETD"}));

        QVERIFY(!FrmMain::imlMainToolbarImage(12).isNull());
        QVERIFY(!FrmMain::imlMainToolbarImage(23).isNull());
        QVERIFY(!FrmMain::imlMainToolbarImage(24).isNull());
    }

    void editAndToolToolbars()
    {
        FrmMain main;
        const QStringList keys = {"Undo", "Redo", "Cut",    "Copy",     "Paste",
                                  "",     "Bold", "Italic", "Underline"};
        for (int i = 0; i < keys.size(); ++i)
            QCOMPARE(main.TBEditButton(i + 1)->objectName(), keys.at(i));
        QVERIFY(main.TBEditButton(6)->isSeparator());
        for (int i = 10; i <= 20; ++i) {
            QVERIFY(main.TBEditButton(i)->objectName().isEmpty());
            QVERIFY(main.TBEditButton(i)->icon().isNull());
        }
        QVERIFY(main.TBEditButton(21)->isSeparator());
        QCOMPARE(main.TBEditButton(22)->objectName(), QStringLiteral("Align Left"));
        QCOMPARE(main.TBEditButton(23)->objectName(), QStringLiteral("Align Right"));
        QCOMPARE(main.TBEditButton(24)->objectName(), QStringLiteral("Center"));
        QCOMPARE(main.TBEditButton(25)->objectName(), QStringLiteral("Find"));
        QVERIFY(!main.TBEditButton(26));
        QCOMPARE(main.TBEditButton(1)->toolTip(), QStringLiteral("Undo Change"));
        QCOMPARE(main.TBEditButton(2)->toolTip(), QStringLiteral("Redo Change"));
        QCOMPARE(main.TBEditButton(9)->toolTip(), QStringLiteral("Underline"));
        QVERIFY(main.TBEditButton(22)->actionGroup()->isExclusive());
        QCOMPARE(main.TBEditButton(22)->actionGroup(), main.TBEditButton(24)->actionGroup());
        // The font combo boxes stay on the toolbar.
        QCOMPARE(main.ComboFont->parentWidget(), main.TBEdit);
        QCOMPARE(main.ComboFontSize->parentWidget(), main.TBEdit);

        // The record window's history drives both buttons and both menu items.
        QVERIFY(!main.TBEditButton(1)->isEnabled());
        main.setUndoRedoEnabled(true, false);
        QVERIFY(main.TBEditButton(1)->isEnabled());
        QVERIFY(main.menuItem(QStringLiteral("mnuEditUndo"))->isEnabled());
        QVERIFY(!main.TBEditButton(2)->isEnabled());
        QVERIFY(!main.menuItem(QStringLiteral("mnuEditRedo"))->isEnabled());

        const QStringList tools = {"Internet", "E-Mail", "Telnet",         "FTP",
                                   "Calendar", "ZIP",    "Image Navigator"};
        QCOMPARE(main.TBTool->actions().size(), tools.size());
        for (int i = 0; i < tools.size(); ++i) {
            QAction *button = main.TBToolButton(i + 1);
            QCOMPARE(button->objectName(), tools.at(i));
            const bool hidden = i == 1 || i == 4 || i == 5;
            QCOMPARE(button->isVisible(), !hidden);
        }
        QCOMPARE(main.TBToolButton(6)->toolTip(),
                 QStringLiteral("A ZIP Tool Which Can Help You Keep Your File Smaller"));
        QCOMPARE(main.TBToolButton(7)->toolTip(), QStringLiteral("View Images"));
    }

    void verbsWithoutAChild()
    {
        ScriptedPrompter prompter;
        FrmMain main;
        for (const char *key : {"Add New", "Edit", "Delete", "Save Record", "Discard", "Word",
                                "Listen", "Search", "Print", "Compact"})
            main.ToolBarMain_ButtonClick(QString::fromLatin1(key));
        for (const char *name :
             {"mnuAddNewRec", "mnuEditCurRec", "mnuDelCurRec", "mnuSelectAll", "mnuFileClose"})
            main.menuItem(QString::fromLatin1(name))->trigger();
        main.mnuEditUndo_Click();
        main.mnuEditRedo_Click();
        QVERIFY(prompter.calls().isEmpty());
        QVERIFY(!main.toolbarButton(QStringLiteral("Listen"))->property("Tag").isValid());

        // Open asks for a database file; a cancelled choice does nothing more.
        main.ToolBarMain_ButtonClick(QStringLiteral("Open"));
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().first().kind, QStringLiteral("open"));
        QCOMPARE(prompter.calls().first().title, QStringLiteral("Choose Database File:"));
        prompter.clear();

        // Help answers with or without a child.
        main.ToolBarMain_ButtonClick(QStringLiteral("Help"));
        QCOMPARE(prompter.calls().size(), 1);
        const ScriptedPrompter::Call &call = prompter.calls().first();
        QCOMPARE(call.title, QStringLiteral("HELP"));
        QCOMPARE(call.icon, 102);
        QCOMPARE(call.buttonSet, 4);
        QVERIFY(call.prompt.startsWith(QStringLiteral("Sorry then, I did not implement")));
        QVERIFY(call.prompt.endsWith(QStringLiteral("hope you enjoy it!")));
    }

    void verbsReachTheActiveRecordWindow()
    {
        ScriptedPrompter prompter;
        FrmMain main;
        auto *record = new StubRecord;
        addChild(main, record);
        QVERIFY(main.mdiArea()->currentSubWindow());

        const QList<QPair<QString, QString>> buttons = {
            {"Add New", "AddRec"},         {"Edit", "EditRec"},         {"Delete", "DeleteRec"},
            {"Save Record", "SaveChange"}, {"Discard", "CancelChange"}, {"Word", "PrintWithWord"},
            {"Listen", "Listen"}};
        for (const auto &[key, verb] : buttons) {
            record->calls.clear();
            main.toolbarButton(key)->trigger();
            QCOMPARE(record->calls, QStringList{verb});
        }
        QCOMPARE(main.ToolBarMainButton(12)->property("Tag").toString(),
                 QStringLiteral("OnSaying"));

        const QList<QPair<QString, QString>> items = {{"mnuAddNewRec", "AddRec"},
                                                      {"mnuEditCurRec", "EditRec"},
                                                      {"mnuDelCurRec", "DeleteRec"},
                                                      {"mnuSelectAll", "SelectALL"}};
        for (const auto &[name, verb] : items) {
            record->calls.clear();
            main.menuItem(name)->trigger();
            QCOMPARE(record->calls, QStringList{verb});
        }

        // Undo and Redo go through the menu items and the edit toolbar once enabled.
        main.setUndoRedoEnabled(true, true);
        record->calls.clear();
        main.menuItem(QStringLiteral("mnuEditUndo"))->trigger();
        main.menuItem(QStringLiteral("mnuEditRedo"))->trigger();
        main.TBEditButton(1)->trigger();
        main.TBEditButton(2)->trigger();
        QCOMPARE(record->calls, QStringList({"Undo", "Redo", "Undo", "Redo"}));

        // Commands that are not verbs send none.
        record->calls.clear();
        for (const char *key : {"Help", "Open", "Print", "Compact", "Search", "Import"})
            main.ToolBarMain_ButtonClick(QString::fromLatin1(key));
        QVERIFY(record->calls.isEmpty());
        QCOMPARE(activeRecordVerbs(main.mdiArea()), static_cast<RecordVerbs *>(record));
    }

    void childrenWithoutTheVerbsIgnoreThem()
    {
        ScriptedPrompter prompter;
        FrmMain main;
        addChild(main, new QWidget);
        for (const char *key :
             {"Add New", "Edit", "Delete", "Save Record", "Discard", "Word", "Listen"})
            main.ToolBarMain_ButtonClick(QString::fromLatin1(key));
        main.mnuAddNewRec_Click();
        main.mnuSelectAll_Click();
        main.mnuEditUndo_Click();
        QVERIFY(!activeRecordVerbs(main.mdiArea()));
        QVERIFY(!main.toolbarButton(QStringLiteral("Listen"))->property("Tag").isValid());

        // The Data View takes AddRec from the menu and the toolbar; the rest do nothing.
        auto *dataView = new StubDataView;
        addChild(main, dataView);
        main.ToolBarMain_ButtonClick(QStringLiteral("Add New"));
        main.menuItem(QStringLiteral("mnuAddNewRec"))->trigger();
        for (const char *key : {"Edit", "Delete", "Save Record", "Discard", "Word", "Listen"})
            main.ToolBarMain_ButtonClick(QString::fromLatin1(key));
        QCOMPARE(dataView->added, 2);
        QVERIFY(prompter.calls().isEmpty());
    }

    void viewItemsToggleTheirBars()
    {
        FrmMain main;
        const QList<QPair<QString, QWidget *>> items = {{"mnuViewToolbar", main.SSTabTop},
                                                        {"mnuViewStatusBar", main.MainStBar},
                                                        {"mnuViewDBToolbar", main.DBToolbar},
                                                        {"mnuDbViewer", main.PanelLeftDock}};
        main.show();
        for (const auto &[name, target] : items) {
            QAction *item = main.menuItem(name);
            QVERIFY(target->isVisible());
            item->trigger();
            QVERIFY(!item->isChecked());
            QVERIFY2(target->isHidden(), qPrintable(name));
            item->trigger();
            QVERIFY(item->isChecked());
            QVERIFY(target->isVisible());
        }
        main.mnuDbViewer_Click();
        QVERIFY(!main.menuItem(QStringLiteral("mnuDbViewer"))->isChecked());
        QVERIFY(main.PanelLeftDock->isHidden());
    }

    void windowMenuArrangesAndCloses()
    {
        FrmMain main;
        main.resize(1000, 700);
        main.show();
        QMdiSubWindow *first = addChild(main, new QWidget);
        QMdiSubWindow *second = addChild(main, new QWidget);
        const QRect area = main.mdiArea()->viewport()->rect();

        main.menuItem(QStringLiteral("mnuWindowTileVertical"))->trigger();
        QCOMPARE(first->geometry().top(), 0);
        QCOMPARE(second->geometry().top(), 0);
        QCOMPARE(first->width(), area.width() / 2);
        QCOMPARE(second->x(), area.width() / 2);
        QCOMPARE(first->height(), area.height());

        main.menuItem(QStringLiteral("mnuWindowTileHorizontal"))->trigger();
        QCOMPARE(first->x(), 0);
        QCOMPARE(second->x(), 0);
        QCOMPARE(first->width(), area.width());
        QCOMPARE(second->y(), area.height() / 2);

        // Windows that cannot keep their least size in one band go in rows or columns,
        // overlapping rows only where the area cannot hold them whole.
        ChildArranger::setLeastSize(second, QSize(area.width() * 2 / 3, 100));
        main.menuItem(QStringLiteral("mnuWindowTileVertical"))->trigger();
        QCOMPARE(first->geometry(), QRect(0, 0, area.width(), area.height() / 2));
        const QSize least(267, 200);
        QCOMPARE(ChildArranger::tiles(QSize(780, 590), 3, least, false).last(),
                 QRect(390, 0, 390, 590));
        const QList<QRect> ten = ChildArranger::tiles(QSize(780, 590), 10, least, false);
        QCOMPARE(ten.at(9), QRect(390, 390, 390, 200));
        QCOMPARE(ten.at(2).top(), 97);

        main.mdiArea()->setActiveSubWindow(second);
        main.menuItem(QStringLiteral("mnuFileClose"))->trigger();
        QCOMPARE(main.mdiArea()->subWindowList().size(), 1);
        QCOMPARE(main.mdiArea()->subWindowList().first(), first);
    }
};

QTEST_MAIN(TestMenus)
#include "kb_menus.moc"
