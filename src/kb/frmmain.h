#pragma once

#include "winsvc/flatcontrols.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>

#include <functional>

class QCheckBox;
class QComboBox;
class QDockWidget;
class QLabel;
class QLineEdit;
class QListWidget;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPushButton;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class RecordVerbs;
struct MenuImage;

// ---- Record windows as the main window sees them ----------------------------------------------
// The main window drives record windows (library editor) without linking them: it creates them
// through a factory registered at start-up and talks to them through this interface and the
// record verbs.
class RecordWindowLink
{
public:
    virtual ~RecordWindowLink() = default;

    virtual bool isSearchMode() const = 0;
    // True while an added or edited record is not saved yet.
    virtual bool hasPendingChange() const = 0;
    // 0-based position of the shown record, -1 when none.
    virtual int recordPosition() const = 0;
    // Shows the record at a list position; refused (false) while a change is pending.
    virtual bool showRecordAt(int position) = 0;
    // The key of the record at a position of the window's recordset, -1 when none.
    virtual qint64 recordKeyAt(int position) const = 0;
    virtual bool showRecordByKey(qint64 key) = 0;
    virtual QString currentTopic() const = 0;
    virtual qint64 currentRecordKey() const = 0;
    // Deletes one record of a topic without asking; used after a record was moved away.
    virtual void deleteRecordByKey(const QString &topic, qint64 key) = 0;
    virtual void Form_Activate() = 0;
    virtual void Form_Deactivate() = 0;
};

// The program's one MDI main window; every record and tool window is its child.
class FrmMain : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int DatabaseButtons = 10;

    explicit FrmMain(QWidget *parent = nullptr);
    ~FrmMain() override;

    void MDIForm_Load();
    // Docks the left panel by the drop point (main-window x in pixels).
    void MDIForm_DragDrop(int x);
    // A double click on the empty background opens a database.
    void MDIForm_DblClick();
    // The quit question; true when the user agreed.
    bool MDIForm_QueryUnload();
    // Unloads every child and closes every database; false when a child refused to close.
    bool MDIForm_Unload();

    QMdiArea *mdiArea() const { return m_mdiArea; }
    int LoadCount = 0;
    bool KeyWordErased = false;

    // The database keys and tooltips of the database toolbar, by button index - 1.
    static const QStringList &databaseKeys();
    static const QStringList &databaseTips();

    // Controls other windows reach through MainForm.
    QDockWidget *PanelLeftDock = nullptr;
    QWidget *PanelLeft = nullptr;
    QWidget *PanelTop = nullptr;
    QWidget *PanelHolder = nullptr;
    QWidget *PanelMain2 = nullptr;
    QWidget *LabelPicDesc = nullptr;
    QWidget *PicSlider = nullptr;
    QListWidget *TablesName = nullptr;
    QLineEdit *TxtOpenDB = nullptr;
    QWidget *PicTitleBar = nullptr;
    QLabel *ImgCloseDBBar = nullptr;
    QTabWidget *SSTabMain = nullptr;
    QTabWidget *SSTabTop = nullptr;
    QComboBox *ComboTable = nullptr;
    QListWidget *ListRecords = nullptr;
    QLineEdit *TxtKeyWord = nullptr;
    QComboBox *ComboSrhDBName = nullptr;
    QComboBox *ComboKeyWord = nullptr;
    QPushButton *CmdSrh = nullptr;
    QPushButton *CmdAndOrNot = nullptr;
    QCheckBox *CHKExact = nullptr;
    QCheckBox *ChkKeywordMap = nullptr;
    QTreeWidget *ListResult = nullptr;
    QTreeWidget *DataTree = nullptr;
    QToolBar *DBToolbar = nullptr;
    QToolBar *ToolBarMain = nullptr;
    QToolBar *TBEdit = nullptr;
    QToolBar *TBTool = nullptr;
    QComboBox *ComboFont = nullptr;
    QComboBox *ComboFontSize = nullptr;
    QStatusBar *MainStBar = nullptr;
    QLabel *StatusPanel1 = nullptr;

    // Record windows by database button index (1 to 10); 0 is unused.
    QPointer<QWidget> RecordForms[DatabaseButtons + 1];

    // Keyword search on the [Search] tab and quick locate on the [Records] tab.
    QString SearchDatabaseName;
    QString SearchHistoryFile;
    bool UseKeywordMap = false;
    void SelectSearchDatabase();
    QString SearchDatabasePath() const;
    void ListTopicTables();
    void ComboKeyWord_KeyPress(int key);
    bool CheckKeyword(const QString &keyword);
    void CloseSearchWindow();
    void ClearSearchResults();
    void SearchKeyword(const QString &field);
    bool KeywordNotListed(const QString &keyword, int lastIndex, QComboBox *combo) const;
    void ShowSearchResults();
    void CmdSrh_Click();
    void ComboKeyWord_Change();
    void TxtKeyWord_Change();
    bool isSearching() const { return m_searching; }
    // The SrhResult row a result-list item shows.
    static qint64 searchResultId(const QTreeWidgetItem *item);

    // ---- Database toolbar, record windows and question list (frmmaindatabases.cpp) ----------
