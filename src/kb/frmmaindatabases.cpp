// The database toolbar, the record windows it opens and the question list that steers them.
#include "kb/frmmain.h"

#include "kb/kbglobals.h"
#include "kb/recordverbs.h"
#include "kb/tooldock.h"
#include "platform/base/apperror.h"
#include "platform/base/apppaths.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbsql.h"
#include "shell/mainfunctions.h"
#include "shell/messagebox.h"
#include "shell/nsnd.h"
#include "shell/shellspeech.h"
#include "winsvc/childarranger.h"
#include "winsvc/listboxtipbox.h"

#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>

#include <algorithm>

namespace {

FrmMain::RecordWindowFactory &recordWindowFactory()
{
    static FrmMain::RecordWindowFactory factory;
    return factory;
}

// Watches the lists and the database toolbar for the mouse events the main window handles.
class DatabaseControlsFilter : public QObject
{
public:
    explicit DatabaseControlsFilter(FrmMain *main) : QObject(main), m_main(main) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A list gaining the focus must not pick its first question by itself: that would
        // move the record window away from an empty selection.
        if (watched == m_main->ListRecords) {
            if (event->type() == QEvent::FocusIn && m_main->ListRecords->currentRow() < 0) {
                m_main->ListRecords->viewport()->update();
                return true;
            }
            return false;
        }
        if (watched == m_main->ListRecords->viewport()) {
            if (event->type() == QEvent::MouseButtonPress) {
                auto *mouse = static_cast<QMouseEvent *>(event);
                if (mouse->button() == Qt::RightButton) {
                    m_main->ListRecords_MouseDown(mouse->button(), mouse->position().toPoint());
                    return true;
                }
            } else if (event->type() == QEvent::MouseMove) {
                auto *mouse = static_cast<QMouseEvent *>(event);
                if (mouse->buttons() == Qt::NoButton)
                    m_main->ListRecords_MouseMove(mouse->position().toPoint());
            }
        } else if (event->type() == QEvent::MouseButtonPress &&
                   static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            m_main->DBToolbar_MouseDown(mouse->button(), mouse->globalPosition().toPoint());
            return true;
        }
        return false;
    }

private:
    FrmMain *m_main;
};

} // namespace

void FrmMain::setRecordWindowFactory(RecordWindowFactory factory)
{
    recordWindowFactory() = std::move(factory);
}

void FrmMain::playSound(const QString &name)
{
    SetSndName(name);
    PlaySnd();
}

void FrmMain::connectDatabaseControls()
{
    connect(DBToolbar, &QToolBar::actionTriggered, this, [this](QAction *button) {
        if (button->data().toInt() >= 1)
            DBToolbar_ButtonClick(button);
    });
    // Only a user's choice opens a topic; filling the combo from code must not.
    connect(ComboTable, &QComboBox::activated, this, [this] { ComboTable_Click(); });
    connect(ListRecords, &QListWidget::currentRowChanged, this, [this] { ListRecords_Click(); });
    connect(ListResult, &QTreeWidget::currentItemChanged, this, [this] { ListResult_Click(); });
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &FrmMain::onSubWindowActivated);
    if (QMenu *edit = subMenu(QStringLiteral("mnuEdit")))
        connect(edit, &QMenu::aboutToShow, this, &FrmMain::updateRecordMenuItems);

    auto *filter = new DatabaseControlsFilter(this);
    ListRecords->setUniformItemSizes(true);
    ListRecords->setMouseTracking(true);
    ListRecords->viewport()->setMouseTracking(true);
    ListRecords->viewport()->installEventFilter(filter);
    ListRecords->installEventFilter(filter);
    DBToolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    const auto buttons = DBToolbar->findChildren<QToolButton *>();
    for (QToolButton *button : buttons)
        button->installEventFilter(filter);
    DBToolbar->installEventFilter(filter);
}

QMdiSubWindow *FrmMain::subWindowOf(const QWidget *form) const
{
    if (!form)
        return nullptr;
    const auto windows = m_mdiArea->subWindowList();
    for (QMdiSubWindow *window : windows)
        if (window->widget() == form)
            return window;
    return nullptr;
}

