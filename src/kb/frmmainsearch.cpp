// The [Search] tab: keyword search over every topic of one knowledge base, the
// keyword history with completion, and quick locate on the [Records] tab.
#include "kb/frmmain.h"

#include "kb/kbglobals.h"
#include "kb/kbstore.h"
#include "kb/keywordsearch.h"
#include "platform/prompt/prompter.h"
#include "shell/mainfunctions.h"
#include "shell/nsnd.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFutureWatcher>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QtConcurrent>

namespace {

// Each result item keeps the key of its SrhResult row, whatever the list's order.
constexpr int ResultIdRole = Qt::UserRole;

// Keys typed in the keyword and quick-locate boxes: each one that types a character
// clicks (Backspace and Escape too; not arrows, Shift, Delete or Tab, which type nothing),
// and a deleting key keeps the next change of the keyword from completing again.
class KeyWatcher : public QObject
{
public:
    KeyWatcher(FrmMain *main) : QObject(main), m_main(main) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *press = static_cast<QKeyEvent *>(event);
        const int key = press->key();
        const QString text = press->text();
        const bool typed = !text.isEmpty() && text != QLatin1String("\t") &&
                           text != QLatin1String("\x7f") && key != Qt::Key_Backtab;
        if (watched == m_main->ComboKeyWord || watched == m_main->ComboKeyWord->lineEdit()) {
            if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
                m_main->KeyWordErased = true;
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                return false; // the box's own Enter handling runs the search
            if (typed)
                m_main->ComboKeyWord_KeyPress(key);
        } else if (typed) {
            SetSndName(QStringLiteral("KEYPRESS"));
            PlaySnd();
        }
        return false;
    }

private:
    FrmMain *m_main;
};

void showError(const QString &prompt, int icon, const QString &title)
{
    Prompter::instance().messageBox(prompt, icon, 4, title);
}

} // namespace

void FrmMain::connectSearchControls()
{
    ComboSrhDBName->setProperty("Tag", QString());
    connect(ComboSrhDBName, &QComboBox::activated, this, [this] {
        if (!ComboSrhDBName->currentText().isEmpty())
            SelectSearchDatabase();
    });

    QLineEdit *keywordEdit = ComboKeyWord->lineEdit();
    auto *keys = new KeyWatcher(this);
    // A focused combo box hands its keys straight to its line edit, past the edit's filters.
    ComboKeyWord->installEventFilter(keys);
    keywordEdit->installEventFilter(keys);
    TxtKeyWord->installEventFilter(keys);
    connect(keywordEdit, &QLineEdit::textEdited, this, &FrmMain::ComboKeyWord_Change);
    connect(keywordEdit, &QLineEdit::returnPressed, this, [this] { ComboKeyWord_KeyPress(13); });
    connect(ComboKeyWord, &QComboBox::activated, this, [this] { ComboKeyWord_KeyPress(13); });
    CmdSrh->setEnabled(false);
    connect(CmdSrh, &QPushButton::clicked, this, &FrmMain::CmdSrh_Click);
    connect(CHKExact, &QCheckBox::clicked, this, [this] {
        if (!ComboKeyWord->currentText().isEmpty())
            ComboKeyWord_KeyPress(13);
    });
    connect(ChkKeywordMap, &QCheckBox::toggled, this, [this](bool on) { UseKeywordMap = on; });

    connect(CmdAndOrNot, &QPushButton::clicked, this, [this] {
        if (QMenu *criteria = subMenu(QStringLiteral("mnuC")))
            criteria->popup(QCursor::pos());
    });

    connect(TxtKeyWord, &QLineEdit::textChanged, this, &FrmMain::TxtKeyWord_Change);
}

QString FrmMain::SearchDatabasePath() const
{
    // The item keeps its button's key: the shown text is in capitals.
    return DatabaseFolder + ComboSrhDBName->currentData().toString();
}

