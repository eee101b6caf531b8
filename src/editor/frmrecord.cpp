#include "editor/frmrecord.h"

#include "editor/snapshotundo.h"

#include "editor/editingaids.h"
#include "editor/keywordcolourer.h"
#include "editor/recordlayout.h"
#include "editor/recordspeech.h"
#include "editor/recordzip.h"
#include "kb/daodatabase.h"
#include "kb/kbglobals.h"
#include "kb/kbstore.h"
#include "platform/base/apperror.h"
#include "platform/base/colors.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbrecordset.h"
#include "platform/db/dbsql.h"
#include "platform/richtext/richtextbox.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"
#include "shell/messagebox.h"
#include "shell/shellspeech.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

// A field default as the boxes show it: the quotes of a text default cut off.
QString unquotedDefault(const QVariant &value)
{
    QString text = value.toString();
    if (text.size() >= 2 &&
        (text.front() == QLatin1Char('\'') || text.front() == QLatin1Char('"')) &&
        text.back() == text.front())
        text = text.mid(1, text.size() - 2);
    return text;
}

void setBackColor(QWidget *box, quint32 bgr)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, Colors::fromBgr(bgr, QApplication::palette()));
    box->setPalette(palette);
}

// Why a record or a list could not be read; a busy file is no damage and passes.
QString unreadReason(const AppException &error)
{
    if (error.number() != db::ErrFileInUse)
        return error.description();
    return error.description() +
           QStringLiteral("\r\nAnother program is using the database. Please try again in a "
                          "moment.");
}

class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