RecordWindowLink *FrmMain::activeRecordWindow() const
{
    QMdiSubWindow *window = m_mdiArea->activeSubWindow();
    if (!window)
        window = m_mdiArea->currentSubWindow();
    return window ? dynamic_cast<RecordWindowLink *>(window->widget()) : nullptr;
}

void FrmMain::updateRecordMenuItems()
{
    const RecordWindowLink *record = activeRecordWindow();
    const bool pending = record && record->hasPendingChange();
    for (const char *name : {"mnuEditAddMore", "mnuEditCurRec", "mnuEditDelete", "mnuTransfer"})
        if (QAction *item = menuItem(QString::fromLatin1(name)))
            item->setEnabled(!pending);
}

QAction *FrmMain::mainToolButton(int index) const
{
    return ToolBarMainButton(index);
}

namespace {

// A knowledge base's tables are topics: tables with a question and an answer field. One
// without tables may have had them all deleted; a file that cannot be read here is left to
// the record window to report.
bool holdsTopics(const QString &file)
{
    try {
        const auto database = db::DBEngine::OpenDatabase(file);
        const QStringList tables = database->tableNames(true);
        if (tables.isEmpty())
            return true;
        for (const QString &table : tables) {
            bool question = false;
            bool answer = false;
            for (const db::Field &field : database->fields(table)) {
                question = question ||
                           field.name.compare(QLatin1String("Question"), Qt::CaseInsensitive) == 0;
                answer =
                    answer || field.name.compare(QLatin1String("Answer"), Qt::CaseInsensitive) == 0;
            }
            if (question && answer)
                return true;
        }
        return false;
    } catch (const AppException &) {
        return true;
    }
}

} // namespace

void FrmMain::DBToolbar_ButtonClick(QAction *button)
{
    const int index = button->data().toInt();
    if (index < 1 || index > DatabaseButtons)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SSTabMain->setCurrentIndex(0);
    const QString key = button->objectName().trimmed();
    TxtOpenDB->setText(key);
    const QString file = DatabaseFolder + TxtOpenDB->text() + QStringLiteral(".mdb");
    if (!FileExists(file)) {
        QApplication::restoreOverrideCursor();
        TxtOpenDB->clear();
        MsgBoxEx(
            AppPaths::applicationTitle() + QStringLiteral("\r\n") +
                QStringLiteral("Could not find the database file! Please reinstalled the program!"),
            103, 4, QStringLiteral("ERROR"));
        return;
    }
    if (!TestOpenDatabase(file)) {
        QApplication::restoreOverrideCursor();
        TxtOpenDB->clear();
        MsgBoxEx(QStringLiteral("Database has corrupted! Please reinstall the program!"), 103, 4,
                 QStringLiteral("ERROR"));
        return;
    }
    if (!holdsTopics(file)) {
        QApplication::restoreOverrideCursor();
        TxtOpenDB->clear();
        MsgBoxEx(QStringLiteral("The file ") + file +
                     QStringLiteral(" holds no topic of questions and answers: it is not a "
                                    "knowledge base."),
                 103, 4, QStringLiteral("ERROR"));
        return;
    }
    // An open database keeps its one window; a second press only brings it forward.
    if (RecordForms[index]) {
        QApplication::restoreOverrideCursor();
        TxtOpenDB->clear();
        if (QMdiSubWindow *window = subWindowOf(RecordForms[index]))
            activateChild(window);
        return;
    }

    ++LoadCount;
    QWidget *form = nullptr;
    QMdiSubWindow *window = nullptr;
    QString failure;
    try {
        if (!recordWindowFactory())
            throw AppException(91,
                               QStringLiteral("Object variable or With block variable not set"));
        form = recordWindowFactory()(this, false);
        if (!form)
            throw AppException(91,
                               QStringLiteral("Object variable or With block variable not set"));
        RecordForms[index] = form;
        form->setProperty("Tag", QString::number(index));
        form->setWindowTitle(button->objectName());
        form->setWindowIcon(button->icon());
        window = m_mdiArea->addSubWindow(form);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->showMaximized();
        activateChild(window);
    } catch (const AppException &error) {
        failure = error.description();
    } catch (const std::exception &error) {
        failure = QString::fromLocal8Bit(error.what());
    }
    if (!failure.isEmpty()) {
        // Without its window the database could never be opened again: undo the opening.
        RecordForms[index] = nullptr;
        if (window)
            window->deleteLater();
        else
            delete form;
        LoadCountMinus();
        button->setEnabled(true);
        TxtOpenDB->clear();
        QApplication::restoreOverrideCursor();
        MsgBoxEx(failure, 103, 4, QStringLiteral("ERROR"));
        return;
    }
    if (LoadCount > 1)
        TileVertically();
    button->setEnabled(false);
    QApplication::restoreOverrideCursor();
    if (ListResult->topLevelItemCount() >= 1 && index - 1 < ComboSrhDBName->count() &&
        !m_searching) {
        ComboSrhDBName->setCurrentIndex(index - 1);
        // As if picked by hand: the topics and the history follow the database.
        SelectSearchDatabase();
    }
    SSTabMain->setCurrentIndex(0);
    ComboTable->setEnabled(true);
}