public:
    using RecordWindowFactory = std::function<QWidget *(FrmMain *main, bool searchMode)>;
    // Registered once at start-up; the record window lives in a library this one cannot link.
    static void setRecordWindowFactory(RecordWindowFactory factory);

    void DBToolbar_ButtonClick(QAction *button);
    bool TestOpenDatabase(const QString &file);
    void LoadCountMinus();
    void RemoveForm();
    void RestoreForm();
    // Remembers the record a transfer starts from; AfterTransferRecord deletes exactly it.
    void BeginTransferRecord();
    void AfterTransferRecord();
    void EnableControls(int first, int last);
    void DisableControls(int first, int last);
    void DBToolbar_MouseDown(Qt::MouseButton button, const QPoint &pos);
    void ImgCloseDBBar_Click();
    void ComboTable_Click();
    // Rereads the topic on screen (after records were added to it from outside), keeping the
    // record shown.
    void RefreshShownTopic();
    void ListRecords_Click();
    void ListRecords_MouseDown(Qt::MouseButton button, const QPoint &pos);
    void ListRecords_MouseMove(const QPoint &pos);
    void ListResult_Click();
    // The search-result window, created on first use; nullptr when none is open.
    QWidget *OpenSearchResultForm();
    void TileVertically();
    // The record window whose MDI child is active, or nullptr.
    RecordWindowLink *activeRecordWindow() const;
    // The Edit menu's record commands wait, as the toolbar's buttons do, while the active
    // record window holds an unsaved record.
    void updateRecordMenuItems();
    QMdiSubWindow *subWindowOf(const QWidget *form) const;
    // The ToolBarMain button at a 1-based index, or nullptr.
    QAction *mainToolButton(int index) const;

    QVector<int> ReopenList;
    bool ReopenAfterCompact = false;
    QPointer<QWidget> SearchResultForm;

private:
    void connectDatabaseControls();
    void onSubWindowActivated(QMdiSubWindow *window);
    static void playSound(const QString &name);

    QPointer<QWidget> m_activeRecordForm;
    // A child opened while the main window itself was inactive, to activate when it is active.
    QPointer<QMdiSubWindow> m_pendingChild;
    void activateChild(QMdiSubWindow *window);
    QPointer<QWidget> m_transferForm;
    QString m_transferTopic;
    qint64 m_transferKey = -1;

