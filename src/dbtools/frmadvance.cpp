#include "dbtools/frmadvance.h"

#include "dbtools/dbqueryrecordmodel.h"
#include "dbtools/dbqueryschematree.h"
#include "editor/mdiminimumsize.h"
#include "kb/daodatabase.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/base/apperror.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbrecordset.h"
#include "platform/db/dbsql.h"
#include "platform/prompt/prompter.h"
#include "shell/dialog.h"
#include "shell/mainfunctions.h"
#include "winsvc/setcombowidth.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QPointer<FrmAdvance> s_instance;

const char *const TagProperty = "Tag";

// 15 twips to the pixel.
constexpr int twips(int value)
{
    return value / 15;
}

class OverrideCursor
{
public:
    OverrideCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
    OverrideCursor(const OverrideCursor &) = delete;
    OverrideCursor &operator=(const OverrideCursor &) = delete;
};

} // namespace

FrmAdvance::FrmAdvance(FrmMain *main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("FrmAdvance"));
    setWindowTitle(QStringLiteral("Data View"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 9));
    new MdiMinimumSize(this);

    DataNavi = new db::DataControl(this);
    DataNavi->setObjectName(QStringLiteral("DataNavi"));

    ComboTable = new QComboBox;
    ComboTable->setObjectName(QStringLiteral("ComboTable"));
    // A typed name shows that table as soon as it is one; the rows are only ever read.
    SetComboEditable(ComboTable); // the rows follow exactly what is typed
    ComboTable->setInsertPolicy(QComboBox::NoInsert);
    ComboTable->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    TxtQuery = new QPlainTextEdit;
    TxtQuery->setObjectName(QStringLiteral("TxtQuery"));
    TxtQuery->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TxtQuery->setProperty(TagProperty, QString());

    CmdRunQuery = new QPushButton(QStringLiteral("&Run"));
    CmdRunQuery->setObjectName(QStringLiteral("CmdRunQuery"));
    CmdRunQuery->setEnabled(false);

    GridCaption = new QLabel;
    GridCaption->setObjectName(QStringLiteral("DBGridCaption"));
    GridCaption->setAlignment(Qt::AlignCenter);

    m_model = new DbQueryRecordModel(this);
    DBGridRecord = new QTableView;
    DBGridRecord->setObjectName(QStringLiteral("DBGridRecord"));
    DBGridRecord->setModel(m_model);
    DBGridRecord->horizontalHeader()->setSectionsClickable(true);

    auto *queryRow = new QWidget;
    auto *queryLayout = new QHBoxLayout(queryRow);
    queryLayout->setContentsMargins(1, 1, 1, 1);
    queryLayout->addWidget(TxtQuery, 1);
    queryLayout->addWidget(CmdRunQuery, 0, Qt::AlignTop);

    auto *gridPart = new QWidget;
    auto *gridLayout = new QVBoxLayout(gridPart);
    gridLayout->setContentsMargins(1, 0, 1, 1);
    gridLayout->setSpacing(0);
    gridLayout->addWidget(GridCaption);
    gridLayout->addWidget(DBGridRecord, 1);

    picSlider = new QSplitter(Qt::Vertical);
    picSlider->setObjectName(QStringLiteral("picSlider"));
    picSlider->setOpaqueResize(false); // the bar's shadow follows the drag
    picSlider->setChildrenCollapsible(false);
    picSlider->addWidget(queryRow);
    picSlider->addWidget(gridPart);
    picSlider->setStretchFactor(1, 1);
    picSlider->setSizes({twips(1200), twips(6000)});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(ComboTable, 0, Qt::AlignLeft);
    layout->addWidget(picSlider, 1);

    connect(ComboTable, &QComboBox::activated, this, [this] { ComboTable_Click(); });
    // Typing only: the lists this window fills itself choose their table in code.
    connect(ComboTable->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboTable_Click(); });
    connect(TxtQuery, &QPlainTextEdit::textChanged, this, [this] { TxtQuery_Change(); });
    connect(CmdRunQuery, &QPushButton::clicked, this, [this] { CmdRunQuery_Click(); });
    connect(DBGridRecord->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { DBGridRecord_HeadClick(column); });
    connect(DataNavi, &db::DataControl::recordsetChanged, this, [this] { bindGrid(); });
    connect(m_model, &DbQueryRecordModel::editFailed, this, [](int, const QString &description) {
        Prompter::instance().messageBox(description, 103, 4, QStringLiteral("ERROR"));
    });
    connect(picSlider, &QSplitter::splitterMoved, this, [this](int pos, int) {
        const QList<int> sizes = picSlider->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        // The lower limit follows the grid's height from before the move, not after it.
        const int before = m_sliderTop >= 0 ? m_sliderTop : pos;
        const int top = clampSliderTop(pos, total - before);
        if (top != pos)
            picSlider->setSizes({top, total - top});
        m_sliderTop = picSlider->sizes().value(0);
    });
    picSlider->handle(1)->installEventFilter(this);
    connectMainTree();
    s_instance = this;
}