void FrmMain::SelectSearchDatabase()
{
    const QString path = SearchDatabasePath();
    if (!FileExists(path + KbStore::DatabaseExtension)) {
        showError(QStringLiteral("Database not found!"), 103, QStringLiteral("ERROR"));
        const QString tag = ComboSrhDBName->property("Tag").toString();
        ComboSrhDBName->setCurrentIndex(tag.isEmpty() ? 0 : tag.toInt());
        return;
    }
    ComboSrhDBName->setProperty("Tag", QString::number(ComboSrhDBName->currentIndex()));
    SearchDatabaseName = ComboSrhDBName->currentData().toString();

    ComboKeyWord->clear();
    ListResult->clear();
    ListTopicTables();

    SearchHistoryFile = KbStore::historyFilePath(SearchDatabaseName.trimmed());
    try {
        KbStore::ensureHistoryFile(SearchHistoryFile);
        ComboKeyWord->addItems(KbStore::readHistory(SearchHistoryFile));
    } catch (const std::exception &error) {
        showError(QString::fromUtf8(error.what()), 103, QStringLiteral("ERROR"));
    }
    ComboKeyWord->setEditText(QString());
}

void FrmMain::ListTopicTables()
{
    TablesName->clear();
    TablesName->addItems(
        KeywordSearch::topicTables(SearchDatabasePath() + KbStore::DatabaseExtension));
}

void FrmMain::CmdSrh_Click()
{
    ComboKeyWord_KeyPress(13);
}

void FrmMain::ComboKeyWord_KeyPress(int key)
{
    if (key != 13) {
        SetSndName(QStringLiteral("KEYPRESS"));
        PlaySnd();
        return;
    }
    if (m_searching)
        return;
    if (ComboSrhDBName->currentText().trimmed().isEmpty()) {
        showError(QStringLiteral("Please select a database to search please!"), 107,
                  QStringLiteral("ERROR"));
        ComboSrhDBName->setFocus();
        return;
    }
    if (!CheckKeyword(ComboKeyWord->currentText().trimmed()))
        return;
    CloseSearchWindow();
    ClearSearchResults();
    SearchKeyword(QStringLiteral("Question"));
}

bool FrmMain::CheckKeyword(const QString &keyword)
{
    if (!keyword.isEmpty())
        return true;
    showError(QStringLiteral("Please type the searching crateria"), 107, QStringLiteral("ERROR"));
    ComboKeyWord->setFocus();
    return false;
}

void FrmMain::CloseSearchWindow()
{
    if (!SearchResultForm)
        return;
    QWidget *window = SearchResultForm;
    SearchResultForm = nullptr;
    if (QWidget *frame = window->parentWidget(); frame && frame->inherits("QMdiSubWindow"))
        frame->close();
    else
        window->close();
}

void FrmMain::ClearSearchResults()
{
    ListResult->clear();
    ListResult->hide();
}

void FrmMain::SearchKeyword(const QString &)
{
    m_searching = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (QWidget *control :
         {static_cast<QWidget *>(ComboSrhDBName), static_cast<QWidget *>(ComboKeyWord),
          static_cast<QWidget *>(CmdSrh), static_cast<QWidget *>(CHKExact)})
        control->setEnabled(false);
    ListResult->setSortingEnabled(false);

    const QString keywordText = ComboKeyWord->currentText();
    const QString keyword = keywordText.trimmed();
    const bool exact = CHKExact->isChecked();
    const QString databasePath = SearchDatabasePath() + KbStore::DatabaseExtension;
    const QString searchPath =
        DatabaseFolder + KbStore::SearchDatabase + KbStore::DatabaseExtension;
    QStringList topics;
    for (int i = 0; i < TablesName->count(); ++i)
        topics.append(TablesName->item(i)->text());

    // The search runs beside the interface, which keeps painting under the hourglass.
    const auto cancel = std::make_shared<std::atomic_bool>(false);
    m_searchCancel = cancel;
    auto *watcher = new QFutureWatcher<SearchOutcome>(this);
    connect(watcher, &QFutureWatcher<SearchOutcome>::finished, this, [this, watcher, keywordText] {
        watcher->deleteLater();
        finishSearch(watcher->result(), keywordText);
        if (m_quitPending)
            close();
    });
    watcher->setFuture(QtConcurrent::run([=] {
        return KeywordSearch::run(databasePath, topics, keyword, exact, searchPath, cancel.get());
    }));
}