public:
    // ---- end of database toolbar block ---------------------------------------------------------
    // ---- Command menus and toolbars (frmmainmenus.cpp) ----
    // Menu items by name ("mnuEditPaste"), separators and submenus included; nullptr if none.
    QAction *menuItem(const QString &name) const;
    // Drop-down menus by name, for popping up ("mnuEditDataTree", "mnuC", "mnuEditAddMore").
    QMenu *subMenu(const QString &name) const;
    // Toolbar buttons by index from 1; separators count, the font combo boxes do not.
    QAction *ToolBarMainButton(int index) const;
    QAction *TBEditButton(int index) const;
    QAction *TBToolButton(int index) const;
    // A button or drop-down entry of the three command toolbars by its key.
    QAction *toolbarButton(const QString &key) const;
    // Pictures of the main toolbar's image list (12 the Listen button, 23 and 24 its blink).
    static QIcon imlMainToolbarImage(int index);
    // The record window reports whether undo and redo are possible.
    void setUndoRedoEnabled(bool canUndo, bool canRedo);

    // The toolbars' clicks, by key.
    void ToolBarMain_ButtonClick(const QString &key);
    void ToolBarMain_ButtonMenuClick(const QString &key);
    void TBEdit_ButtonClick(const QString &key);

    // Arranges the child windows: 0 cascade, 1 tile horizontally, 2 tile vertically, 3 icons.
    void Arrange(int arrangement);

    // Menu procedures.
    void mnuFileClose_Click();
    void mnuFileExit_Click();
    void mnuConvertWord_Click();
    void mnuConvertExcel_Click();
    void mnuExportToTxtFile_Click();
    void mnuImportExcel_Click();
    void mnuEditUndo_Click();
    void mnuEditRedo_Click();
    void mnuSelectAll_Click();
    void mnuAddNewRec_Click();
    void mnuEditCurRec_Click();
    void mnuDelCurRec_Click();
    void mnuSelectQuery_Click();
    void mnuUpdateQuery_Click();
    void mnuInsertQuery_Click();
    void mnuDeleteQuery_Click();
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuViewDBToolbar_Click();
    void mnuDbViewer_Click();

    // Commands carried out by the windows and procedures that own them.
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFilePrintPreview_Click();
    void mnuFilePrint_Click();
    void mnuCloseAll_Click();
    void mnuImportText_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuFindWord_Click();
    void mnuReplace_Click();
    void mnuTransfer_Click();
    void mnuAddTopic_Click();
    void mnuDelTopic_Click();
    void mnuDeleteDB_Click();
    void mnuCompatDB_Click();
    void mnuAnd_Click();
    void mnuOR_Click();
    void mnuNot_Click();
    void mnuImageNavi_Click();
    void mnuWebSurf_Click();
    void mnuTelnet_Click();
    void mnuFTP_Click();
    void mnuHelpAbout_Click();
    void TBTool_ButtonClick(const QString &key);
    void DBConvert(const QString &target);
    void DBExportTextFile(const QString &target);
    void ImportFromExcel();
    void FillQuerySkeleton(QTreeWidget *tree, int kind);
    void ShowFindAndReplace();
    void FormatActiveControl(const QString &key);
    // The drawn picture of a toolbar key ("Print", "Scale Up", "Next"...), made when first shown.
    static QIcon CommandIcon(const QString &key);
    // ---- end of command menus and toolbars ----

    // ---- Tool windows inside the main window (frmmaintools.cpp) ----
    using ToolWindowFactory = std::function<QWidget *(FrmMain *main)>;
    // Registered at start-up by key ("Internet", "FTP", "Telnet", "Image Navigator").
    static void setToolWindowFactory(const QString &key, ToolWindowFactory factory);
    // The tool's one window, created on first use; nullptr when the tool is not built in.
    QWidget *toolWindow(const QString &key);
    void SSTabTop_Click(int tab);
    void CloseAllChildren();
    void ReleaseToolParents();
    void ShowRecordForms(bool show);
    // The one owner of the left panel and the tools' place in the top band: the tools register
    // their pieces with it and dock through it.
    class ToolDock *toolDock() const { return m_toolDock; }
    // Shows or hides the left panel (the View menu's mark follows).
    void setPanelLeftVisible(bool visible);
    // The left panel's caption names what it shows: the database tabs, or the tree a tool
    // docked in their place (by the tool's caption). The docking service calls it whenever
    // the panel's content changes.
    void ShowPanelCaption();

