#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class FrmMain;
class QContextMenuEvent;
class QKeyEvent;
class QMenu;
class QPlainTextEdit;
class QTextDocument;
class RecordLayout;
class RichTextBox;

// The small helps of a record window's two boxes, and the main window's editing tools kept in
// step with the answer box:
// - Tab types a tab into an unlocked box instead of moving the focus;
// - in the answer box, releasing Ctrl+S extends the selection over the rest of the sentence
//   (its closing mark included) and Ctrl+W over the rest of the word;
// - a right-click on the answer box pops up the main window's Edit menu with the items that
//   fit browsing or editing (the search window shows the box's own menu instead);
// - while the format toolbar shows, its buttons, the font combos and Cut, Copy, Paste and
//   Select All follow the answer's selection;
// - the question box grows and shrinks with its lines, moving the bar (within a cap).
class EditingAids : public QObject
{
    Q_OBJECT

public:
    using Popup = std::function<void(QMenu *menu, const QPoint &globalPos)>;

    // The items the right-click menu shows or hides; all are visible again afterwards.
    static const QStringList &EditMenuItems();

    EditingAids(FrmMain *main, QPlainTextEdit *question, RichTextBox *answer, bool searchMode,
                RecordLayout *layout, QObject *parent);

    // How the Edit menu pops up; menu->exec() unless a test replaces it.
    void setPopup(Popup popup) { m_popup = std::move(popup); }

    // Brings the format buttons, font combos and clipboard items in step with the answer's
    // selection; does nothing unless the format toolbar shows. Also run after undo updates.
    void RTBAnswer_SelChange();

    // First index from `from` on whose character is in `set` (the text's length if none).
    static int SpanEnd(const QString &text, int from, const QString &set);
    // The lines the box shows, wrapped lines counted (at least 1).
    static int VisualLineCount(QTextDocument *document);

    // The word under a point of a box (twips, relative to the box): selected and returned when
    // at least 4 characters long, otherwise "" and the selection stays.
    static QString RichWordOver(RichTextBox *box, double x, double y);
    // False for the characters of words: "0"-"9", "A"-"Z", "a"-"z" and "_".
    static bool IsDelimiter(const QString &ch);
    // Selects the caret's line and inverts its bold; a partly bold line becomes bold.
    static void ToggleLineBold(RichTextBox *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool RTBAnswer_KeyDown(QKeyEvent *event);
    void RTBAnswer_KeyUp(QKeyEvent *event);
    bool RTBAnswer_MouseDown(QContextMenuEvent *event);
    bool RTBQuestion_KeyDown(QKeyEvent *event);
    void RTBQuestion_Change();
    bool editing() const;
    bool isCurrentWindow() const;

    QPointer<FrmMain> m_main;
    QPointer<QPlainTextEdit> m_question;
    QPointer<RichTextBox> m_answer;
    QPointer<RecordLayout> m_layout;
    bool m_searchMode;
    int m_questionLines = 0;
    Popup m_popup;
};
