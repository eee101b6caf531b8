#pragma once

#include "kb/dataviewlink.h"
#include "kb/recordverbs.h"
#include "winsvc/closeguard.h"

#include <QPointer>
#include <QVariant>
#include <QWidget>

class DbQueryRecordModel;
class Dialog;
class FrmMain;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace db {
class DataControl;
}

// The Data View: any one database in raw form. A list of its tables, a grid with the
// rows of the chosen table, and an SQL box whose statements run against the database.
// One instance, an MDI child of the main window; it keeps its data control's
// database open while it is loaded.
class FrmAdvance : public QWidget, public RecordVerbs, public DataViewLink
{
    Q_OBJECT

public:
    explicit FrmAdvance(FrmMain *main, QWidget *parent = nullptr);
    ~FrmAdvance() override;

    // The one Data View of a main window, created on first use; nullptr when none.
    static FrmAdvance *instance();
    // The main window's open-database command: shows the file in the Data View,
    // loading the window when needed. connect is the data control's source prefix.
    static void OpenDataView(FrmMain *main, const QString &path,
                             const QString &connect = QStringLiteral("Access 2000;"));
    // The window as an MDI child of the main window, not shown and with nothing opened.
    static QWidget *createDataView(FrmMain *main);

    QString DatabaseName() const override { return m_databaseName; }
    void setDatabaseName(const QString &name) override { m_databaseName = name; }
    db::DataControl *dataControl() const override { return DataNavi; }
    void setQueryText(const QString &text) override;
    void dropTable(const QString &name) override;
    void showDataView() override;

    // The password of the database shown, kept as the SQL box's tag ("" when none).
    QString password() const override;
    void setPassword(const QString &password);

    void ComboTable_Click();
    void AddRec() override;
    bool UpDateIt(const QString &oldName, const QString &newName, QTreeWidgetItem *parentNode);
    void DataTreeRefresh(QTreeWidget *tree);
    void SStabClicked(const QString &queryName);
    // Opens DatabaseName; false (and the window closed) when it cannot be shown.
    bool FormLoadInit() override;
    void RecordCount();

    // Shows the busy window and runs the SQL text once the event loop has put it on the
    // screen: the statement's effects arrive after this returns.
    void CmdRunQuery_Click();
    // True from a click on the run button until that run has ended.
    bool queryRunning() const { return m_queryRunning; }
    void TxtQuery_Change();
    // The value a parameter of a stored query gets from the typed text; an invalid
    // value when the text does not read as that type.
    static QVariant ConvertParameterValue(const QString &text, const QString &typeName);
    // The value type name a parameter's declared data type gives ("String", "Long", ...).
    static QString parameterTypeName(int dataType);
    // Where a dropped splitter bar ends up (pixels from the top of the SQL box's row).
    static int clampSliderTop(int top, int gridHeight);

    qint32 StoredRecordCount = 0;

    QComboBox *ComboTable = nullptr;
    QPlainTextEdit *TxtQuery = nullptr;
    QPushButton *CmdRunQuery = nullptr;
    db::DataControl *DataNavi = nullptr;
    QTableView *DBGridRecord = nullptr;
    QLabel *GridCaption = nullptr;
    QSplitter *picSlider = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool FillTableCombo();
    void ShowRecordCount(qint32 count);
    // The caption, the table list and the status name what the grid shows: a table or the
    // result of a statement.
    void showingTable();
    void showingQuery(const QString &sql);
    void SizeGridColumns();
    void DBGridRecord_HeadClick(int column);
    void ShowQueryResult(const QString &sql);
    void CloseViewDatabase();
    int ExecuteActionQuery(const QString &sql);
    void RebindAfterAction();
    void bindGrid();
    void setStatusText(const QString &text);
    void ShowViewStatus();
    void connectMainTree();
    void DataTree_NodeClick(QTreeWidgetItem *node);
    void DataTree_AfterLabelEdit(QTreeWidgetItem *node, int column);
    QString connectWithPassword(const QString &connect) const;
    void unloadWindow();
    void runOnceBusyWindowShows(const QString &sql, int turns);
    void runQuery(const QString &sql);
    void unloadBusyWindow();
    void endQueryRun();
    class Operation;
    void closeWhenIdle();

    FrmMain *m_main = nullptr;
    QString m_databaseName;
    QString m_shownName;      // the table or statement the grid shows, as the status names it
    QString m_tableOfQueries; // the table chosen before the statements that followed it
    DbQueryRecordModel *m_model = nullptr;
    int m_sliderTop = -1; // where the bar stood before the current drag
    // The file the password in the SQL box's tag belongs to.
    QString m_passwordPath;
    bool m_fillingTree = false;
    bool m_unloaded = false;
    // Holds a close that comes while a query run is under way.
    CloseGuard m_closeGuard{[this] { closeWhenIdle(); }, this};
    bool m_queryRunning = false;
    QPointer<Dialog> m_busy; // the current run's busy window
};
