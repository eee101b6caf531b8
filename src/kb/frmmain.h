#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QCheckBox;
class QComboBox;
class QDockWidget;
class QLabel;
class QLineEdit;
class QListWidget;
class QMdiArea;
class QMenu;
class QPushButton;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

// The program's one MDI main window; every record and tool window is its child.
class FrmMain : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int DatabaseButtons = 10;

    explicit FrmMain(QWidget *parent = nullptr);
    ~FrmMain() override;

    void MDIForm_Load();
    void MDIForm_Resize();
    // Docks the left panel by the drop point (main-window x in pixels).
    void MDIForm_DragDrop(int x);
    // The quit question; true when the user agreed and the window objects are released.
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
    QPointer<QWidget> SearchResultForm;
    // Opens the search-result window over SrhResult; set by the program at start-up.
    static std::function<QWidget *(FrmMain *)> searchWindowFactory;
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

signals:
    void searchFinished(qint64 hits);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
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
    bool UnloadAllForms();
    void CloseAllDatabases();

    QMdiArea *m_mdiArea = nullptr;
    QSystemTrayIcon *m_frmSysTray = nullptr;
    QMenu *m_trayMenu = nullptr;
    quint32 m_savedCaptionColor = 0;
    bool m_closing = false;
    QPoint m_titleDragStart;

    // Keyword search.
    void connectSearchControls();
    void finishSearch(const struct SearchOutcome &outcome, const QString &keyword);
    QMenu *m_criteriaMenu = nullptr;
    bool m_searching = false;
};
