// Commands that change the set of topics and databases: add and delete a topic, delete a
// database, close every record window.
#include "kb/daodatabase.h"
#include "kb/dataviewlink.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "kb/kbstore.h"
#include "kb/recordverbs.h"
#include "platform/base/apperror.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/db/dbengine.h"
#include "platform/prompt/prompter.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>

namespace {

// The active child window, whatever it is.
QWidget *activeChildForm(QMdiArea *area)
{
    QMdiSubWindow *window = area->activeSubWindow();
    if (!window)
        window = area->currentSubWindow();
    return window ? window->widget() : nullptr;
}

// The active child when it is a record window of a database (not the search results).
QWidget *browsingRecordForm(QMdiArea *area)
{
    QWidget *form = activeChildForm(area);
    auto *record = dynamic_cast<RecordWindowLink *>(form);
    if (!record || record->isSearchMode())
        return nullptr;
    return form;
}

db::DataControl *dataControlOf(const QWidget *form)
{
    return form ? form->findChild<db::DataControl *>(QStringLiteral("DataNavi")) : nullptr;
}

bool samePath(const QString &a, const QString &b)
{
    const QFileInfo first(a), second(b);
    const QString left = first.exists() ? first.canonicalFilePath() : first.absoluteFilePath();
    const QString right = second.exists() ? second.canonicalFilePath() : second.absoluteFilePath();
    return left == right;
}

void addTopicFailed()
{
    Prompter::instance().messageBox(
        QStringLiteral("Add new topic process failed, please try again!"), 103, 4,
        QStringLiteral("ERROR"));
}

} // namespace

void FrmMain::mnuAddTopic_Click()
{
    // Any child: a record window or the data view adds to the database it shows.
    QWidget *form = activeChildForm(m_mdiArea);
    if (!form)
        return;
    db::DataControl *dataControl = dataControlOf(form);
    if (!dataControl) {
        addTopicFailed(); // a tool window has no database to take the topic
        return;
    }
    const QString path = dataControl->DatabaseName();
    const std::optional<QString> answer =
        Prompter::instance().inputText(QStringLiteral("New Topic name here, please:"),
                                       QStringLiteral("Create new topic."), QString());
    if (!answer || answer->isEmpty())
        return;
    const QString name = answer->trimmed();
    try {
        if (name.isEmpty())
            throw AppException(3125, QStringLiteral("Invalid name."));
        // Catalogue names would make a table no topic list shows.
        if (name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive))
            throw AppException(3125, name);
        const auto database = db::DBEngine::OpenDatabase(path);
        // A name differing only in case would be the same table to the engine.
        if (database->hasTable(name))
            throw AppException(3010, name);
        if (ComboTable->count() == 0) {
            // A database without topics has no structure to copy: the standard one.
            database->BeginTrans();
            try {
                KbStore::createTopicTable(*database, name);
                database->CommitTrans();
            } catch (const AppException &) {
                database->Rollback();
                throw;
            }
        } else {
            // The current topic's structure; before any topic is chosen, the first one's.
            const QString source = ComboTable->currentIndex() >= 0 ? ComboTable->currentText()
                                                                   : ComboTable->itemText(0);
            DAODataBase data;
            data.setDatabaseName(path);
            // One step in one transaction: the copy exists whole or not at all.
            if (data.DuplicateTable(source, name) != 1)
                throw AppException(3125, name);
        }
    } catch (const AppException &) {
        addTopicFailed();
        return;
    }
    if (auto *verbs = dynamic_cast<RecordVerbs *>(form))
        verbs->FormRefresh();
    Prompter::instance().messageBox(QStringLiteral("New topic ") + *answer +
                                        QStringLiteral(" has been created under database ") + path,
                                    104, 4, QStringLiteral("SUCCEED"));
}