FrmAdvance::~FrmAdvance()
{
    // A run cut short by the program's end leaves no busy window or hourglass behind.
    if (m_busy)
        m_busy->Unload();
    DataNavi->close();
}

FrmAdvance *FrmAdvance::instance()
{
    return s_instance;
}

QString FrmAdvance::password() const
{
    return TxtQuery->property(TagProperty).toString();
}

void FrmAdvance::setPassword(const QString &password)
{
    TxtQuery->setProperty(TagProperty, password);
    m_passwordPath = password.isEmpty() ? QString() : m_databaseName;
}

QString FrmAdvance::connectWithPassword(const QString &connect) const
{
    QString prefix = connect;
    const qsizetype pwd = prefix.indexOf(QLatin1String("pwd="), 0, Qt::CaseInsensitive);
    if (pwd >= 0)
        prefix.truncate(pwd);
    if (password().isEmpty())
        return prefix;
    if (!prefix.isEmpty() && !prefix.endsWith(QLatin1Char(';')))
        prefix += QLatin1Char(';');
    return prefix + QStringLiteral("pwd=") + password();
}

void FrmAdvance::OpenDataView(FrmMain *main, const QString &path, const QString &connect)
{
    OverrideCursor busy;
    FrmAdvance *view = s_instance;
    if (view && view->DataNavi->DatabaseName() == path) {
        Prompter::instance().messageBox(QStringLiteral("Database ") + path +
                                            QStringLiteral(" has already been opened!"),
                                        105, 4, QStringLiteral("FAILED"));
        return;
    }
    if (!view)
        view = static_cast<FrmAdvance *>(createDataView(main));
    view->setDatabaseName(path);
    view->DataNavi->setConnect(connect);
    if (!view->FormLoadInit())
        return;
    view->showDataView();
}

QWidget *FrmAdvance::createDataView(FrmMain *main)
{
    auto *view = new FrmAdvance(main);
    if (main && main->mdiArea()) {
        QMdiSubWindow *sub = main->mdiArea()->addSubWindow(view);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(main->mdiArea(), &QMdiArea::subWindowActivated, view,
                         [view, sub](QMdiSubWindow *active) {
                             if (active == sub)
                                 view->ShowViewStatus();
                         });
    } else {
        view->setAttribute(Qt::WA_DeleteOnClose);
    }
    return view;
}

void FrmAdvance::showDataView()
{
    if (QWidget *frame = parentWidget())
        frame->showMaximized();
    else
        showMaximized();
    ShowViewStatus();
}

void FrmAdvance::setQueryText(const QString &text)
{
    TxtQuery->setPlainText(text);
}