bool FrmMain::TestOpenDatabase(const QString &file)
{
    try {
        const auto database = db::DBEngine::OpenDatabase(file);
        (void)database->TableDefs().size();
        // A cut-off file still has its first page: read every page before a window opens.
        const bool whole =
            db::scalar(database->handle(), QStringLiteral("PRAGMA quick_check")).toString() ==
            QLatin1String("ok");
        database->Close();
        if (!whole)
            return false;
    } catch (const AppException &error) {
        // Only a file the engine does not recognise or cannot read counts as corrupted; a
        // locked or password-protected one is met by the record window itself.
        if (error.number() == db::ErrUnrecognizedFormat || error.number() == db::ErrCannotOpen)
            return false;
    }
    return true;
}

void FrmMain::LoadCountMinus()
{
    if (LoadCount > 0)
        --LoadCount;
}

void FrmMain::TileVertically()
{
    // Side by side as they open; they keep their places while the work area changes, and are
    // tiled again in the area left once they would not fit there.
    m_arranger->arrange(ChildArranger::TileVertical, ChildArranger::KeepPlaces);
    m_toolDock->update();
}
void FrmMain::RemoveForm()
{
    // A fresh list per call: an earlier compaction's windows must not come back.
    ReopenList.clear();
    if (!m_mdiArea->activeSubWindow() && !m_mdiArea->currentSubWindow())
        return;
    const QList<QAction *> buttons = DBToolbar->actions();
    for (QAction *button : buttons)
        if (button->data().toInt() >= 1 && !button->isEnabled())
            ReopenList.append(button->data().toInt());
}

void FrmMain::RestoreForm()
{
    if (!ReopenAfterCompact || ReopenList.isEmpty())
        return;
    const QVector<int> list = ReopenList;
    const QList<QAction *> buttons = DBToolbar->actions();
    for (int index : list) {
        for (QAction *button : buttons) {
            if (button->data().toInt() == index) {
                DBToolbar_ButtonClick(button);
                break;
            }
        }
    }
}

void FrmMain::BeginTransferRecord()
{
    m_transferForm = nullptr;
    m_transferKey = -1;
    m_transferTopic.clear();
    QMdiSubWindow *window = m_mdiArea->activeSubWindow();
    auto *record = window ? dynamic_cast<RecordWindowLink *>(window->widget()) : nullptr;
    if (!record || record->isSearchMode())
        return;
    m_transferForm = window->widget();
    m_transferTopic = record->currentTopic();
    m_transferKey = record->currentRecordKey();
}