signals:
    void searchFinished(qint64 hits);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    QWidget *createLeftPanel();
    QWidget *createTopPanel();
    void BuildTrayMenu();
    void SetTrayIcon();
    void FillFontCombo(QComboBox *combo);
    void FillFontSizeCombo(QComboBox *combo);
    void InstallWindowLook();
    void FlattenControls();
    void InstallCoolMenus();
    // The menu pictures, each tagged with the start of the item texts it belongs to.
    static QList<MenuImage> ImageList();
    void ApplyTooltips();
    void LoadBackground();
    void InstallSplitter();
    void SaveCaptionColor();
    void SetCaptionColor(quint32 bgr);
    void RestoreCaptionColor();
    void ShowWelcome();
    void FillSearchDatabaseCombo();
    void ReleaseWindowObjects();
    void ReleaseSpeech();
    enum class Unloading { Done, Waiting, Refused };
    Unloading UnloadAllForms();
    // Finishes a confirmed quit once the children that put their close off have gone.
    void quitWhenChildrenSettle();
    void CloseAllDatabases();

    QMdiArea *m_mdiArea = nullptr;
    QLabel *m_panelCaption = nullptr;
    class CaptionStyle *m_captionStyle = nullptr;
    class ToolDock *m_toolDock = nullptr;
    QSystemTrayIcon *m_frmSysTray = nullptr;
    QMenu *m_trayMenu = nullptr;
    quint32 m_savedCaptionColor = 0;
    bool m_closing = false;
    // The quit was answered "Yes" but waits for the running search to settle.
    bool m_quitConfirmed = false;
    bool m_quitPending = false;
    QList<QPointer<QMdiSubWindow>> m_settlingChildren;
    class ChildArranger *m_arranger = nullptr;
    bool AskQuit();
    QPoint m_titleDragStart;

    // Keyword search.
    void connectSearchControls();
    void finishSearch(const struct SearchOutcome &outcome, const QString &keyword);
    void appendCriteria(const QString &word);
    bool m_searching = false;
    std::shared_ptr<std::atomic_bool> m_searchCancel;
    // ---- Command menus and toolbars (frmmainmenus.cpp) ----
    void createMenus();
    void connectToolControls();
    void createToolBarMain();
    void createTBEdit();
    void createTBTool();
    void sendVerb(void (RecordVerbs::*verb)());
    QAction *addToolbarButton(QToolBar *toolbar, QList<QAction *> &buttons, const QString &key,
                              const QString &tip);

    QHash<QString, QAction *> m_menuItems;
    QHash<QString, QMenu *> m_subMenus;
    QHash<QString, QAction *> m_toolbarKeys;
    QList<QAction *> m_toolBarMainButtons;
    QList<QAction *> m_tbEditButtons;
    QList<QAction *> m_tbToolButtons;
    // ---- end of command menus and toolbars ----
    // ---- Window services: flat look, tips, background, splitter (winsvc) ----
    FlatControls m_flatControls;
    std::unique_ptr<class clsTooltip> m_tooltip;
    std::unique_ptr<class BG> m_background;
    std::unique_ptr<class Splitter> m_splitter;
    // ---- end of window services ----

    // ---- Find and replace window (frmmainfind.cpp) ----
public:
    // Find presets the answer's selection; Search opens the window with nothing preset; Replace
    // opens it and presses its Replace button.
    enum class FindCommand { Find, Search, Replace };
    using FindWindowOpener = std::function<void(FrmMain *main, FindCommand command)>;
    // Registered once at start-up; the window lives in a library this one cannot link.
    static void setFindWindowOpener(FindWindowOpener opener);
    // ---- end of find and replace window ----
    // ---- Conversion window (dbtools, frmmainconvert.cpp) ----
