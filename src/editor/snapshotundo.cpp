#include "editor/snapshotundo.h"

#include <algorithm>
#include <utility>

namespace {

// The one span in which two texts differ: older and newer share their first Prefix
// characters and their last characters after the span.
struct Span
{
    int Prefix = 0;
    int OlderLength = 0;
    int NewerLength = 0;
};

// Common prefix and suffix give an exact span whatever the change was (typing, a paste over
// a selection of another length, a replace, a drop). Where a run of equal characters makes
// the place ambiguous, the caret after the change (in newer) decides: nothing after it
// changed.
Span differingSpan(const QString &older, const QString &newer, int caretInNewer)
{
    const int shorter = int(std::min(older.size(), newer.size()));
    int suffix = 0;
    while (suffix < shorter &&
           older.at(older.size() - 1 - suffix) == newer.at(newer.size() - 1 - suffix))
        ++suffix;
    const int caret = std::clamp(caretInNewer, 0, int(newer.size()));
    suffix = std::min(suffix, int(newer.size()) - caret);
    int prefix = 0;
    const int prefixLimit = shorter - suffix;
    while (prefix < prefixLimit && older.at(prefix) == newer.at(prefix))
        ++prefix;
    return {prefix, int(older.size()) - suffix - prefix, int(newer.size()) - suffix - prefix};
}

// A restored span of two or more characters is left selected, unless it is a line break;
// otherwise the caret goes after it.
void placeSelection(UndoEdit &edit)
{
    const int length = int(edit.Insert.size());
    if (length >= 2 && edit.Insert != QLatin1String("\r\n")) {
        edit.SelStart = edit.Start;
        edit.SelLength = length;
    } else {
        edit.SelStart = edit.Start + length;
        edit.SelLength = 0;
    }
}

// The whole live text replaced by a snapshot: used when the live text is not the one the
// history expects, so a span computed from snapshots would land in the wrong place.
UndoEdit wholeText(const QString &liveText, const UndoSnapshot &target)
{
    UndoEdit edit;
    edit.Start = 0;
    edit.RemoveLength = int(liveText.size());
    edit.Insert = target.Text;
    edit.SelStart = std::clamp(target.SelStart, 0, target.TextLen);
    edit.SelLength = 0;
    return edit;
}

} // namespace

SnapshotUndo::SnapshotUndo(QObject *parent) : QObject(parent)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(PauseMs);
    connect(&m_pause, &QTimer::timeout, this, &SnapshotUndo::flush);
}

void SnapshotUndo::setSource(std::function<QString()> text, std::function<int()> caret)
{
    m_text = std::move(text);
    m_caret = std::move(caret);
}

void SnapshotUndo::changed()
{
    if (!TrackChanges() || !m_text)
        return;
    m_changedSinceCaret = true;
    m_caretAfterChange = m_caret();
    m_pause.start();
    if (m_pending)
        return;
    m_pending = true;
    emitButtons();
}

void SnapshotUndo::caretMoved()
{
    // A key moves the caret right after its change, to where the change left it; a move of
    // its own ends the typing, also after a key that moves no caret (Delete).
    if (!m_pending ||
        (std::exchange(m_changedSinceCaret, false) && m_caret() == m_caretAfterChange))
        return;
    flush();
}

void SnapshotUndo::flush()
{
    m_pause.stop();
    if (!m_pending)
        return;
    m_pending = false;
    m_changedSinceCaret = false;
    if (TrackChanges())
        textChanged(m_text(), m_caret());
    else
        emitButtons();
}

void SnapshotUndo::setEditing(bool editing)
{
    m_pause.stop();
    m_pending = false;
    m_changedSinceCaret = false;
    if (editing) {
        m_undo.clear();
        m_redo.clear();
        m_bytes = 0;
    }
    m_editing = editing;
    emitButtons();
}

void SnapshotUndo::textChanged(const QString &text, int selStart)
{
    if (!TrackChanges())
        return;
    // A change of formatting only (or typing undone by hand) is not part of the history.
    if (!m_undo.isEmpty() && m_undo.last().Text == text) {
        emitButtons();
        return;
    }
    for (const UndoSnapshot &snapshot : std::as_const(m_redo))
        m_bytes -= bytesOf(snapshot);
    m_redo.clear();
    UndoSnapshot snapshot;
    snapshot.SelStart = selStart;
    snapshot.TextLen = qint32(text.size());
    snapshot.Text = text;
    m_bytes += bytesOf(snapshot);
    m_undo.append(snapshot);
    trim();
    emitButtons();
}

bool SnapshotUndo::Undo(const QString &liveText, const Apply &apply)
{
    if (!m_applying)
        flush();
    if (!canUndo() || m_applying) {
        emitButtons();
        return false;
    }
    const UndoSnapshot current = m_undo.last();
    const UndoSnapshot &previous = m_undo.at(m_undo.size() - 2);
    UndoEdit edit;
    if (liveText != current.Text) {
        edit = wholeText(liveText, previous);
    } else {
        const Span span = differingSpan(previous.Text, current.Text, current.SelStart);
        edit.Start = span.Prefix;
        edit.RemoveLength = span.NewerLength;
        edit.Insert = previous.Text.mid(span.Prefix, span.OlderLength);
        placeSelection(edit);
    }
    m_applying = true;
    apply(edit);
    m_applying = false;
    m_redo.append(current);
    m_undo.removeLast();
    emitButtons();
    return true;
}

bool SnapshotUndo::Redo(const QString &liveText, const Apply &apply)
{
    if (!m_applying)
        flush();
    if (!canRedo() || m_applying) {
        emitButtons();
        return false;
    }
    const UndoSnapshot item = m_redo.last();
    UndoEdit edit;
    if (m_undo.isEmpty() || liveText != m_undo.last().Text) {
        edit = wholeText(liveText, item);
    } else {
        const Span span = differingSpan(liveText, item.Text, item.SelStart);
        edit.Start = span.Prefix;
        edit.RemoveLength = span.OlderLength;
        edit.Insert = item.Text.mid(span.Prefix, span.NewerLength);
        placeSelection(edit);
    }
    m_applying = true;
    apply(edit);
    m_applying = false;
    m_undo.append(item);
    m_redo.removeLast();
    emitButtons();
    return true;
}

void SnapshotUndo::setLimits(int maxSnapshots, qint64 maxBytes)
{
    m_maxSnapshots = std::max(2, maxSnapshots);
    m_maxBytes = std::max<qint64>(0, maxBytes);
    trim();
    emitButtons();
}

QString SnapshotUndo::Change(const QString &first, const QString &second, int pos)
{
    const QString *longer = &second;
    const QString *shorter = &first;
    if (first.size() > second.size())
        std::swap(longer, shorter);
    const int difference = int(longer->size() - shorter->size());
    if (difference == 0)
        return QString();
    return longer->mid(std::max(0, pos - difference - 1), difference);
}

void SnapshotUndo::emitButtons()
{
    emit UpdateUndoButtons(canUndo(), canRedo());
}

void SnapshotUndo::trim()
{
    while (m_undo.size() > 1 && (m_undo.size() > m_maxSnapshots || m_bytes > m_maxBytes)) {
        m_bytes -= bytesOf(m_undo.first());
        m_undo.removeFirst();
    }
}

qint64 SnapshotUndo::bytesOf(const UndoSnapshot &snapshot)
{
    return qint64(snapshot.Text.size()) * qint64(sizeof(QChar)) + qint64(sizeof(UndoSnapshot));
}