void FrmAdvance::dropTable(const QString &name)
{
    const auto database = DataNavi->database();
    if (!database)
        db::raise(db::ErrObjectInvalid);
    const bool shown = DataNavi->RecordSource().compare(name, Qt::CaseInsensitive) == 0;
    if (shown)
        DataNavi->setRecordset(nullptr);
    database->deleteTableDef(name);
    // The list loses that name, whichever entry happens to be current.
    const int index = ComboTable->findText(name, Qt::MatchFixedString);
    if (index >= 0)
        ComboTable->removeItem(index);
    if (shown && ComboTable->count() > 0) {
        ComboTable->setCurrentIndex(0);
        ComboTable_Click();
    }
}

bool FrmAdvance::FormLoadInit()
{
    try {
        // A password belongs to the file it opened.
        if (m_passwordPath != m_databaseName)
            setPassword(QString());
        DataNavi->setDatabaseName(m_databaseName);
        // Only native files can be read: a foreign source fails before anything is listed.
        db::DBEngine::passwordFromConnect(DataNavi->Connect());
        setWindowTitle(QStringLiteral("Data View - ") + m_databaseName);
        if (!FillTableCombo()) {
            Prompter::instance().messageBox(
                QStringLiteral("Database cannot be open, please try again!"), 103, 4,
                QStringLiteral("ERROR OPEN"));
            unloadWindow();
            return false;
        }
        DataNavi->setConnect(connectWithPassword(DataNavi->Connect()));
        DataNavi->setRecordSource(ComboTable->currentText());
        DataNavi->Refresh();
        showingTable();
        if (m_main)
            DataTreeRefresh(m_main->DataTree);
        SizeGridColumns();
        return true;
    } catch (const AppException &error) {
        QString text =
            QString::number(error.number()) + QStringLiteral("\r\n") + error.description();
        if (error.number() == db::ErrNoInstallableIsam)
            text += QStringLiteral("\r\nSource type: ") + DataNavi->Connect();
        Prompter::instance().messageBox(text, 103, 4, QStringLiteral("ERROR"));
        unloadWindow();
        return false;
    }
}

bool FrmAdvance::FillTableCombo()
{
    DAODataBase data;
    data.setDatabaseName(m_databaseName);
    const bool filled = data.AddTableNameToCombo(ComboTable, password());
    if (!data.enteredPassword().isEmpty())
        setPassword(data.enteredPassword());
    return filled;
}

void FrmAdvance::DataTreeRefresh(QTreeWidget *tree)
{
    if (!tree)
        return;
    LockWindow(tree, true);
    {
        OverrideCursor busy;
        m_fillingTree = true;
        try {
            fillSchemaTree(tree, m_databaseName, password());
        } catch (const AppException &) {
            // The tree shows what it could read; the grid is what matters here.
        }
        m_fillingTree = false;
    }
    LockWindow(tree, false);
}

void FrmAdvance::ComboTable_Click()
{
    DBGridRecord->hide();
    DataNavi->setRecordSource(ComboTable->currentText());
    try {
        DataNavi->Refresh();
    } catch (const AppException &) {
    }
    showingTable();
    SizeGridColumns();
    DBGridRecord->show();
}

void FrmAdvance::RecordCount()
{
    DAODataBase data;
    const auto recordset = DataNavi->recordset();
    StoredRecordCount = recordset ? qint32(data.Record_Count(recordset.get())) : 0;
    ShowRecordCount(StoredRecordCount);
}

void FrmAdvance::ShowRecordCount(qint32 count)
{
    setStatusText(QStringLiteral("There are ") + QString::number(count) +
                  QStringLiteral(" records in: ") + m_shownName);
}

void FrmAdvance::showingTable()
{
    m_shownName = ComboTable->currentText();
    GridCaption->setText(m_shownName + QStringLiteral(" Table"));
    GridCaption->setToolTip(QString());
    RecordCount();
}

void FrmAdvance::showingQuery(const QString &sql)
{
    if (!ComboTable->currentText().isEmpty())
        m_tableOfQueries = ComboTable->currentText();
    {
        // No table is chosen any more: the list names none.
        const QSignalBlocker blocker(ComboTable);
        ComboTable->setCurrentIndex(-1);
    }
    // The statement names the rows, on one line and short enough for the status bar.
    constexpr int Longest = 60;
    m_shownName = sql.simplified();
    if (m_shownName.size() > Longest)
        m_shownName = m_shownName.left(Longest - 3) + QStringLiteral("...");
    GridCaption->setText(m_shownName);
    GridCaption->setToolTip(sql);
    RecordCount();
}