public:
    // Opens the conversion window for the active child; registered once at start-up.
    using ConvertWindowFactory = std::function<void(FrmMain *main, const QString &target)>;
    static void setConvertWindowFactory(ConvertWindowFactory factory);
    // ---- end of conversion window ----
    // ---- Editing, printing, preview and save commands (frmmainediting.cpp) ----
public:
    // Shows the print preview of an RTF file modally, or with directPrint prints it at once;
    // registered at start-up, the preview window lives in a library this one cannot link.
    using PreviewWindowFactory =
        std::function<void(FrmMain *main, const QString &rtfPath, bool directPrint)>;
    static void setPreviewWindowFactory(PreviewWindowFactory factory);
    // True when a printer can be used; otherwise offers to install one.
    bool PrinterCheck();
    // Starts the desktop's printer settings; false, said to the user, when there are none.
    bool AddPrinter();
    // The font boxes of the edit toolbar format the selection of the answer being edited.
    void ComboFont_Click();
    void ComboFontSize_Click();

private:
    void connectFontCombos();
    void PreviewActiveAnswer(bool directPrint);
    class RichTextBox *activeAnswerBox() const;
    QString answerRtfForCopy(const RichTextBox *answer) const;
    QWidget *activeFormControl() const;
    // ---- end of editing, printing, preview and save commands ----
    // ---- Data View (library dbtools, frmmaindataview.cpp) ----
public:
    // Makes the Data View window (an MDI child, not shown, no database opened yet);
    // registered once at start-up, the window lives in a library this one cannot link.
    using DataViewFactory = std::function<QWidget *(FrmMain *main)>;
    static void setDataViewFactory(DataViewFactory factory);
    // Shows a file in the Data View, loading the window when needed; kind is the source kind.
    void OpenDataView(const QString &path, int kind);
    // The loaded Data View, nullptr when none.
    class DataViewLink *dataView() const;
    QWidget *dataViewForm() const;
    // ---- end of Data View ----
    // ---- Database maintenance windows: transfer, compact, text export and import ----
public:
    // Shows one window by its name ("FrmTrans", "FrmCompactDB", "FrmExportDBTextFile",
    // "FrmImportFromText"); registered at start-up, the windows live in a library this one
    // cannot link.
    using DbMaintenanceFactory = std::function<void(FrmMain *main, const QString &window)>;
    static void setDbMaintenanceFactory(DbMaintenanceFactory factory);

private:
    void showDbMaintenanceWindow(const QString &window);
    static bool hasDbMaintenanceWindows();
    // ---- end of database maintenance windows ----
    // ---- Left panel: tabs, sounds, schema-tree events, splitter (frmmainleftpanel.cpp) ----
public:
    void SSTabMain_Click(int previousTab);
    void SSTab0();
    void SSTab1();
    void SSTab2();
    void DataTree_DblClick();
    void DataTree_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void DataTree_MouseDown(Qt::MouseButton button, const QPoint &pos);
    void picSlider_MouseDown(const QPoint &pos);
    void MDIForm_MouseMove(const QPoint &cursor);
    void MDIForm_MouseUp(const QPoint &cursor);
    // Sizes the left panel for a splitter bar dropped at x (main-window pixels); returns the
    // panel's width in twips after the 2600/6240 limits.
    int LeftPanelDropped(int x);
    static int clampSliderLeft(int leftTwips);
    void LayoutLeftPanel();
    void ChooseTreeFont();
    void ChooseControlFont(QWidget *control);
    static void DigitsOnlyKey(quint16 &keyAscii);
    // The sounds of the panel's drop-downs and of its buttons' presses.
    static void PlayDropDownSound();
    static void PlayClickDownSound();

private:
    void connectLeftPanel();
    void UpdateCloseAllMenu(int tab);
    void PlayTabSound(const QString &name);
    void activateShown(QWidget *preferred);
    // ---- end of left panel ----
};