FrmRecord::FrmRecord(FrmMain *main, bool searchMode, QWidget *parent)
    : QWidget(parent), m_main(main), m_searchMode(searchMode)
{
    setObjectName(QStringLiteral("FrmRecord"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    createControls();
    auto *layout = new RecordLayout(this, FrameQuestion, picSlider, ImgAnswer, CmdZip);
    auto *aids = new EditingAids(m_main, RTBQuestion, RTBAnswer, m_searchMode, layout, this);

    m_undo = new SnapshotUndo(this);
    m_undo->setSource([this] { return RTBAnswer->text(); },
                      [this] { return RTBAnswer->selStart(); });
    connect(RTBAnswer, &RichTextBox::changed, m_undo, &SnapshotUndo::changed);
    connect(RTBAnswer, &QTextEdit::cursorPositionChanged, m_undo, &SnapshotUndo::caretMoved);
    connect(m_undo, &SnapshotUndo::UpdateUndoButtons, this, [this, aids](bool undo, bool redo) {
        m_main->setUndoRedoEnabled(undo, redo);
        aids->RTBAnswer_SelChange();
    });
    // A huge answer is laid out step by step after it is shown: the hourglass stays meanwhile.
    connect(RTBAnswer, &RichTextBox::layingOut, this, [this] { showLayingOut(true); });
    connect(RTBAnswer, &RichTextBox::laidOut, this, [this] { showLayingOut(false); });
    m_speech = new RecordSpeech(this, m_main);
    m_zip = std::make_unique<RecordZip>(this);
    connect(CmdZip, &QPushButton::clicked, this, [this] {
        const CloseGuard::Operation operation(m_closeGuard);
        m_zip->ExportZip();
    });
    BindDatabase();
}

FrmRecord::~FrmRecord()
{
    showLayingOut(false);
}

void FrmRecord::showLayingOut(bool layingOut)
{
    if (std::exchange(m_layingOut, layingOut) == layingOut)
        return;
    if (layingOut)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void FrmRecord::Listen()
{
    const CloseGuard::Operation operation(m_closeGuard);
    m_speech->Listen();
}

QString FrmRecord::ColouredAnswerRtf() const
{
    if (!m_colouring)
        return {};
    // A copy of the answer gets the colours; the answer itself stays as stored.
    QTextDocument copy;
    const QString rtf = RTBAnswer->textRtf();
    if (RtfReader::isRtf(rtf))
        RtfReader::read(rtf, &copy);
    else
        copy.setPlainText(RTBAnswer->text());
    m_colouring->colourDocument(&copy);
    return QString::fromLatin1(RtfWriter::write(&copy));
}

void FrmRecord::PrintWithWord()
{
    const CloseGuard::Operation operation(m_closeGuard);
    m_speech->PrintWithWord();
}

void FrmRecord::createControls()
{
    DataNavi = new db::DataControl(this);
    DataNavi->setObjectName(QStringLiteral("DataNavi"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FrameQuestion = new QFrame(this);
    FrameQuestion->setObjectName(QStringLiteral("FrameQuestion"));
    layout->addWidget(FrameQuestion);
    auto *frameLayout = new QVBoxLayout(FrameQuestion);
    frameLayout->setContentsMargins(4, 4, 8, 7);

    auto *top = new QHBoxLayout;
    ImgQuestion = new QLabel(QStringLiteral("Q:"), FrameQuestion);
    ImgQuestion->setObjectName(QStringLiteral("ImgQuestion"));
    top->addWidget(ImgQuestion);
    top->addStretch(1);
    CmdZip = new QPushButton(QStringLiteral("Export Zip"), FrameQuestion);
    CmdZip->setObjectName(QStringLiteral("CmdZip"));
    CmdZip->hide();
    top->addWidget(CmdZip);
    frameLayout->addLayout(top);

    picSlider = new QSplitter(Qt::Vertical, FrameQuestion);
    picSlider->setObjectName(QStringLiteral("picSlider"));
    picSlider->setChildrenCollapsible(false);
    RTBQuestion = new QPlainTextEdit(picSlider);
    RTBQuestion->setObjectName(QStringLiteral("RTBQuestion"));
    // The box is never lower than one line of the question, and a line fits in that height.
    RTBQuestion->setMinimumHeight(Twips::toPixels(RecordLayoutRules::QuestionLineHeight));
    RTBQuestion->document()->setDocumentMargin(2);
    auto *answerPane = new QWidget(picSlider);
    auto *answerLayout = new QVBoxLayout(answerPane);
    answerLayout->setContentsMargins(0, 0, 0, 0);
    ImgAnswer = new QLabel(QStringLiteral("A:"), answerPane);
    ImgAnswer->setObjectName(QStringLiteral("ImgAnswer"));
    answerLayout->addWidget(ImgAnswer);
    RTBAnswer = new RichTextBox(answerPane);
    RTBAnswer->setObjectName(QStringLiteral("RTBAnswer"));
    QFont answerFont(QStringLiteral("Times New Roman"), 12);
    answerFont.setStyleHint(QFont::Serif);
    RTBAnswer->document()->setDefaultFont(answerFont);
    RTBAnswer->setMinimumHeight(Twips::toPixels(490));
    answerLayout->addWidget(RTBAnswer);
    picSlider->addWidget(RTBQuestion);
    picSlider->addWidget(answerPane);
    picSlider->setStretchFactor(0, 1);
    picSlider->setStretchFactor(1, 4);
    frameLayout->addWidget(picSlider, 1);

    RTBSave = new RichTextBox(this);
    RTBSave->setObjectName(QStringLiteral("RTBSave"));
    RTBSave->hide();

    m_colouring = new KeywordColourer(RTBAnswer->document());
    // the box puts a new document in place on every answer shown: the colourer follows it
    m_colouring->setParent(this);
    connect(RTBAnswer, &RichTextBox::documentReplaced, m_colouring, &KeywordColourer::setDocument);
    LockEditors();
    setBackColor(RTBQuestion, BrowseBackColor);
    setBackColor(RTBAnswer, BrowseBackColor);
}

std::shared_ptr<db::Recordset> FrmRecord::recordset() const
{
    auto rs = DataNavi->recordset();
    return rs && rs->isOpen() ? rs : nullptr;
}

void FrmRecord::report(const QString &prompt, int icon, int buttons, const QString &title)
{
    ask(prompt, icon, buttons, title);
}

// ---- binding, topics and the question list ---------------------------------------------------

void FrmRecord::BindDatabase()
{
    // A missing database or table is met later, when a topic is opened.
    try {
        if (!m_searchMode) {
            m_databaseName = m_main->TxtOpenDB->text().trimmed();
            LoadKeywordList(m_databaseName);
            DataNavi->setDatabaseName(
                db::DBEngine::resolvePath(DatabaseFolder + QStringLiteral("/") + m_databaseName));
            m_main->TxtOpenDB->clear();
        } else {
            DataNavi->setDatabaseName(
                db::DBEngine::resolvePath(DatabaseFolder + QStringLiteral("/Search")));
            DataNavi->setRecordSource(QStringLiteral("SrhResult"));
            m_topic = QStringLiteral("SrhResult");
            DataNavi->Refresh();
            if (auto rs = recordset(); rs && rs->RecordCount() > 0) {
                rs->MoveLast();
                rs->MoveFirst();
            }
            QString name = m_main->ComboSrhDBName->currentData().toString();
            if (name.isEmpty())
                name = m_main->ComboSrhDBName->currentText();
            LoadKeywordList(name.trimmed());
            updateControls();
        }
    } catch (const AppException &) {
    }
}

void FrmRecord::LoadKeywordList(const QString &name)
{
    const QString list = KbStore::keywordListFor(name);
    QStringList keywords;
    if (!list.isEmpty()) {
        try {
            const auto database = db::DBEngine::OpenDatabase(
                db::DBEngine::resolvePath(DatabaseFolder + QStringLiteral("/") + list), false,
                true);
            const auto reserved =
                database->OpenRecordset(QStringLiteral("Reserved"), db::dbOpenSnapshot);
            const QVariantList values = reserved->columnValues(QStringLiteral("Keyword"));
            for (const QVariant &value : values)
                if (!value.toString().isEmpty())
                    keywords.append(value.toString());
            reserved->Close();
            database->Close();
        } catch (const AppException &) {
            // Without its list the answer shows in the base colour only.
            keywords.clear();
        }
    }
    if (keywords.isEmpty())
        m_colouring->clearKeywords();
    else
        m_colouring->setKeywords(keywords);
}

void FrmRecord::ReleaseKeywordList()
{
    if (m_colouring)
        m_colouring->clearKeywords();
}

void FrmRecord::FormRefresh()
{
    if (!m_searchMode) {
        FillTopicCombo();
        m_main->TxtKeyWord->clear();
    } else {
        m_main->ComboKeyWord->setProperty("Tag", windowTitle());
        HideToolButtons(14, 19);
    }
}

void FrmRecord::FillTopicCombo()
{
    QComboBox *combo = m_main->ComboTable;
    combo->setVisible(true);
    combo->setUpdatesEnabled(false);
    {
        const QSignalBlocker blocker(combo);
        DAODataBase data;
        data.setDatabaseName(DataNavi->DatabaseName());
        m_topicsUnread = !data.AddTableName(combo);
        if (!m_topicsUnread) {
            m_topics.clear();
            for (int i = 0; i < combo->count(); ++i)
                m_topics.append(combo->itemText(i));
            // A topic deleted meanwhile is this window's no longer.
            if (!m_topic.isEmpty() && combo->findText(m_topic) < 0 && !hasPendingChange())
                forgetTopic();
        } else if (!m_topics.isEmpty()) {
            // Unread (the file is busy), the combo lists this window's topics as last read,
            // never another window's.
            combo->clear();
            for (const QString &topic : std::as_const(m_topics))
                combo->addItem(topic, topic);
            combo->setEnabled(true);
        }
        combo->setCurrentIndex(m_topic.isEmpty() ? -1 : int(combo->findText(m_topic)));
    }
    combo->setUpdatesEnabled(true);
    combo->setVisible(true);
}

void FrmRecord::forgetTopic()
{
    m_topic.clear();
    m_listedCount = 0;
    m_savedListIndex = -1;
    DataNavi->setRecordSource(QString());
    DataNavi->setRecordset(nullptr);
    CmdZip->hide();
    clearControls();
    {
        const QSignalBlocker blocker(m_main->ListRecords);
        m_main->ListRecords->clear();
    }
    m_main->StatusPanel1->setText(QStringLiteral("Welcome : ") + WindowsUserName);
}

void FrmRecord::ComboTableClicked()
{
    // The typed text of a pending record outranks a topic change.
    if (m_searchMode || hasPendingChange())
        return;
    CmdZip->setVisible(m_main->ComboTable->currentText() == KbStore::ZippedTopic);
    OpenTopic();
}

void FrmRecord::OpenTopic()
{
    const QString topic = m_main->ComboTable->currentText();
    const QString shownSource = DataNavi->RecordSource();
    const std::shared_ptr<db::Recordset> shown = DataNavi->recordset();
    std::shared_ptr<db::Recordset> rs;
    QVariantList questions;
    try {
        DataNavi->setRecordSource(topic);
        DataNavi->Refresh();
        rs = recordset();
        // Only a table of questions and answers is a topic this window can show.
        if (rs) {
            int found = 0;
            for (const db::Field &field : rs->Fields())
                found += field.name.compare(QLatin1String("Question"), Qt::CaseInsensitive) == 0 ||
                         field.name.compare(QLatin1String("Answer"), Qt::CaseInsensitive) == 0;
            if (found < 2)
                throw AppException(db::ErrItemNotFound,
                                   QStringLiteral("The topic ") + topic +
                                       QStringLiteral(" has no Question and Answer fields, so it "
                                                      "holds no records to show."));
        }
        if (rs && rs->RecordCount() > 0)
            questions = rs->columnValues(QStringLiteral("Question"));
    } catch (const AppException &error) {
        if (error.number() == db::ErrFileInUse) {
            // A busy file is no fault of the topic: the window stays with what it showed,
            // and picking the topic again opens it.
            DataNavi->setRecordSource(shownSource);
            DataNavi->setRecordset(shown);
            {
                const QSignalBlocker blocker(m_main->ComboTable);
                m_main->ComboTable->setCurrentIndex(int(m_main->ComboTable->findText(m_topic)));
            }
            CmdZip->setVisible(m_topic == KbStore::ZippedTopic);
            m_unreadReason = unreadReason(error);
            reportUnread();
            return;
        }
        // A topic that cannot be opened lists nothing and says why.
        const QSignalBlocker blocker(m_main->ListRecords);
        m_main->ListRecords->clear();
        report(error.description(), 103, 4, QStringLiteral("ERROR"));
        return;
    }
    m_topic = topic;
    if (!questions.isEmpty()) {
        rs->MoveLast();
        rs->MoveFirst();
        fillQuestionList(questions);
        // Unread, the first record is read again (and the reason told) as the list selects it.
        if (!updateControls())
            clearControls();
        return;
    }
    {
        const QSignalBlocker blocker(m_main->ListRecords);
        m_main->ListRecords->clear();
    }
    m_listedCount = 0;
    showCount();
    clearControls();
    if (ask(QStringLiteral("There is no records in this topic, do your want to add now?"), 102, 1,
            QStringLiteral("EMPTY TOPIC")) == QLatin1String("Yes"))
        NewRecord();
}

bool FrmRecord::FillQuestionList()
{
    QVariantList questions;
    try {
        if (auto rs = recordset())
            questions = rs->columnValues(QStringLiteral("Question"));
    } catch (const AppException &error) {
        m_unreadReason = unreadReason(error);
        return false;
    }
    fillQuestionList(questions);
    return true;
}

void FrmRecord::fillQuestionList(const QVariantList &questions)
{
    QListWidget *list = m_main->ListRecords;
    const QSignalBlocker blocker(list);
    list->hide();
    list->setUpdatesEnabled(false);
    list->clear();
    // The list comes from the recordset itself, so item n is always record n.
    if (questions.isEmpty()) {
        m_listedCount = 0;
        list->setUpdatesEnabled(true);
        list->show();
        if (!m_emptyTopicPrompted) {
            m_emptyTopicPrompted = true;
            if (ask(QStringLiteral("There is no record in current table ") + m_topic +
                        QStringLiteral(", Please check the database file!") +
                        QStringLiteral(" Do you want to add a new record? "),
                    103, 1, QStringLiteral("EMPTY TOPIC")) == QLatin1String("Yes"))
                NewRecord();
        }
        return;
    }
    QStringList items;
    items.reserve(questions.size());
    for (const QVariant &question : questions)
        items.append(question.toString());
    m_listedCount = int(items.size());
    showCount();
    list->addItems(items);
    list->setUpdatesEnabled(true);
    list->show();
}

void FrmRecord::showCount()
{
    m_main->StatusPanel1->setText(QStringLiteral("There are ") + QString::number(m_listedCount) +
                                  QStringLiteral(" records in: ") + m_topic);
}

void FrmRecord::selectListRow(int row)
{
    QListWidget *list = m_main->ListRecords;
    const QSignalBlocker blocker(list);
    list->setCurrentRow(row);
    if (row < 0)
        list->clearSelection();
    else if (QListWidgetItem *item = list->item(row))
        list->scrollToItem(item);
}

int FrmRecord::recordPosition() const
{
    auto rs = recordset();
    // A record that could not be read is not shown: its row can be clicked again.
    if (!rs || m_shown.key < 0 || rs->currentKey() != m_shown.key)
        return -1;
    return int(rs->AbsolutePosition());
}

qint64 FrmRecord::recordKeyAt(int position) const
{
    auto rs = recordset();
    if (!rs || position < 0)
        return -1;
    const QVector<qint64> keys = rs->keys();
    return position < keys.size() ? keys.at(position) : -1;
}

qint64 FrmRecord::currentRecordKey() const
{
    return recordPosition() >= 0 ? recordset()->currentKey() : -1;
}

bool FrmRecord::showRecordAt(int position)
{
    // Moving would throw away what the user typed.
    if (hasPendingChange())
        return false;
    auto rs = recordset();
    if (!rs)
        return false;
    if (position >= 0 && position == recordPosition())
        return true;
    try {
        rs->setAbsolutePosition(position);
    } catch (const AppException &) {
        return false;
    }
    if (updateControls())
        return true;
    // The boxes still show the record they showed: the recordset goes back to it, and so
    // does the list once the click is over, so that a click on the row reads it again.
    const int shown = int(rs->keys().indexOf(m_shown.key));
    if (shown >= 0)
        rs->setAbsolutePosition(shown);
    QTimer::singleShot(0, this, [this] {
        selectShownRow();
        reportUnread();
    });
    return false;
}

bool FrmRecord::showRecordByKey(qint64 key)
{
    const int position = int(recordset() ? recordset()->keys().indexOf(key) : -1);
    return position >= 0 && showRecordAt(position);
}

bool FrmRecord::updateControls()
{
    auto rs = recordset();
    if (!rs || rs->AbsolutePosition() < 0) {
        clearControls();
        return true;
    }
    // reading a huge answer takes a while too: the box's laidOut ends the hourglass
    showLayingOut(true);
    // Both fields are read before a box changes, so a failed read leaves no half record.
    QString question;
    QString answer;
    try {
        question = rs->value(QStringLiteral("Question")).toString();
        answer = rs->value(QStringLiteral("Answer")).toString();
    } catch (const AppException &error) {
        m_unreadReason = unreadReason(error);
        if (rs->currentKey() == m_shown.key && m_shown.key >= 0) {
            // Back to the record as it was last read, as after a discard.
            RTBQuestion->setPlainText(m_shown.question);
            RTBAnswer->setTextRtf(m_shown.answer);
        } else {
            showLayingOut(false);
        }
        return false;
    }
    RTBQuestion->setPlainText(question);
    RTBAnswer->setTextRtf(answer);
    m_shown = {rs->currentKey(), RTBQuestion->toPlainText(), answer};
    return true;
}

void FrmRecord::clearControls()
{
    m_shown = {};
    RTBQuestion->clear();
    RTBAnswer->setTextRtf(QString());
}

void FrmRecord::reportUnread()
{
    report(m_unreadReason, 103, 4, QStringLiteral("ERROR"));
}

void FrmRecord::selectShownRow()
{
    if (!m_searchMode) {
        selectListRow(recordPosition());
        return;
    }
    QTreeWidget *list = m_main->ListResult;
    const QSignalBlocker blocker(list);
    QTreeWidgetItem *shown = nullptr;
    for (int i = 0; i < list->topLevelItemCount() && !shown && m_shown.key >= 0; ++i) {
        bool ok = false;
        if (list->topLevelItem(i)->data(0, Qt::UserRole).toLongLong(&ok) == m_shown.key && ok)
            shown = list->topLevelItem(i);
    }
    list->setCurrentItem(shown);
    if (!shown)
        list->clearSelection();
}

void FrmRecord::ScanTheRTBAnswer()
{
    // The colouring overlay follows every change of the answer by itself; a scan only
    // brings the caret home.
    RTBAnswer->setSelStart(0);
    RTBAnswer->setSelLength(0);
}

void FrmRecord::SelectALL()
{
    RTBAnswer->setSelStart(0);
    RTBAnswer->setSelLength(RTBAnswer->textLength());
}

void FrmRecord::RefreshSearchResults()
{
    if (!m_searchMode || hasPendingChange())
        return;
    try {
        DataNavi->Refresh();
        if (auto rs = recordset(); rs && rs->RecordCount() > 0) {
            rs->MoveLast();
            rs->MoveFirst();
        }
    } catch (const AppException &) {
    }
    if (!updateControls())
        clearControls();
}

// ---- activation and closing --------------------------------------------------------------------

void FrmRecord::Form_Activate()
{
    const WaitCursor wait;
    ApplyStateToMainWindow();
    FormRefresh();
    if (!m_searchMode) {
        m_main->ComboTable->setEnabled(true);
        RestoreTopicPosition();
    }
}

void FrmRecord::Form_Deactivate()
{
    m_wasDeactivated = true;
    m_speech->StopListen();
    if (m_searchMode) {
        QTreeWidgetItem *item = m_main->ListResult->currentItem();
        m_savedListIndex = item ? m_main->ListResult->indexOfTopLevelItem(item) : -1;
        ShowToolButtons(14, 16);
    } else {
        m_savedListIndex = recordPosition();
    }
}

void FrmRecord::RestoreTopicPosition()
{
    // The main window's list may hold another window's questions: refill it from this
    // window's own recordset, then put the selection on this window's record.
    if (m_topic.isEmpty()) {
        const QSignalBlocker blocker(m_main->ListRecords);
        m_main->ListRecords->clear();
        m_main->StatusPanel1->setText(QStringLiteral("Welcome : ") + WindowsUserName);
        return;
    }
    {
        const QSignalBlocker blocker(m_main->ComboTable);
        m_main->ComboTable->setCurrentIndex(int(m_main->ComboTable->findText(m_topic)));
    }
    const bool prompted = m_emptyTopicPrompted;
    m_emptyTopicPrompted = true; // no empty-topic question on a mere switch of windows
    const bool filled = FillQuestionList();
    m_emptyTopicPrompted = prompted;
    if (!filled) {
        // Never another window's questions under this window's record; choosing the topic
        // again lists them once the file is free.
        {
            const QSignalBlocker blocker(m_main->ListRecords);
            m_main->ListRecords->clear();
        }
        // One message for one switch: a failed topic list has said why already.
        if (!m_topicsUnread)
            QTimer::singleShot(0, this, [this] { reportUnread(); });
    }
    const int position = hasPendingChange() ? m_positionBeforeChange : recordPosition();
    selectListRow(position);
    showCount();
}

void FrmRecord::ApplyStateToMainWindow()
{
    ShowToolButtons(13, 13);
    const bool editing = hasPendingChange();
    m_main->DBToolbar->setVisible(!editing);
    m_main->TBEdit->setVisible(editing);
    m_main->setPanelLeftVisible(!editing);
    if (editing) {
        HideToolButtons(14, 16);
        ShowToolButtons(17, 18);
    } else {
        ShowToolButtons(14, 16);
        HideToolButtons(17, 18);
    }
    // Open and Compact wait while a record is pending; a button that was off before stays off.
    for (const QString &key : {QStringLiteral("Open"), QStringLiteral("Compact")}) {
        QAction *button = m_main->toolbarButton(key);
        if (!button)
            continue;
        if (editing && button->isEnabled()) {
            button->setEnabled(false);
            button->setProperty("offWhileEditing", true);
        } else if (!editing && button->property("offWhileEditing").toBool()) {
            button->setEnabled(true);
            button->setProperty("offWhileEditing", false);
        }
    }
    if (QAction *replace = m_main->menuItem(QStringLiteral("mnuReplace")))
        replace->setEnabled(editing);
    m_main->updateRecordMenuItems();
    if (m_searchMode)
        HideToolButtons(14, 19);
}

void FrmRecord::ShowToolButtons(int first, int last)
{
    for (int i = first; i <= last; ++i)
        if (QAction *button = m_main->mainToolButton(i))
            button->setVisible(true);
}

void FrmRecord::HideToolButtons(int first, int last)
{
    for (int i = first; i <= last; ++i)
        if (QAction *button = m_main->mainToolButton(i))
            button->setVisible(false);
}

void FrmRecord::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    if (m_closeGuard.busy()) {
        // One of this window's questions is still open and its caller runs on when it is
        // answered: close (asking about unsaved text as ever) once that has unwound.
        event->ignore();
        m_closeGuard.deferClose();
        return;
    }
    m_closeGuard.dropClose();
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

QString FrmRecord::ask(const QString &prompt, int icon, int buttons, const QString &title)
{
    const CloseGuard::Operation operation(m_closeGuard);
    return MsgBoxEx(prompt, icon, buttons, title);
}

void FrmRecord::closeWhenIdle()
{
    QTimer::singleShot(0, this, [this] {
        if (!m_closeGuard.closePending() || m_closeGuard.busy())
            return; // still busy: the last operation to end comes back here
        if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
            frame->close();
        else
            close();
    });
}

bool FrmRecord::Form_QueryUnload()
{
    if (!AskSaveOnExit())
        return false;
    StopSpeaking();
    ReleaseKeywordList();
    return true;
}

void FrmRecord::Form_Unload()
{
    m_unloaded = true;
    HideToolButtons(13, 18);
    m_speech->StopListen();
    ResetMainWindow(m_searchMode);
    DataNavi->close();
}

void FrmRecord::ResetMainWindow(bool searchMode)
{
    m_main->StatusPanel1->setText(QStringLiteral("Welcome : ") + WindowsUserName);
    {
        const QSignalBlocker blocker(m_main->ComboTable);
        m_main->ComboTable->clear();
    }
    m_main->ComboTable->setEnabled(false);
    m_main->TBEdit->hide();
    m_main->DBToolbar->show();
    if (searchMode) {
        m_main->SearchResultForm = nullptr;
    } else {
        m_main->LoadCountMinus();
        bool ok = false;
        const int index = property("Tag").toString().toInt(&ok);
        if (ok && index >= 1 && index <= FrmMain::DatabaseButtons) {
            const QList<QAction *> buttons = m_main->DBToolbar->actions();
            for (QAction *button : buttons)
                if (button->data().toInt() == index)
                    button->setEnabled(true);
            if (m_main->RecordForms[index] == this)
                m_main->RecordForms[index] = nullptr;
        }
        const QSignalBlocker blocker(m_main->ListRecords);
        m_main->ListRecords->clear();
    }
    {
        const QSignalBlocker blocker(m_main->ListResult);
        m_main->ListResult->clear();
    }
    m_main->setPanelLeftVisible(true);
}

// ---- the editing cycle -------------------------------------------------------------------------

void FrmRecord::AddRec()
{
    NewRecord();
}

void FrmRecord::EditRec()
{
    EditRecord();
}

void FrmRecord::DeleteRec()
{
    DeleteRecord();
}

void FrmRecord::NewRecord()
{
    // Verbs belong to browsing; the search window shows copies and never edits them.
    if (m_searchMode || hasPendingChange())
        return;
    auto rs = recordset();
    if (!rs) {
        report(QStringLiteral("91\r\nPlease choose a topic first."), 103, 4,
               QStringLiteral("ERROR"));
        return;
    }
    m_positionBeforeChange = recordPosition();
    try {
        rs->AddNew();
    } catch (const AppException &error) {
        report(QString::number(error.number()) + QStringLiteral("\r\n") + error.description(), 103,
               4, QStringLiteral("ERROR"));
        updateControls();
        return;
    }
    m_state = State::Adding;
    EnterEditMode();
    // The new record shows its field defaults, as a bound box would.
    QString question;
    QString answer;
    for (const db::Field &field : rs->Fields()) {
        if (field.defaultValue.isNull())
            continue;
        if (field.name.compare(QLatin1String("Question"), Qt::CaseInsensitive) == 0)
            question = unquotedDefault(field.defaultValue);
        else if (field.name.compare(QLatin1String("Answer"), Qt::CaseInsensitive) == 0)
            answer = unquotedDefault(field.defaultValue);
    }
    RTBQuestion->setPlainText(question);
    RTBAnswer->setTextRtf(answer);
    if (!CmdZip->isHidden()) {
        const CloseGuard::Operation operation(m_closeGuard);
        // A record of this topic is its archive: without one the add ends.
        if (!m_zip->AskZipFile()) {
            discardPending();
            return;
        }
    }
    StartTrackingChanges();
    RTBQuestion->setFocus();
}

void FrmRecord::EditRecord()
{
    if (m_searchMode || hasPendingChange())
        return;
    auto rs = recordset();
    try {
        if (!rs)
            db::raise(db::ErrNoCurrentRecord);
        // Only the buffer opens here: nothing is written until Save.
        rs->Edit();
    } catch (const AppException &error) {
        report(QStringLiteral("Error occured: ") + unreadReason(error), 103, 4,
               QStringLiteral("ERROR"));
        return;
    }
    // Boxes left empty by a failed read show the record that is edited (it was just read).
    if (recordPosition() < 0)
        updateControls();
    m_positionBeforeChange = recordPosition();
    m_editedKey = rs->currentKey();
    m_state = State::Editing;
    EnterEditMode();
    StartTrackingChanges();
    RTBQuestion->setFocus();
}

void FrmRecord::EnterEditMode()
{
    ApplyStateToMainWindow();
    setBackColor(RTBQuestion, EditBackColor);
    setBackColor(RTBAnswer, EditBackColor);
    EditLayout();
    UnlockEditors();
}

void FrmRecord::LeaveEditMode()
{
    m_state = State::Browsing;
    m_undo->setEditing(false);
    m_editedKey = -1;
    ApplyStateToMainWindow();
    setBackColor(RTBQuestion, BrowseBackColor);
    setBackColor(RTBAnswer, BrowseBackColor);
    BrowseLayout();
    LockEditors();
}

void FrmRecord::StartTrackingChanges()
{
    // The text as the edit starts is the first snapshot, so even the first change undoes.
    m_undo->setEditing(true);
    m_undo->textChanged(RTBAnswer->text(), RTBAnswer->selStart());
}

void FrmRecord::applyUndoEdit(const UndoEdit &edit)
{
    RTBAnswer->setSelStart(edit.Start);
    RTBAnswer->setSelLength(edit.RemoveLength);
    RTBAnswer->setSelText(edit.Insert);
    RTBAnswer->setSelStart(edit.SelStart);
    RTBAnswer->setSelLength(edit.SelLength);
}

void FrmRecord::Undo()
{
    if (m_searchMode)
        return;
    m_undo->Undo(RTBAnswer->text(), [this](const UndoEdit &edit) { applyUndoEdit(edit); });
    RTBAnswer->setFocus();
}

void FrmRecord::Redo()
{
    if (m_searchMode)
        return;
    m_undo->Redo(RTBAnswer->text(), [this](const UndoEdit &edit) { applyUndoEdit(edit); });
    RTBAnswer->setFocus();
}

void FrmRecord::EditLayout()
{
    m_inEditLayout = true;
}

void FrmRecord::BrowseLayout()
{
    m_inEditLayout = false;
    RTBAnswer->show();
    RTBQuestion->show();
}

void FrmRecord::UnlockEditors()
{
    RTBQuestion->setReadOnly(false);
    RTBAnswer->setLocked(false);
}

void FrmRecord::LockEditors()
{
    RTBQuestion->setReadOnly(true);
    RTBAnswer->setLocked(true);
}

bool FrmRecord::IsStillDefault() const
{
    auto rs = recordset();
    if (!rs)
        return false;
    QString questionDefault;
    QString answerDefault;
    for (const db::Field &field : rs->Fields()) {
        if (field.name.compare(QLatin1String("Question"), Qt::CaseInsensitive) == 0)
            questionDefault = field.defaultValue.toString();
        else if (field.name.compare(QLatin1String("Answer"), Qt::CaseInsensitive) == 0)
            answerDefault = field.defaultValue.toString();
    }
    if (questionDefault.isEmpty() || answerDefault.isEmpty())
        return false;
    return RTBAnswer->text() == unquotedDefault(answerDefault) ||
           RTBQuestion->toPlainText() == unquotedDefault(questionDefault);
}

bool FrmRecord::ReportNothingToSave()
{
    if (ask(QStringLiteral("The record cannot be saved because you did nothing!"), 102, 2,
            QStringLiteral("FAILED")) == QLatin1String("Cancel")) {
        discardPending();
        return true;
    }
    return false;
}

void FrmRecord::SaveChange()
{
    if (m_searchMode || !hasPendingChange())
        return;
    save(true);
}

bool FrmRecord::save(bool announce)
{
    auto rs = recordset();
    if (!rs)
        return false;
    // A record without a question is never stored: nothing would find or list it.
    if (IsStillDefault() || RTBQuestion->toPlainText().trimmed().isEmpty()) {
        ReportNothingToSave();
        return false;
    }
    const bool adding = m_state == State::Adding;
    const QString question = RTBQuestion->toPlainText();
    QString answer = m_shown.answer;
    qint64 key = -1;
    try {
        // A failed update keeps the buffer, but re-open it should the layer have dropped it.
        if (rs->EditMode() == db::dbEditNone) {
            if (adding) {
                rs->AddNew();
            } else {
                rs->setAbsolutePosition(rs->keys().indexOf(m_editedKey));
                rs->Edit();
            }
        }
        // A question or an answer the user did not touch keeps its stored text.
        if (adding || question != m_shown.question)
            rs->setValue(QStringLiteral("Question"), question);
        if (adding || RTBAnswer->isModified()) {
            answer = RTBAnswer->textRtf();
            rs->setValue(QStringLiteral("Answer"), answer);
        }
        rs->Update();
        rs->setBookmark(rs->LastModified());
        key = rs->currentKey();
    } catch (const AppException &error) {
        RTBAnswer->show();
        RTBQuestion->show();
        // The window stays in its editing state with everything the user typed.
        if (error.number() == db::ErrDuplicateKey)
            report(QStringLiteral("There is already a question as the same name as which you add "
                                  "now, please check it!"),
                   105, 4, QStringLiteral("UPDATE FAILED"));
        else
            report(unreadReason(error), 103, 4, QStringLiteral("ERROR"));
        return false;
    }

    LeaveEditMode();
    // Should the rereads below find the file busy, the boxes keep what was just saved.
    m_shown = {key, question, answer};
    // Reread the topic, so records other windows added meanwhile are listed too.
    try {
        DataNavi->Refresh();
        if (recordset())
            rs = recordset();
    } catch (const AppException &) {
    }
    const int position = int(rs->keys().indexOf(key));
    if (!FillQuestionList()) {
        // The list takes the saved question in place of a reread, so item n stays record n.
        const QSignalBlocker blocker(m_main->ListRecords);
        if (adding)
            m_main->ListRecords->insertItem(position, question);
        else if (QListWidgetItem *item = m_main->ListRecords->item(position))
            item->setText(question);
        m_listedCount = m_main->ListRecords->count();
        showCount();
    }
    if (announce)
        report(QStringLiteral("Records has been saved!"), 104, 4, QStringLiteral("SUCCEED"));
    if (position >= 0)
        rs->setAbsolutePosition(position);
    updateControls();
    selectListRow(position);
    ScanTheRTBAnswer();
    return true;
}

void FrmRecord::CancelChange(bool skipConfirm)
{
    if (m_searchMode || !hasPendingChange())
        return;
    // Ask whenever either box holds text: one filled box is work too.
    if (!skipConfirm && (!RTBQuestion->toPlainText().isEmpty() || !RTBAnswer->text().isEmpty()) &&
        ask(QStringLiteral("The new record will not be saved! Are you sure?"), 101, 1,
            QStringLiteral("CANCEL")) != QLatin1String("Yes"))
        return;
    discardPending();
}

void FrmRecord::discardPending()
{
    auto rs = recordset();
    if (rs) {
        try {
            if (rs->EditMode() != db::dbEditNone)
                rs->CancelUpdate();
        } catch (const AppException &) {
        }
    }
    const int position = m_positionBeforeChange;
    LeaveEditMode();
    if (rs && position >= 0 && position < rs->RecordCount()) {
        try {
            rs->setAbsolutePosition(position);
        } catch (const AppException &) {
        }
    }
    if (!updateControls()) {
        // Typed text is never left looking like a stored record.
        if (recordPosition() < 0)
            clearControls();
        reportUnread();
    }
    selectListRow(recordPosition());
    ScanTheRTBAnswer();
}

bool FrmRecord::AskSaveOnExit()
{
    if (!hasPendingChange())
        return true;
    if (ask(QStringLiteral("Do you want to save the changes before exit!"), 102, 1,
            QStringLiteral("SAVE CHANGE")) == QLatin1String("Yes"))
        // A failed save keeps the window and the text, unless the user gave the record up there.
        return save(true) || !hasPendingChange();
    discardPending();
    return true;
}

void FrmRecord::DeleteRecord()
{
    if (m_searchMode || hasPendingChange())
        return;
    if (ask(QStringLiteral("You are going to delete this record, you can not recover it "
                           "after deleting! ") +
                QStringLiteral("Are you sure!"),
            106, 1, QStringLiteral("Confirm Deleting!")) != QLatin1String("Yes"))
        return;
    auto rs = recordset();
    const int position = recordPosition();
    try {
        // Only the record the boxes show is the one the user means.
        if (!rs || position < 0)
            db::raise(db::ErrNoCurrentRecord);
        rs->Delete();
    } catch (const AppException &error) {
        report(error.description(), 103, 4, QStringLiteral("DELETE FAILED!"));
        return;
    }
    {
        // The item of the deleted record goes, whatever the list's selection was.
        const QSignalBlocker blocker(m_main->ListRecords);
        delete m_main->ListRecords->takeItem(position);
    }
    const int count = int(rs->RecordCount());
    const int next = position >= count ? count - 1 : position;
    if (next >= 0) {
        try {
            rs->setAbsolutePosition(next);
        } catch (const AppException &) {
        }
    }
    if (!updateControls()) {
        clearControls();
        reportUnread();
    }
    selectListRow(recordPosition());
    ScanTheRTBAnswer();
    m_listedCount = qMax(0, m_listedCount - 1);
    showCount();
}

void FrmRecord::deleteRecordByKey(const QString &topic, qint64 key)
{
    auto rs = recordset();
    // Never delete under a record the user is still editing.
    if (topic == m_topic && hasPendingChange())
        db::raise(db::ErrInvalidOperation);
    if (rs && topic == m_topic) {
        const int position = int(rs->keys().indexOf(key));
        if (position < 0)
            db::raise(db::ErrNoCurrentRecord);
        rs->setAbsolutePosition(position);
        rs->Delete();
        const int count = int(rs->RecordCount());
        const int next = position >= count ? count - 1 : position;
        if (next >= 0)
            rs->setAbsolutePosition(next);
        if (!updateControls())
            clearControls();
        m_listedCount = qMax(0, m_listedCount - 1);
        // The shared list shows this window's questions only while it is the active one;
        // otherwise its activation refills the list.
        if (m_main->activeRecordWindow() == this) {
            {
                const QSignalBlocker blocker(m_main->ListRecords);
                if (m_main->ListRecords->count() > position)
                    delete m_main->ListRecords->takeItem(position);
            }
            selectListRow(recordPosition());
            showCount();
        }
        return;
    }
    std::shared_ptr<db::Database> database = DataNavi->database();
    if (!database || !database->isOpen())
        database = db::DBEngine::OpenDatabase(DataNavi->DatabaseName());
    database->Execute(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(db::quoteIdent(topic)),
                      {key});
}
