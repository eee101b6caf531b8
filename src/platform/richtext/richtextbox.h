#pragma once

#include <QColor>
#include <QTextEdit>

#include <optional>
#include <vector>

// The rich text box: a QTextEdit holding RTF answers, with the properties and methods the record
// window, the find window and the editing tools use.
//
// Offsets. Every offset of this class (SelStart, SelLength, Find, the text length) counts
// characters of Text, where each line break (a paragraph end or a line break inside a paragraph)
// is the two characters CR LF. Cursor positions of the document count a line break once; this
// class maps between the two. An offset between the CR and the LF of a break is rounded down for
// the start of a selection and up (past the break) for its end. Objects (pictures) count one
// character, as in the document.
//
// No loss. The box remembers the text it was given with setTextRtf and hands it back unchanged
// from textRtf while the document still writes the same RTF as right after loading (formats
// included), so showing and closing an answer never rewrites what was stored.
//
// Loading. setTextRtf and loadFile build a new document away from the screen and then show it,
// so a huge answer is laid out once instead of after every paragraph. The box's document is
// therefore a new object after them (its settings carried over): documentReplaced tells who
// holds on to it.
class RichTextBox : public QTextEdit
{
    Q_OBJECT

public:
    enum FindOption { WholeWord = 2, MatchCase = 4, NoHighlight = 8 };
    enum FileType { RtfFile = 0, TextFile = 1 };
    enum Alignment {
        AlignMixed = -1,
        AlignLeft = 0,
        AlignRight = 1,
        AlignCentre = 2,
        AlignJustify = 3
    };

    explicit RichTextBox(QWidget *parent = nullptr);

    // The plain text, line breaks as CR LF. Setting it replaces everything with unformatted
    // text; CR LF, CR and LF each end a line.
    QString text() const;
    void setText(const QString &text);
    int textLength() const;

    // The answer as RTF. Text that is not RTF is taken as plain text.
    QString textRtf() const;
    void setTextRtf(const QString &rtf);
    // True when the content differs from what setTextRtf or loadFile gave (always true after
    // setText or edits that change the RTF).
    bool isModified() const;

    int selStart() const;
    void setSelStart(int offset);
    int selLength() const;
    void setSelLength(int length);
    QString selText() const;
    // Replaces the selection (or inserts at the caret); the caret ends after the new text.
    void setSelText(const QString &text);

    // Formats of the selection, or of the caret when nothing is selected. A mixed selection gives
    // an invalid colour, nullopt, AlignMixed, an empty name or 0.
    QColor selColor() const;
    void setSelColor(const QColor &colour);
    std::optional<bool> selBold() const;
    void setSelBold(bool on);
    std::optional<bool> selItalic() const;
    void setSelItalic(bool on);
    std::optional<bool> selUnderline() const;
    void setSelUnderline(bool on);
    int selAlignment() const;
    void setSelAlignment(int alignment);
    QString selFontName() const;
    void setSelFontName(const QString &family);
    double selFontSize() const;
    void setSelFontSize(double points);

    // Finds text between start and end (-1: the end of the text) with the FindOption bits; a hit
    // is selected and its offset returned, -1 otherwise. Whole words are bounded by characters
    // other than letters, digits and '_'. An empty text is never found.
    int find(const QString &text, int start = 0, int end = -1, int options = 0);

    // Extends the selection over the characters of set (or, negated, over those not in it):
    // forward from its end, or backward from its start.
    void span(const QString &set, bool forward = true, bool negate = false);

    // Lines as laid out on screen (a long paragraph counts once per wrapped line).
    int lineCount() const;
    // False while a huge text is still being laid out, step by step in the event loop.
    bool isLaidOut() const;

    // The box's background (the palette's base colour).
    QColor backColor() const;
    void setBackColor(const QColor &colour);

    bool locked() const { return isReadOnly(); }
    void setLocked(bool locked);

    // Keeps the selection but does not show it.
    void setSelectionHidden(bool hidden);
    bool isSelectionHidden() const { return m_selectionHidden; }

    bool loadFile(const QString &path, FileType type = RtfFile, QString *error = nullptr);
    bool saveFile(const QString &path, FileType type = RtfFile, QString *error = nullptr) const;

    // Mapping between offsets of Text and cursor positions of the document.
    int toOffset(int position) const;
    int toPosition(int offset, bool roundUp = false) const;

signals:
    // The text changed (format-only changes do not count).
    void changed();
    // setTextRtf or loadFile put a new document in the box; the old one is gone.
    void documentReplaced(QTextDocument *document);
    // The document put in the box is laid out to its end (at once for all but huge texts),
    // after it was put in or after a change that lays it all out again (a new width).
    void layingOut();
    void laidOut();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    struct TextCache
    {
        bool valid = false;      // raw and breaks
        bool textValid = false;  // text, built when asked for
        QString raw;             // the document's characters, one per cursor position
        QString text;            // Text: breaks as CR LF
        std::vector<int> breaks; // cursor positions of the breaks
    };

    void ensureCache() const;
    void ensureText() const;
    void watchLayout();
    void useOwnLayout(QTextDocument *document);
    template <typename Fill> void replaceDocument(Fill fill);
    void onContentsChange(int position, int removed, int added);
    void remember(const QString &source, bool fromFile, const QByteArray &fileBytes);
    void forget();
    template <typename Value, typename Get> std::optional<Value> uniform(Get get) const;
    void mergeFormat(const QTextCharFormat &format);

    mutable TextCache m_cache;
    // what setTextRtf or loadFile gave, and the RTF the document wrote right after
    bool m_hasSource = false;
    QString m_source;
    QByteArray m_sourceBytes; // RTF bytes as they can be saved unchanged, empty when not possible
    QByteArray m_sourceWritten;
    bool m_touched = false; // the document changed (perhaps back) since it was loaded
    bool m_selectionHidden = false;
    QMetaObject::Connection m_layoutWatch;
    QColor m_shownSelection[3][2]; // highlight colours per colour group while hidden
};