void FrmMain::finishSearch(const SearchOutcome &outcome, const QString &keywordText)
{
    m_searchCancel.reset();
    if (m_quitPending) {
        // The program is quitting: nothing of this search is shown any more.
    } else if (!outcome.error.isEmpty()) {
        QApplication::restoreOverrideCursor();
        showError(QString::number(outcome.errorNumber) + QStringLiteral("\r\n") + outcome.error,
                  103, QStringLiteral("ERROR"));
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        LockWindow(ListResult, true);
        QList<QTreeWidgetItem *> items;
        items.reserve(outcome.hits.size());
        for (const SearchHit &hit : outcome.hits) {
            auto *item = new QTreeWidgetItem({hit.question, hit.topic});
            item->setData(0, ResultIdRole, hit.resultId);
            items.append(item);
        }
        ListResult->addTopLevelItems(items);
        LockWindow(ListResult, false);

        if (items.isEmpty()) {
            QApplication::restoreOverrideCursor();
            showError(QStringLiteral("Couldn't locate the record under your information!"), 105,
                      QStringLiteral("Search Failed!"));
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            if (KeywordNotListed(keywordText, ComboKeyWord->count() - 1, ComboKeyWord)) {
                try {
                    KbStore::appendHistory(SearchHistoryFile, keywordText);
                } catch (const std::exception &error) {
                    showError(QString::fromUtf8(error.what()), 103, QStringLiteral("ERROR"));
                }
                ComboKeyWord->insertItem(0, keywordText);
                ComboKeyWord->setEditText(keywordText);
            }
            StatusPanel1->setText(QStringLiteral("Totally %1 Topics found about - %2")
                                      .arg(items.size())
                                      .arg(keywordText.toUpper()));
            ListResult->setSortingEnabled(true);
            ListResult->sortByColumn(0, Qt::AscendingOrder);
            ShowSearchResults();
        }
    }

    ListResult->show();
    for (QWidget *control :
         {static_cast<QWidget *>(ComboSrhDBName), static_cast<QWidget *>(ComboKeyWord),
          static_cast<QWidget *>(CHKExact)})
        control->setEnabled(true);
    CmdSrh->setEnabled(!ComboKeyWord->currentText().isEmpty());
    QApplication::restoreOverrideCursor();
    m_searching = false;
    emit searchFinished(outcome.hits.size());
}

void FrmMain::appendCriteria(const QString &word)
{
    const QString text = ComboKeyWord->currentText();
    if (!text.isEmpty())
        ComboKeyWord->setEditText(text + QLatin1Char(' ') + word);
}

void FrmMain::mnuAnd_Click()
{
    appendCriteria(QStringLiteral("AND"));
}

void FrmMain::mnuOR_Click()
{
    appendCriteria(QStringLiteral("OR"));
}

void FrmMain::mnuNot_Click()
{
    appendCriteria(QStringLiteral("NOT"));
}

bool FrmMain::KeywordNotListed(const QString &keyword, int lastIndex, QComboBox *combo) const
{
    for (int i = 0; i <= lastIndex && i < combo->count(); ++i)
        if (combo->itemText(i) == keyword)
            return false;
    return true;
}

void FrmMain::ShowSearchResults()
{
    OpenSearchResultForm();
    if (ListResult->topLevelItemCount() > 0)
        ListResult->setCurrentItem(ListResult->topLevelItem(0));
}

qint64 FrmMain::searchResultId(const QTreeWidgetItem *item)
{
    return item ? item->data(0, ResultIdRole).toLongLong() : 0;
}

void FrmMain::ComboKeyWord_Change()
{
    QLineEdit *edit = ComboKeyWord->lineEdit();
    const QString text = edit->text();
    if (!KeyWordErased && !text.isEmpty()) {
        const int found = ComboKeyWord->findText(text, Qt::MatchStartsWith);
        if (found >= 0) {
            const QString entry = ComboKeyWord->itemText(found);
            if (entry.size() > text.size()) {
                // Offer the rest of the entry, selected, so typing goes on over it.
                const int rest = int(entry.size() - text.size());
                edit->setText(text + entry.right(rest));
                edit->setSelection(int(text.size()), rest);
            }
        }
    }
    CmdSrh->setEnabled(!edit->text().isEmpty());
    KeyWordErased = false;
}

void FrmMain::TxtKeyWord_Change()
{
    const QString text = TxtKeyWord->text();
    int found = -1;
    if (!text.isEmpty()) {
        for (int i = 0; i < ListRecords->count(); ++i) {
            if (ListRecords->item(i)->text().startsWith(text, Qt::CaseInsensitive)) {
                found = i;
                break;
            }
        }
    }
    ListRecords->setCurrentRow(found);
}
