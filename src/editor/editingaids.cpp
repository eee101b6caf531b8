#include "editor/editingaids.h"

#include "editor/recordlayout.h"
#include "kb/frmmain.h"
#include "platform/base/colors.h"
#include "platform/richtext/richtextbox.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <cmath>

namespace {

const QString SentenceEnds = QStringLiteral(".?!:");
const QString WordEnds = QStringLiteral(" ,;:.?!");
const QString LineEnd = QStringLiteral("\r\n");

bool isTabKey(const QKeyEvent *event)
{
    // Ctrl+Tab and Alt+Tab stay with the window switching.
    return (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

// The key with exactly Ctrl held.
bool isCtrlKey(const QKeyEvent *event, int key)
{
    return event->key() == key &&
           (event->modifiers() & ~Qt::KeypadModifier) == Qt::KeyboardModifiers(Qt::ControlModifier);
}

void setItemVisible(FrmMain *main, const QString &name, bool visible)
{
    if (QAction *item = main->menuItem(name))
        item->setVisible(visible);
}

void setItemEnabled(FrmMain *main, const QString &name, bool enabled)
{
    if (QAction *item = main->menuItem(name))
        item->setEnabled(enabled);
}

void pressButton(FrmMain *main, const char *key, bool pressed)
{
    if (QAction *button = main->toolbarButton(QString::fromLatin1(key)))
        button->setChecked(pressed);
}

// A combo shows a value without running its own change handling.
void showInCombo(QComboBox *combo, const QString &text)
{
    if (!combo)
        return;
    const QSignalBlocker blocker(combo);
    if (combo->isEditable())
        combo->setEditText(text);
    else
        combo->setCurrentIndex(text.isEmpty() ? -1 : combo->findText(text, Qt::MatchFixedString));
}

// The family the box really draws the selection's first character with, where the font it
// names is not installed.
QString shownFamily(const RichTextBox *box)
{
    QTextCursor cursor = box->textCursor();
    if (cursor.hasSelection()) {
        cursor.setPosition(cursor.selectionStart());
        cursor.movePosition(QTextCursor::NextCharacter);
    }
    return QFontInfo(cursor.charFormat().font().resolve(box->document()->defaultFont())).family();
}

} // namespace

const QStringList &EditingAids::EditMenuItems()
{
    static const QStringList items = {
        QStringLiteral("mnuEditPaste"),   QStringLiteral("mnuEditCut"),
        QStringLiteral("mnuEditUndo"),    QStringLiteral("mnuEditRedo"),
        QStringLiteral("mnuEditBar0"),    QStringLiteral("mnuTransfer"),
        QStringLiteral("mnuEditAddMore"), QStringLiteral("mnuEditCurRec"),
        QStringLiteral("mnuEditDelete"),  QStringLiteral("mnuEditBar1")};
    return items;
}

EditingAids::EditingAids(FrmMain *main, QPlainTextEdit *question, RichTextBox *answer,
                         bool searchMode, RecordLayout *layout, QObject *parent)
    : QObject(parent), m_main(main), m_question(question), m_answer(answer), m_layout(layout),
      m_searchMode(searchMode), m_popup([](QMenu *menu, const QPoint &at) { menu->exec(at); })
{
    setObjectName(QStringLiteral("EditingAids"));
    m_answer->installEventFilter(this);
    m_answer->viewport()->installEventFilter(this);
    m_question->installEventFilter(this);
    if (m_main && m_main->TBEdit)
        m_main->TBEdit->installEventFilter(this);
    connect(m_answer, &QTextEdit::selectionChanged, this, &EditingAids::RTBAnswer_SelChange);
    connect(m_answer, &QTextEdit::cursorPositionChanged, this, &EditingAids::RTBAnswer_SelChange);
    connect(m_question, &QPlainTextEdit::textChanged, this, &EditingAids::RTBQuestion_Change);
}

bool EditingAids::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_answer || (m_answer && watched == m_answer->viewport())) {
        if (type == QEvent::KeyPress && watched == m_answer)
            return RTBAnswer_KeyDown(static_cast<QKeyEvent *>(event));
        if (type == QEvent::ShortcutOverride && watched == m_answer &&
            isCtrlKey(static_cast<QKeyEvent *>(event), Qt::Key_W)) {
            // Ctrl+W is the desktop's "close window"; in the answer box it selects a word.
            event->accept();
            return true;
        }
        if (type == QEvent::KeyRelease && watched == m_answer)
            RTBAnswer_KeyUp(static_cast<QKeyEvent *>(event));
        else if (type == QEvent::ContextMenu)
            return RTBAnswer_MouseDown(static_cast<QContextMenuEvent *>(event));
    } else if (watched == m_question && type == QEvent::KeyPress) {
        return RTBQuestion_KeyDown(static_cast<QKeyEvent *>(event));
    } else if (watched == m_question && type == QEvent::Resize) {
        // A narrower box wraps the question onto more lines: count them once the box has
        // laid its text out for the new width.
        // Until its first text the box keeps the height it opened with.
        QTimer::singleShot(0, this, [this] {
            if (m_question && m_questionLines > 0)
                RTBQuestion_Change();
        });
    } else if (m_main && watched == m_main->TBEdit && type == QEvent::Show && isCurrentWindow()) {
        // The tools come up showing this window's selection, not whatever they last showed.
        RTBAnswer_SelChange();
    }
    return false;
}