void FrmMain::AfterTransferRecord()
{
    // The record the transfer started from, in its own window; a caller that did not say
    // where it started means the active window's current record.
    if (!m_transferForm)
        BeginTransferRecord();
    try {
        auto *record =
            m_transferForm ? dynamic_cast<RecordWindowLink *>(m_transferForm.data()) : nullptr;
        if (!record || m_transferKey < 0)
            throw AppException(3021, QStringLiteral("No current record."));
        record->deleteRecordByKey(m_transferTopic, m_transferKey);
    } catch (const AppException &error) {
        MsgBoxEx(error.description(), 103, 4, QStringLiteral("ERROR"));
    }
    m_transferForm = nullptr;
    m_transferKey = -1;
}

void FrmMain::EnableControls(int first, int last)
{
    for (int i = first; i <= last; ++i)
        if (QAction *button = mainToolButton(i))
            button->setVisible(true);
}

void FrmMain::DisableControls(int first, int last)
{
    for (int i = first; i <= last; ++i)
        if (QAction *button = mainToolButton(i))
            button->setVisible(false);
}

void FrmMain::DBToolbar_MouseDown(Qt::MouseButton button, const QPoint &pos)
{
    QAction *addTopic = menuItem(QStringLiteral("mnuAddTopic"));
    QAction *addRecord = menuItem(QStringLiteral("mnuAddNewRec"));
    QAction *addDatabase = menuItem(QStringLiteral("mnuAddDB"));
    QMenu *addMore = subMenu(QStringLiteral("mnuEditAddMore"));
    if (button == Qt::RightButton && addMore) {
        if (addTopic)
            addTopic->setVisible(false);
        if (addRecord)
            addRecord->setVisible(false);
        if (addDatabase)
            addDatabase->setText(QStringLiteral("Add New Database"));
        addMore->exec(pos);
    }
    if (addDatabase)
        addDatabase->setText(QStringLiteral("Database"));
    if (addTopic)
        addTopic->setVisible(true);
    if (addRecord)
        addRecord->setVisible(true);
}

void FrmMain::ImgCloseDBBar_Click()
{
    setPanelLeftVisible(false);
}

void FrmMain::ComboTable_Click()
{
    RecordVerbs *record = activeRecordVerbs(m_mdiArea);
    if (!record)
        return;
    try {
        record->ComboTableClicked();
        // The first question, or the one the window kept showing when the topic could not be
        // opened.
        RecordWindowLink *link = activeRecordWindow();
        const int shown = link ? link->recordPosition() : -1;
        if (ListRecords->count() > 0)
            ListRecords->setCurrentRow(std::max(shown, 0));
    } catch (const std::exception &) {
    }
}

void FrmMain::RefreshShownTopic()
{
    RecordWindowLink *record = activeRecordWindow();
    auto *verbs = dynamic_cast<RecordVerbs *>(record);
    if (!verbs || record->isSearchMode() || record->hasPendingChange() ||
        record->currentTopic().isEmpty() || ComboTable->currentText() != record->currentTopic())
        return;
    const qint64 key = record->currentRecordKey();
    try {
        verbs->ComboTableClicked();
        if (key >= 0)
            record->showRecordByKey(key);
    } catch (const std::exception &) {
    }
    if (record->recordPosition() >= 0)
        ListRecords->setCurrentRow(record->recordPosition());
}

void FrmMain::ListRecords_Click()
{
    RecordWindowLink *record = activeRecordWindow();
    const int index = ListRecords->currentRow();
    if (!record || record->isSearchMode() || index < 0)
        return;
    if (record->recordPosition() == index)
        return;
    if (!record->showRecordAt(index))
        return;
    StopSpeaking();
    if (auto *verbs = dynamic_cast<RecordVerbs *>(record))
        verbs->ScanTheRTBAnswer();
    playSound(QStringLiteral("CLICKUP"));
}

