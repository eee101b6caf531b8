#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// One state of the answer text: the caret right after a change and the whole plain text.
struct UndoSnapshot
{
    qint32 SelStart = 0;
    qint32 TextLen = 0;
    QString Text;
};

// What the text box must do to move between two snapshots: replace RemoveLength characters
// at Start with Insert, then put the selection at SelStart/SelLength.
struct UndoEdit
{
    int Start = 0;
    int RemoveLength = 0;
    QString Insert;
    int SelStart = 0;
    int SelLength = 0;
};

// Snapshot undo and redo for the record window's answer box. It keeps whole-text snapshots
// and works out the one span that differs between two of them; the window applies the span
// to its rich text so the formatting around it stays.
class SnapshotUndo : public QObject
{
    Q_OBJECT

public:
    using Apply = std::function<void(const UndoEdit &)>;

    static constexpr int DefaultMaxSnapshots = 1000;
    static constexpr qint64 DefaultMaxBytes = 64 * 1024 * 1024;
    // How long typing must rest before its snapshot is taken.
    static constexpr int PauseMs = 400;

    explicit SnapshotUndo(QObject *parent = nullptr);

    // Starting an edit (new record or editing the current one) empties both lists, so no
    // snapshot crosses records or separate edits; ending it stops tracking.
    void setEditing(bool editing);
    bool isEditing() const { return m_editing; }
    // True while the engine applies an edit, so the text-change event must not push.
    bool TrackChanges() const { return m_editing && !m_applying; }

    // The text-change event: records the text and caret as they are after the change.
    void textChanged(const QString &text, int selStart);

    // Where a pending change reads the text and the caret.
    void setSource(std::function<QString()> text, std::function<int()> caret);
    // A change of the text, recorded (through the source) once typing pauses, when the caret
    // moves elsewhere, or before an undo or redo: reading a huge text once per key would make
    // every key wait for it. Typing in one place is one step of the history.
    void changed();
    void caretMoved();
    // Records a pending change now.
    void flush();

    // Revert or re-apply one change on the live text through apply; false when nothing was
    // applied. Both report the button states whatever they did.
    bool Undo(const QString &liveText, const Apply &apply);
    bool Redo(const QString &liveText, const Apply &apply);

    bool canUndo() const
    {
        return m_editing && (m_undo.size() >= 2 || (m_pending && !m_undo.isEmpty()));
    }
    bool canRedo() const { return m_editing && !m_pending && !m_redo.isEmpty(); }
    const QList<UndoSnapshot> &UndoSnapshots() const { return m_undo; }
    const QList<UndoSnapshot> &RedoSnapshots() const { return m_redo; }

    // The history drops its oldest snapshots beyond either bound (the newest always stays).
    void setLimits(int maxSnapshots, qint64 maxBytes);

    // The span by which the longer text exceeds the shorter, read from the longer text just
    // before the 1-based position pos.
    static QString Change(const QString &first, const QString &second, int pos);

signals:
    void UpdateUndoButtons(bool canUndo, bool canRedo);

private:
    void emitButtons();
    void trim();
    static qint64 bytesOf(const UndoSnapshot &snapshot);

    QList<UndoSnapshot> m_undo;
    QList<UndoSnapshot> m_redo;
    bool m_editing = false;
    bool m_applying = false;
    int m_maxSnapshots = DefaultMaxSnapshots;
    qint64 m_maxBytes = DefaultMaxBytes;
    qint64 m_bytes = 0;
    bool m_pending = false;
    bool m_changedSinceCaret = false;
    int m_caretAfterChange = 0;
    QTimer m_pause;
    std::function<QString()> m_text;
    std::function<int()> m_caret;
};