void FrmAdvance::setStatusText(const QString &text)
{
    if (m_main && m_main->StatusPanel1)
        m_main->StatusPanel1->setText(text);
}

void FrmAdvance::SizeGridColumns()
{
    const auto recordset = DataNavi->recordset();
    const int fields = recordset ? recordset->fieldCount() : 0;
    DBGridRecord->horizontalHeader()->setDefaultSectionSize(
        qMax(20, DBGridRecord->width() / (fields + 1)));
}

void FrmAdvance::DBGridRecord_HeadClick(int column)
{
    OverrideCursor busy;
    // Over a statement's rows the table chosen before it is sorted, and chosen again.
    const bool fromQuery = ComboTable->currentText().isEmpty();
    const QString table = fromQuery ? m_tableOfQueries : ComboTable->currentText();
    const QString field = m_model->dataField(column);
    if (table.isEmpty() || field.isEmpty())
        return;
    // Names are quoted so that any table or field name sorts.
    DataNavi->setRecordSource(QStringLiteral("Select * From ") + db::quoteIdent(table) +
                              QStringLiteral(" Order By ") + db::quoteIdent(field));
    try {
        DataNavi->Refresh();
    } catch (const AppException &) {
    }
    if (fromQuery) {
        const QSignalBlocker blocker(ComboTable);
        ComboTable->setCurrentIndex(ComboTable->findText(table, Qt::MatchExactly));
        showingTable();
    }
}

void FrmAdvance::bindGrid()
{
    m_model->setRecordset(DataNavi->recordset());
}

void FrmAdvance::AddRec()
{
    const auto recordset = DataNavi->recordset();
    if (!recordset)
        return;
    try {
        // An empty table has no last record; its new-record row is the first one.
        if (recordset->RecordCount() > 0)
            recordset->MoveLast();
    } catch (const AppException &) {
        return; // the toolbar and the menu both take a failure as nothing done
    }
    const int row = m_model->newRecordRow();
    if (row < 0)
        return;
    DBGridRecord->setCurrentIndex(m_model->index(row, qMin(1, m_model->columnCount() - 1)));
    DBGridRecord->setFocus();
}

bool FrmAdvance::UpDateIt(const QString &oldName, const QString &newName,
                          QTreeWidgetItem *parentNode)
{
    const QString kind = parentNode ? parentNode->text(0) : QString();
    try {
        const auto database = DataNavi->database();
        if (!database)
            db::raise(db::ErrObjectInvalid);
        if (kind == QLatin1String("Tables")) {
            database->renameTableDef(oldName, newName);
            for (int i = 0; i < ComboTable->count(); ++i) {
                if (ComboTable->itemText(i) == oldName)
                    ComboTable->setItemText(i, newName);
            }
            if (DataNavi->RecordSource() == oldName) {
                DataNavi->setRecordSource(newName);
                m_shownName = newName;
                GridCaption->setText(newName + QStringLiteral(" Table"));
            }
        } else if (kind == QLatin1String("Fields")) {
            // The field belongs to the table whose node holds this "Fields" node; a
            // query's fields have no name of their own to change.
            QTreeWidgetItem *table = parentNode->parent();
            QTreeWidgetItem *group = table ? table->parent() : nullptr;
            if (!group || group->text(0) != QLatin1String("Tables"))
                db::raise(db::ErrInvalidOperation);
            database->renameField(table->text(0), oldName, newName);
        } else {
            return false;
        }
        // The grid reads names from its recordset: reopen what it shows.
        if (DataNavi->recordset())
            DataNavi->Refresh();
        return true;
    } catch (const AppException &) {
        Prompter::instance().messageBox(QStringLiteral("You cannot update the ") + kind, 101, 4,
                                        QStringLiteral("WARNING"));
        return false;
    }
}