void FrmMain::ListResult_Click()
{
    auto *record =
        SearchResultForm ? dynamic_cast<RecordWindowLink *>(SearchResultForm.data()) : nullptr;
    QTreeWidgetItem *item = ListResult->currentItem();
    if (!record || !item)
        return;
    // Each hit keeps the key of its SrhResult row; the list's own order may differ.
    bool ok = false;
    const qint64 key = item->data(0, Qt::UserRole).toLongLong(&ok);
    if (!ok) {
        const int position = ListResult->indexOfTopLevelItem(item);
        if (record->recordPosition() == position || !record->showRecordAt(position))
            return;
    } else {
        if (record->currentRecordKey() == key || !record->showRecordByKey(key))
            return;
    }
    StopSpeaking();
    if (auto *verbs = dynamic_cast<RecordVerbs *>(record))
        verbs->ScanTheRTBAnswer();
    playSound(QStringLiteral("CLICKUP"));
}

void FrmMain::ListRecords_MouseDown(Qt::MouseButton button, const QPoint &pos)
{
    if (button != Qt::RightButton || ListRecords->count() < 1)
        return;
    QListWidgetItem *item = ListRecords->itemAt(pos);
    ListRecords->setCurrentRow(item ? ListRecords->row(item) : -1);
    if (!item)
        ListRecords->clearSelection();
    // A focus by mouse keeps an empty selection empty.
    ListRecords->setFocus(Qt::MouseFocusReason);

    QMenu *edit = subMenu(QStringLiteral("mnuEdit"));
    if (!edit)
        return;
    const QStringList hidden = {QStringLiteral("mnuEditPaste"), QStringLiteral("mnuEditCut"),
                                QStringLiteral("mnuEditUndo"),  QStringLiteral("mnuEditRedo"),
                                QStringLiteral("mnuEditBar0"),  QStringLiteral("mnuSelectAll"),
                                QStringLiteral("mnuEditCopy")};
    const QStringList shown = {QStringLiteral("mnuTransfer"), QStringLiteral("mnuEditAddMore"),
                               QStringLiteral("mnuEditCurRec"), QStringLiteral("mnuEditDelete")};
    const auto setVisible = [this](const QString &name, bool visible) {
        if (QAction *action = menuItem(name))
            action->setVisible(visible);
    };
    for (const QString &name : hidden)
        setVisible(name, false);
    for (const QString &name : shown)
        setVisible(name, true);
    edit->exec(ListRecords->viewport()->mapToGlobal(pos));
    for (const QString &name : hidden)
        setVisible(name, true);
}

void FrmMain::ListRecords_MouseMove(const QPoint &pos)
{
    ListBoxTip(ListRecords, Qt::NoButton, pos);
}

QWidget *FrmMain::OpenSearchResultForm()
{
    if (SearchResultForm)
        return SearchResultForm;
    if (!recordWindowFactory())
        return nullptr;
    QWidget *form = recordWindowFactory()(this, true);
    if (!form)
        return nullptr;
    SearchResultForm = form;
    form->setWindowTitle(QStringLiteral("Searching Results"));
    QMdiSubWindow *window = m_mdiArea->addSubWindow(form);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->showMaximized();
    activateChild(window);
    return form;
}

void FrmMain::activateChild(QMdiSubWindow *window)
{
    m_mdiArea->setActiveSubWindow(window);
    // While the main window is inactive (a message box closed and nothing gave the focus
    // back) the area only revives its previous child once the main window is active again.
    m_pendingChild = isActiveWindow() ? nullptr : window;
}

void FrmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || !m_pendingChild)
        return;
    // After the area has handled the activation itself.
    QTimer::singleShot(0, this, [this, child = m_pendingChild] {
        if (child && child == m_pendingChild && isActiveWindow())
            m_mdiArea->setActiveSubWindow(child);
        m_pendingChild = nullptr;
    });
}

void FrmMain::onSubWindowActivated(QMdiSubWindow *window)
{
    // A null activation only means the main window lost the focus (a message box, another
    // program): the record window stays the current one.
    if (!window)
        return;
    QWidget *form = window->widget();
    if (form == m_activeRecordForm)
        return;
    if (auto *previous = dynamic_cast<RecordWindowLink *>(m_activeRecordForm.data()))
        previous->Form_Deactivate();
    m_activeRecordForm = form;
    if (auto *record = dynamic_cast<RecordWindowLink *>(form))
        record->Form_Activate();
}