bool EditingAids::RTBAnswer_KeyDown(QKeyEvent *event)
{
    if (!isTabKey(event) || m_answer->locked())
        return false;
    m_answer->setSelText(QStringLiteral("\t"));
    return true; // swallowed: the focus stays in the box
}

bool EditingAids::RTBQuestion_KeyDown(QKeyEvent *event)
{
    if (!isTabKey(event) || m_question->isReadOnly())
        return false;
    // Swallowed as well, or the box would type a second tab of its own.
    m_question->insertPlainText(QStringLiteral("\t"));
    return true;
}

void EditingAids::RTBAnswer_KeyUp(QKeyEvent *event)
{
    const bool sentence = isCtrlKey(event, Qt::Key_S);
    if (event->isAutoRepeat() || (!sentence && !isCtrlKey(event, Qt::Key_W)))
        return;
    const int start = m_answer->selStart();
    const int end = SpanEnd(m_answer->text(), start + m_answer->selLength(),
                            sentence ? SentenceEnds : WordEnds);
    // A sentence takes its closing mark with it; a word leaves its delimiter.
    m_answer->setSelLength(end - start + (sentence ? 1 : 0));
}

bool EditingAids::RTBAnswer_MouseDown(QContextMenuEvent *event)
{
    if (m_searchMode || !m_main)
        return false; // the box's own menu
    QMenu *menu = m_main->subMenu(QStringLiteral("mnuEdit"));
    if (!menu)
        return false;
    FrmMain *main = m_main;
    const bool edit = editing();
    for (const char *name :
         {"mnuEditPaste", "mnuEditCut", "mnuEditUndo", "mnuEditRedo", "mnuEditBar0"})
        setItemVisible(main, QString::fromLatin1(name), edit);
    for (const char *name : {"mnuTransfer", "mnuEditAddMore", "mnuEditCurRec", "mnuEditDelete"})
        setItemVisible(main, QString::fromLatin1(name), !edit);
    if (edit)
        setItemVisible(main, QStringLiteral("mnuEditBar1"), false);
    setItemEnabled(main, QStringLiteral("mnuEditCopy"), m_answer->selLength() > 0);

    const QPointer<FrmMain> alive(main);
    m_popup(menu, event->globalPos());
    if (alive)
        for (const QString &name : EditMenuItems())
            setItemVisible(alive, name, true);
    return true;
}