void FrmMain::mnuDelTopic_Click()
{
    QWidget *form = browsingRecordForm(m_mdiArea);
    db::DataControl *dataControl = dataControlOf(form);
    auto *record = dynamic_cast<RecordWindowLink *>(form);
    if (!form || !dataControl || record->hasPendingChange())
        return;
    const QString topic = ComboTable->currentText();
    if (topic.isEmpty())
        return;
    const QString path = dataControl->DatabaseName();
    const QString caption = form->windowTitle();
    // The Data View lists and may show this topic; its table must stay while it does.
    if (DataViewLink *view = dataView();
        view && samePath(view->dataControl()->DatabaseName(), path)) {
        Prompter::instance().messageBox(QStringLiteral("Topic ") + topic +
                                            QStringLiteral(" is open in the Data View; close the "
                                                           "Data View first."),
                                        105, 4, QStringLiteral("FAILED"));
        return;
    }
    const QString question =
        QStringLiteral("Do you really want to permanently delete this topic, this") +
        QStringLiteral("deleting cannot be recovered after then, are you sure!");
    if (Prompter::instance().messageBox(question, 106, 1, QStringLiteral("DELETE")) !=
        QLatin1String("Yes"))
        return;
    try {
        const auto database = db::DBEngine::OpenDatabase(path);
        database->deleteTableDef(topic);
        if (database->hasTable(topic))
            throw AppException(3211, QStringLiteral("The table is still there."));
    } catch (const AppException &error) {
        Prompter::instance().messageBox(QStringLiteral("Delete failed because ") +
                                            error.description(),
                                        105, 4, QStringLiteral("FAILED"));
        return;
    }
    // Only a topic that is really gone leaves the list; the window moves to the first one.
    const int index = ComboTable->findText(topic, Qt::MatchFixedString);
    if (index >= 0)
        ComboTable->removeItem(index);
    if (ComboTable->count() > 0) {
        ComboTable->setCurrentIndex(0);
        ComboTable_Click();
    } else if (auto *verbs = dynamic_cast<RecordVerbs *>(form)) {
        // The last topic went: the window finds it gone and shows nothing of it any more.
        verbs->FormRefresh();
    }
    Prompter::instance().messageBox(QStringLiteral("Topic ") + topic +
                                        QStringLiteral(" has been deleted from Database.") +
                                        caption,
                                    104, 4, QStringLiteral("SUCCEED"));
}

void FrmMain::mnuDeleteDB_Click()
{
    QWidget *form = browsingRecordForm(m_mdiArea);
    db::DataControl *dataControl = dataControlOf(form);
    if (!form || !dataControl)
        return;
    const QString fileName = form->windowTitle() + QStringLiteral(".mdb");
    const QString path = dataControl->DatabaseName();
    // Only this window's own file in the data folder.
    if (!samePath(path, DatabaseFolder + fileName))
        return;
    if (Prompter::instance().messageBox(
            QStringLiteral("Do you really want to permanently delete this Database, this "
                           "deleting") +
                QStringLiteral("cannot be recovered after then, are you sure!"),
            106, 1, QStringLiteral("DELETE")) != QLatin1String("Yes"))
        return;
    QMdiSubWindow *window = subWindowOf(form);
    if (window && !window->close())
        return; // the window kept unsaved work
    const bool pendingSearch = isSearching() && samePath(SearchDatabasePath(), path);
    if (db::DBEngine::isOpen(path) || pendingSearch) {
        Prompter::instance().messageBox(QStringLiteral("Database ") + fileName +
                                            QStringLiteral(" is still open in another window and "
                                                           "has not been deleted."),
                                        105, 4, QStringLiteral("FAILED"));
        return;
    }
    QFile file(path);
    if (!file.remove()) {
        Prompter::instance().messageBox(QStringLiteral("Database ") + fileName +
                                            QStringLiteral(" could not be deleted: ") +
                                            file.errorString(),
                                        103, 4, QStringLiteral("ERROR"));
        return;
    }
    Prompter::instance().messageBox(QStringLiteral("Database ") + fileName +
                                        QStringLiteral(" has been deleted from your computer."),
                                    104, 4, QStringLiteral("DELETE OK"));
}

void FrmMain::mnuCloseAll_Click()
{
    CloseAllChildren();
    const QList<QAction *> buttons = DBToolbar->actions();
    for (QAction *button : buttons)
        if (button->isCheckable())
            button->setChecked(false);
    // A window that kept unsaved work is still open and still counts.
    LoadCount = 0;
    for (int i = 1; i <= DatabaseButtons; ++i)
        if (RecordForms[i])
            ++LoadCount;
}
