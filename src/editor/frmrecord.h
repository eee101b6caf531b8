#pragma once

#include "kb/frmmain.h"
#include "kb/recordverbs.h"
#include "winsvc/closeguard.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class KeywordColourer;
class SnapshotUndo;
struct UndoEdit;
class RichTextBox;
class RecordSpeech;
class RecordZip;

namespace db {
class DataControl;
class Recordset;
} // namespace db

// The record window: one topic of one knowledge base, one record at a time. It has no lists
// of its own; it fills and reads the main window's topic combo and question list.
class FrmRecord : public QWidget, public RecordVerbs, public RecordWindowLink
{
    Q_OBJECT

public:
    enum class State { Browsing, Adding, Editing };

    static constexpr quint32 BrowseBackColor = 0xFFC0C0;
    static constexpr quint32 EditBackColor = 0x80000005;

    // A database window reads its database from the main window's TxtOpenDB while it loads;
    // the search window binds to Search/SrhResult.
    explicit FrmRecord(FrmMain *main, bool searchMode = false, QWidget *parent = nullptr);
    ~FrmRecord() override;

    bool SearchMode() const { return m_searchMode; }
    State state() const { return m_state; }

    // The record-window protocol the main window drives.
    void AddRec() override;
    void CancelChange() override { CancelChange(false); }
    void CancelChange(bool skipConfirm);
    void SaveChange() override;
    void ComboTableClicked() override;
    void ScanTheRTBAnswer() override;
    void FormRefresh() override;
    void DeleteRec() override;
    void EditRec() override;
    void SelectALL() override;
    void Undo() override;
    void Redo() override;
    SnapshotUndo *undoHistory() const { return m_undo; }
    // Reading aloud, the word processor and zip attachments (recordspeech.h, recordzip.h).
    void Listen() override;
    void PrintWithWord() override;
    QString ColouredAnswerRtf() const override;
    RecordSpeech *speech() const { return m_speech; }
    RecordZip *zip() const { return m_zip.get(); }

    // RecordWindowLink
    bool isSearchMode() const override { return m_searchMode; }
    bool hasPendingChange() const override { return m_state != State::Browsing; }
    int recordPosition() const override;
    bool showRecordAt(int position) override;
    qint64 recordKeyAt(int position) const override;
    bool showRecordByKey(qint64 key) override;
    QString currentTopic() const override { return m_topic; }
    qint64 currentRecordKey() const override;
    void deleteRecordByKey(const QString &topic, qint64 key) override;
    void Form_Activate() override;
    void Form_Deactivate() override;

    // Search mode: rereads SrhResult after a search refilled it.
    void RefreshSearchResults();

    // Controls the main window and the utilities reach by name.
    db::DataControl *DataNavi = nullptr;
    QPlainTextEdit *RTBQuestion = nullptr;
    RichTextBox *RTBAnswer = nullptr;
    RichTextBox *RTBSave = nullptr;
    QPushButton *CmdZip = nullptr;
    QWidget *FrameQuestion = nullptr;
    QSplitter *picSlider = nullptr;
    QLabel *ImgQuestion = nullptr;
    QLabel *ImgAnswer = nullptr;

    KeywordColourer *colouring() const { return m_colouring; }
    int ListedCount() const { return m_listedCount; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void BindDatabase();
    void LoadKeywordList(const QString &name);
    void ReleaseKeywordList();
    void FillTopicCombo();
    // Shows nothing of a topic that is gone.
    void forgetTopic();
    void OpenTopic();
    // False (and the list as it was) when the questions cannot be read.
    bool FillQuestionList();
    void fillQuestionList(const QVariantList &questions);
    void RestoreTopicPosition();
    bool Form_QueryUnload();
    void Form_Unload();
    void ResetMainWindow(bool searchMode);
    void ShowToolButtons(int first, int last);
    void HideToolButtons(int first, int last);
    void ApplyStateToMainWindow();

    void NewRecord();
    void EditRecord();
    void DeleteRecord();
    bool AskSaveOnExit();
    bool save(bool announce);
    void EnterEditMode();
    void LeaveEditMode();
    void StartTrackingChanges();
    void applyUndoEdit(const UndoEdit &edit);
    void EditLayout();
    void BrowseLayout();
    void UnlockEditors();
    void LockEditors();
    bool IsStillDefault() const;
    bool ReportNothingToSave();
    void discardPending();

    // Shows the current record in the boxes (the data control's bound reload). When it cannot
    // be read, false returns, the reason waits in m_unreadReason, and the boxes keep what they
    // showed, or get it back when the current record is the one they last showed (a discard).
    bool updateControls();
    void clearControls();
    // Says why a record or a list could not be read.
    void reportUnread();
    // Puts the list's selection on the record the boxes show (none when they show none).
    void selectShownRow();
    // The hourglass while the answer is read and laid out, shown once however often asked.
    void showLayingOut(bool layingOut);
    void selectListRow(int row);
    void showCount();
    std::shared_ptr<db::Recordset> recordset() const;
    void report(const QString &prompt, int icon, int buttons, const QString &title);
    // Every question this window asks: a close that comes while one is open waits for it.
    QString ask(const QString &prompt, int icon, int buttons, const QString &title);
    void closeWhenIdle();

    FrmMain *m_main;
    bool m_searchMode;
    State m_state = State::Browsing;
    bool m_inEditLayout = false;
    bool m_wasDeactivated = false;
    bool m_emptyTopicPrompted = false;
    bool m_unloaded = false;
    bool m_layingOut = false; // the hourglass shows until the answer box has laid out its text
    CloseGuard m_closeGuard{[this] { closeWhenIdle(); }, this};
    QString m_databaseName;
    QString m_topic;
    // The record the boxes show as it was read or saved; key -1 when they show none.
    struct ShownRecord
    {
        qint64 key = -1;
        QString question;
        QString answer;
    } m_shown;
    QString m_unreadReason;
    QStringList m_topics; // as last read, for when the file cannot be read
    bool m_topicsUnread = false;
    int m_savedListIndex = -1;
    int m_listedCount = 0;
    int m_positionBeforeChange = -1;
    qint64 m_editedKey = -1;
    KeywordColourer *m_colouring = nullptr;
    SnapshotUndo *m_undo = nullptr;
    RecordSpeech *m_speech = nullptr;
    std::unique_ptr<RecordZip> m_zip;
};