void EditingAids::RTBAnswer_SelChange()
{
    if (!m_main || !m_answer || !editing())
        return;
    FrmMain *main = m_main;
    pressButton(main, "Bold", m_answer->selBold().value_or(false));
    pressButton(main, "Italic", m_answer->selItalic().value_or(false));
    pressButton(main, "Underline", m_answer->selUnderline().value_or(false));
    const int alignment = m_answer->selAlignment();
    pressButton(main, "Align Left", alignment == RichTextBox::AlignLeft);
    pressButton(main, "Align Right", alignment == RichTextBox::AlignRight);
    pressButton(main, "Center", alignment == RichTextBox::AlignCentre);

    QString family = m_answer->selFontName();
    if (!family.isEmpty() && main->ComboFont &&
        main->ComboFont->findText(family, Qt::MatchFixedString) < 0)
        family = shownFamily(m_answer);
    showInCombo(main->ComboFont, family);
    const double size = m_answer->selFontSize();
    showInCombo(main->ComboFontSize, size > 0 ? QString::number(size) : QString());

    const bool selected = m_answer->selLength() > 0;
    setItemEnabled(main, QStringLiteral("mnuEditCut"), selected);
    setItemEnabled(main, QStringLiteral("mnuEditCopy"), selected);
    setItemEnabled(main, QStringLiteral("mnuEditPaste"),
                   !QGuiApplication::clipboard()->text().isEmpty());
    setItemEnabled(main, QStringLiteral("mnuSelectAll"), m_answer->textLength() > 0);
}

void EditingAids::RTBQuestion_Change()
{
    const int lines = VisualLineCount(m_question->document());
    if (lines == m_questionLines)
        return;
    if (m_layout)
        m_layout->fitQuestionLines(lines);
    m_questionLines = lines;
}

bool EditingAids::isCurrentWindow() const
{
    QWidget *widget = m_answer;
    while (widget && !qobject_cast<QMdiSubWindow *>(widget))
        widget = widget->parentWidget();
    auto *window = static_cast<QMdiSubWindow *>(widget);
    return window && window->mdiArea() && window->mdiArea()->currentSubWindow() == window;
}

bool EditingAids::editing() const
{
    return m_main && m_main->TBEdit && !m_main->TBEdit->isHidden();
}

int EditingAids::SpanEnd(const QString &text, int from, const QString &set)
{
    int end = std::clamp(from, 0, int(text.size()));
    while (end < text.size() && !set.contains(text.at(end)))
        ++end;
    return end;
}

int EditingAids::VisualLineCount(QTextDocument *document)
{
    QAbstractTextDocumentLayout *layout = document->documentLayout();
    int lines = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (!block.isVisible())
            continue;
        layout->blockBoundingRect(block); // lays the block out if it is not yet
        lines += std::max(block.layout()->lineCount(), 1);
    }
    return std::max(lines, 1);
}

bool EditingAids::IsDelimiter(const QString &ch)
{
    if (ch.isEmpty())
        return true;
    const QChar c = ch.front();
    const bool word = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                      (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                      (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || c == QLatin1Char('_');
    return !word;
}

QString EditingAids::RichWordOver(RichTextBox *box, double x, double y)
{
    const QPoint point(int(std::lround(x)) / Twips::PerPixel,
                       int(std::lround(y)) / Twips::PerPixel);
    // The character under the point, not the caret position nearest to it.
    QTextCursor cursor = box->cursorForPosition(point);
    int position = cursor.position();
    if (position > 0 && box->cursorRect(cursor).center().x() > point.x()) {
        QTextCursor before = cursor;
        before.movePosition(QTextCursor::PreviousCharacter);
        if (before.block() == cursor.block())
            position = before.position();
    }
    const QString text = box->text();
    const int index = box->toOffset(position);
    if (index >= text.size() || IsDelimiter(text.mid(index, 1)))
        return {};
    int first = index;
    while (first > 0 && !IsDelimiter(text.mid(first - 1, 1)))
        --first;
    int last = index;
    while (last + 1 < text.size() && !IsDelimiter(text.mid(last + 1, 1)))
        ++last;
    if (last - first + 1 < 4)
        return {};
    box->setSelStart(first);
    box->setSelLength(last - first + 1);
    return text.mid(first, last - first + 1);
}

void EditingAids::ToggleLineBold(RichTextBox *box)
{
    const QString text = box->text();
    const int caret = box->selStart();
    const int before = caret >= 2 ? int(text.lastIndexOf(LineEnd, caret - 2)) : -1;
    const int first = before < 0 ? 0 : before + 2;
    int end = int(text.indexOf(LineEnd, caret));
    if (end < 0)
        end = int(text.size());
    box->setSelStart(first);
    box->setSelLength(end - first);
    box->setSelBold(!box->selBold().value_or(false));
}