void FrmAdvance::ShowViewStatus()
{
    ShowRecordCount(StoredRecordCount);
    if (m_main && m_main->SSTabMain)
        m_main->SSTabMain->setCurrentIndex(2);
}

void FrmAdvance::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    SizeGridColumns();
}

bool FrmAdvance::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !parentWidget())
        ShowViewStatus();
    return QWidget::event(event);
}

void FrmAdvance::closeEvent(QCloseEvent *event)
{
    if (m_closeGuard.busy() && !m_unloaded) {
        // A query is still running and yields to paint its busy window: close once it ends.
        event->ignore();
        m_closeGuard.deferClose();
        return;
    }
    m_closeGuard.dropClose();
    QWidget::closeEvent(event);
    if (m_unloaded)
        return;
    m_unloaded = true;
    DataNavi->close();
    if (m_main) {
        if (m_main->DataTree)
            m_main->DataTree->clear();
        setStatusText(QStringLiteral("Welcome : ") + WindowsUserName);
        QMdiArea *area = m_main->mdiArea();
        const bool othersLeft = area && area->subWindowList().size() > (parentWidget() ? 1 : 0);
        if (!othersLeft && m_main->SSTabMain)
            m_main->SSTabMain->setCurrentIndex(0);
    }
}

void FrmAdvance::closeWhenIdle()
{
    QTimer::singleShot(0, this, [this] {
        if (m_closeGuard.closePending() && !m_closeGuard.busy())
            unloadWindow();
    });
}

void FrmAdvance::unloadWindow()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}

bool FrmAdvance::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == picSlider->handle(1) && event->type() == QEvent::MouseButtonPress)
        m_sliderTop = picSlider->sizes().value(0);
    return QWidget::eventFilter(watched, event);
}

int FrmAdvance::clampSliderTop(int top, int gridHeight)
{
    if (top <= twips(700))
        top = twips(700);
    const int lowest = (gridHeight - twips(1600)) / 2;
    if (top > lowest)
        top = lowest;
    return top;
}

// ---- The main window's schema tree, while this window shows its database ----

void FrmAdvance::connectMainTree()
{
    if (!m_main || !m_main->DataTree)
        return;
    connect(m_main->DataTree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *node) { DataTree_NodeClick(node); });
    connect(m_main->DataTree, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem *node, int column) { DataTree_AfterLabelEdit(node, column); });
}

void FrmAdvance::DataTree_NodeClick(QTreeWidgetItem *node)
{
    QTreeWidgetItem *parent = node ? node->parent() : nullptr;
    if (!parent)
        return;
    TxtQuery->setToolTip(QStringLiteral("Please type your own query here to execute."));
    if (parent->text(0) == QLatin1String("Tables")) {
        TxtQuery->clear();
        const int index = ComboTable->findText(node->text(0), Qt::MatchExactly);
        if (index >= 0) {
            ComboTable->setCurrentIndex(index);
            OverrideCursor busy;
            ComboTable_Click();
        }
    } else if (parent->text(0) == QLatin1String("Querys")) {
        // No hourglass: the query may ask for its parameters.
        SStabClicked(node->text(0));
    }
}

void FrmAdvance::DataTree_AfterLabelEdit(QTreeWidgetItem *node, int column)
{
    if (m_fillingTree || column != 0 || !node)
        return;
    const QString oldName = node->data(0, SchemaNameRole).toString();
    const QString newName = node->text(0);
    if (newName == oldName)
        return;
    bool accepted = false;
    if (!newName.isEmpty() &&
        Prompter::instance().messageBox(QStringLiteral("Do you want to update it!"), 102, 1,
                                        QStringLiteral("UPDATE")) == QLatin1String("Yes"))
        accepted = UpDateIt(oldName, newName, node->parent());
    m_fillingTree = true;
    if (accepted)
        node->setData(0, SchemaNameRole, newName);
    else
        node->setText(0, oldName); // the tree never names an object that does not exist
    m_fillingTree = false;
}
