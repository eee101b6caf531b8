#include "editor/frmfindandreplace.h"

#include "editor/findshape.h"
#include "editor/frmrecord.h"
#include "platform/prompt/prompter.h"
#include "platform/richtext/richtextbox.h"
#include "shell/mainfunctions.h"
#include "winsvc/flat.h"
#include "winsvc/setcombowidth.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QToolBar>
#include <QWindow>

namespace {

const QString FindCaption = QStringLiteral("&Find");
const QString FindNextCaption = QStringLiteral("&Find Next");
const QString FirstReplaceCaption = QStringLiteral("&Replace...");
const QString ReplaceCaption = QStringLiteral("&Replace");

// A handed-over text this long or longer is cut before its first space.
constexpr int LongPreset = 42;

QPixmap closePicture()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0xB0, 0x30, 0x30));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(QPointF(5, 5), QPointF(11, 11));
    painter.drawLine(QPointF(11, 5), QPointF(5, 11));
    return picture;
}

QPixmap handlePicture()
{
    QPixmap picture(20, 12);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 5; ++column) {
            const QPoint at(2 + column * 4, 2 + row * 4);
            painter.setPen(QColor(0x40, 0x40, 0x60));
            painter.drawPoint(at);
            painter.setPen(Qt::white);
            painter.drawPoint(at + QPoint(1, 1));
        }
    }
    return picture;
}

// Line breaks as the document holds them.
QString documentText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// The length of a text in offsets: each line break counts as CR LF.
int offsetLength(const QString &text)
{
    const QString lines = documentText(text);
    return int(lines.size() + lines.count(u'\n'));
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Every hit in text, one after the other, matched as the box's own find matches.
QList<int> findAll(const QString &text, const QString &what, int options)
{
    QList<int> hits;
    if (what.isEmpty())
        return hits;
    const Qt::CaseSensitivity cs =
        options & RichTextBox::MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    qsizetype at = 0;
    for (qsizetype hit; (hit = text.indexOf(what, at, cs)) >= 0;) {
        const qsizetype after = hit + what.size();
        const bool whole = !(options & RichTextBox::WholeWord) ||
                           ((hit == 0 || !isWordChar(text[hit - 1])) &&
                            (after >= text.size() || !isWordChar(text[after])));
        if (whole) {
            hits.append(int(hit));
            at = after;
        } else {
            at = hit + 1;
        }
    }
    return hits;
}

} // namespace

FrmFindAndReplace *FrmFindAndReplace::instance(FrmMain *main, bool create)
{
    if (!main)
        return nullptr;
    auto *window = main->findChild<FrmFindAndReplace *>(QString(), Qt::FindDirectChildrenOnly);
    if (!window && create)
        window = new FrmFindAndReplace(main);
    return window;
}

void FrmFindAndReplace::open(FrmMain *main, FrmMain::FindCommand command)
{
    FrmFindAndReplace *window = instance(main);
    if (!window)
        return;
    if (command == FrmMain::FindCommand::Find) {
        if (FrmRecord *form = window->targetWindow(); form && form->RTBAnswer) {
            const QString selected = form->RTBAnswer->selText();
            if (!selected.isEmpty())
                window->PresetText = selected;
        }
    }
    // Cancel took the window off the top; every command brings it back there.
    SetTopMost(window, true);
    window->show();
    window->raise();
    window->activateWindow();
    window->Form_Activate();
    if (command == FrmMain::FindCommand::Replace)
        window->cmdReplace_Click();
}

FrmFindAndReplace::FrmFindAndReplace(FrmMain *main)
    : QWidget(main, Qt::Tool | Qt::FramelessWindowHint), m_main(main)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Find and Replace"));
    setFixedSize(FindShape::Width, FindShape::Height);
    createControls();
    AttachFlatLook();
    SetTopMost(this, true);
    setMask(FindShape::makeShape(1.0, 1.0, 0, 0));

    // The replace buttons follow the edit state: the format toolbar shows exactly while a record
    // is edited, and the target changes with the active child.
    // Both look later, once the change is done; that also keeps them out of the main window's
    // destruction.
    m_tbEdit = main->TBEdit;
    if (m_tbEdit)
        m_tbEdit->installEventFilter(this);
    if (main->mdiArea())
        connect(
            main->mdiArea(), &QMdiArea::subWindowActivated, this,
            [this] { refreshReplaceButtons(); }, Qt::QueuedConnection);
    refreshReplaceButtons();
}

FrmFindAndReplace::~FrmFindAndReplace() = default;

void FrmFindAndReplace::AttachFlatLook()
{
    m_flatControls.attach({cboFind, cboReplace});
}

void FrmFindAndReplace::createControls()
{
    ImgHandle = new QLabel(this);
    ImgHandle->setPixmap(handlePicture());
    ImgHandle->setGeometry(140, 24, 20, 12);
    ImgHandle->setCursor(Qt::SizeAllCursor);
    ImgHandle->installEventFilter(this);

    CmdDef = new QLabel(this);
    CmdDef->setPixmap(closePicture());
    CmdDef->setGeometry(237, 19, 16, 16);
    CmdDef->setCursor(Qt::PointingHandCursor);
    CmdDef->setToolTip(QStringLiteral("Close"));
    CmdDef->installEventFilter(this);

    lblFind = new QLabel(QStringLiteral("Fin&d What:"), this);
    lblFind->setGeometry(56, 44, 170, 16);
    cboFind = new QComboBox(this);
    SetComboEditable(cboFind);
    cboFind->setInsertPolicy(QComboBox::NoInsert);
    cboFind->setGeometry(56, 60, 170, 22);
    lblFind->setBuddy(cboFind);

    lblReplace = new QLabel(QStringLiteral("Replace &With:"), this);
    lblReplace->setGeometry(56, 88, 170, 16);
    cboReplace = new QComboBox(this);
    SetComboEditable(cboReplace);
    cboReplace->setInsertPolicy(QComboBox::NoInsert);
    cboReplace->setGeometry(56, 104, 170, 22);
    lblReplace->setBuddy(cboReplace);
    lblReplace->hide();
    cboReplace->hide();

    chkNoHighlight = new QCheckBox(QStringLiteral("No &Highlight"), this);
    chkNoHighlight->setGeometry(60, 136, 170, 20);
    chkWholeWord = new QCheckBox(QStringLiteral("Find Whole Word &Only"), this);
    chkWholeWord->setGeometry(60, 158, 170, 20);
    chkMatchCase = new QCheckBox(QStringLiteral("Match Ca&se"), this);
    chkMatchCase->setGeometry(60, 180, 170, 20);

    cmdFind = new QPushButton(FindCaption, this);
    cmdFind->setGeometry(240, 82, 76, 22);
    cmdFind->setDefault(true);
    cmdReplace = new QPushButton(FirstReplaceCaption, this);
    cmdReplace->setGeometry(240, 106, 76, 22);
    cmdReplaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
    cmdReplaceAll->setGeometry(240, 130, 76, 22);
    cmdReplaceAll->hide();
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(240, 154, 76, 22);

    connect(cmdFind, &QPushButton::clicked, this, [this] { cmdFind_Click(); });
    connect(cmdReplace, &QPushButton::clicked, this, [this] { cmdReplace_Click(); });
    connect(cmdReplaceAll, &QPushButton::clicked, this, [this] { cmdReplaceAll_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void FrmFindAndReplace::Form_Activate()
{
    if (!PresetText.isEmpty()) {
        QString text = PresetText;
        PresetText.clear();
        if (text.size() >= LongPreset) {
            // Without a space the text is kept whole.
            const qsizetype space = text.indexOf(u' ');
            if (space > 0)
                text.truncate(space);
        }
        if (!text.isEmpty())
            cboFind->addItem(text);
    }
    if (cboFind->count() > 0)
        cboFind->setCurrentIndex(cboFind->count() - 1);
    refreshReplaceButtons();
}

int FrmFindAndReplace::FindOptions() const
{
    int options = 0;
    if (chkNoHighlight->isChecked())
        options |= RichTextBox::NoHighlight;
    if (chkWholeWord->isChecked())
        options |= RichTextBox::WholeWord;
    if (chkMatchCase->isChecked())
        options |= RichTextBox::MatchCase;
    return options;
}

void FrmFindAndReplace::cmdFind_Click()
{
    FrmRecord *form = targetWindow();
    if (!form || !form->RTBAnswer)
        return;
    RichTextBox *answer = form->RTBAnswer;
    const int options = FindOptions();
    const QString what = cboFind->currentText();
    if (cmdFind->text() == FindCaption) {
        if (answer->find(what, 0, -1, options) != -1) {
            showInAnswer(answer);
            enterFindNext();
        } else {
            reportNotFound();
        }
        return;
    }
    const int start = answer->selStart() + answer->selLength();
    if (answer->find(what, start, -1, options) != -1) {
        showInAnswer(answer);
    } else {
        reportNotFound();
        enterFind();
    }
}

void FrmFindAndReplace::cmdReplace_Click()
{
    if (cmdReplace->text() == FirstReplaceCaption) {
        cmdReplace->setText(ReplaceCaption);
        lblReplace->show();
        cboReplace->show();
        cmdReplaceAll->show();
        return;
    }
    FrmRecord *form = targetWindow();
    if (!canReplace(form)) {
        refreshReplaceButtons();
        return;
    }
    RichTextBox *answer = form->RTBAnswer;
    const int options = FindOptions();
    const QString what = cboFind->currentText();
    // Whatever is selected is replaced, a hit or not; the search goes on after the insert.
    answer->setSelText(cboReplace->currentText());
    const int start = answer->selStart() + answer->selLength();
    if (answer->find(what, start, -1, options) != -1) {
        showInAnswer(answer);
        enterFindNext();
    } else {
        reportNotFound();
        enterFind();
    }
}

void FrmFindAndReplace::cmdReplaceAll_Click()
{
    FrmRecord *form = targetWindow();
    if (canReplace(form)) {
        RichTextBox *answer = form->RTBAnswer;
        const int options = FindOptions();
        const QString what = cboFind->currentText();
        const QString replacement = cboReplace->currentText();

        // The hits of the text as it is now; searching the unchanged text means an inserted
        // replacement is never searched again, whatever it contains.
        const QList<int> hits = findAll(answer->text(), what, options);
        if (!hits.isEmpty()) {
            // Last to first, so the offsets still to do stay valid; one edit block makes the
            // whole command one change (and one undo step).
            const QString insert = documentText(replacement);
            QTextCursor cursor(answer->document());
            cursor.beginEditBlock();
            for (auto hit = hits.crbegin(); hit != hits.crend(); ++hit) {
                cursor.setPosition(answer->toPosition(*hit));
                cursor.setPosition(answer->toPosition(*hit + int(what.size()), true),
                                   QTextCursor::KeepAnchor);
                cursor.insertText(insert);
            }
            cursor.endEditBlock();
            const int grown = offsetLength(replacement) - int(what.size());
            answer->setSelStart(hits.last() + int(what.size()) + grown * int(hits.size()));
            showInAnswer(answer);
            Prompter::instance().messageBox(
                QStringLiteral("The specified region has been searched. \r\n%1 replacements "
                               "have been made.")
                    .arg(hits.size()),
                104, 4, QStringLiteral("REPLACE OK"));
        }
    }
    enterFind();
}

void FrmFindAndReplace::cmdCancel_Click()
{
    SetTopMost(this, false);
    hide();
}

void FrmFindAndReplace::CmdDef_Click()
{
    close();
}

void FrmFindAndReplace::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0.0, QColor(0xE8, 0xEC, 0xF8));
    background.setColorAt(1.0, QColor(0xA8, 0xB4, 0xD8));
    painter.fillRect(rect(), background);
}

bool FrmFindAndReplace::eventFilter(QObject *watched, QEvent *event)
{
    if (m_tbEdit && watched == m_tbEdit) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            QMetaObject::invokeMethod(
                this, [this] { refreshReplaceButtons(); }, Qt::QueuedConnection);
            break;
        default:
            break;
        }
        return false;
    }
    if (watched == CmdDef && event->type() == QEvent::MouseButtonRelease) {
        CmdDef_Click();
        return true;
    }
    if (watched == ImgHandle) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (windowHandle() && windowHandle()->startSystemMove())
                return true;
            // Without a window manager to drag it, the window follows the mouse itself.
            m_dragging = true;
            m_dragOffset = mouse->globalPosition().toPoint() - pos();
            return true;
        case QEvent::MouseMove:
            if (m_dragging)
                move(mouse->globalPosition().toPoint() - m_dragOffset);
            return m_dragging;
        case QEvent::MouseButtonRelease:
            m_dragging = false;
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmFindAndReplace::showInAnswer(RichTextBox *answer)
{
    // The focus goes to the box in its own window, which comes to the front: a selection in an
    // inactive window is drawn in colours that do not show it.
    answer->activateWindow();
    answer->setFocus(Qt::OtherFocusReason);
}

FrmRecord *FrmFindAndReplace::targetWindow() const
{
    if (!m_main)
        return nullptr;
    return dynamic_cast<FrmRecord *>(m_main->activeRecordWindow());
}

bool FrmFindAndReplace::canReplace(const FrmRecord *form)
{
    return form && form->RTBAnswer && !form->SearchMode() &&
           form->state() != FrmRecord::State::Browsing && !form->RTBAnswer->locked();
}

void FrmFindAndReplace::enterFindNext()
{
    cmdFind->setText(FindNextCaption);
    m_replaceOn = true;
    m_replaceAllOn = true;
    refreshReplaceButtons();
}

void FrmFindAndReplace::enterFind()
{
    cmdFind->setText(FindCaption);
    m_replaceOn = false;
    m_replaceAllOn = false;
    refreshReplaceButtons();
}

void FrmFindAndReplace::refreshReplaceButtons()
{
    const bool editable = canReplace(targetWindow());
    cmdReplace->setEnabled(m_replaceOn && editable);
    cmdReplaceAll->setEnabled(m_replaceAllOn && editable);
}

void FrmFindAndReplace::reportNotFound()
{
    Prompter::instance().messageBox(QStringLiteral("Text not found"), 105, 4,
                                    QStringLiteral("NOT FOUND!"));
}

void FrmFindAndReplace::FindOnEnter(int &key)
{
    if (key == 13)
        cmdFind_Click();
}

void FrmFindAndReplace::SelectFindText()
{
    if (cboFind->lineEdit())
        cboFind->lineEdit()->selectAll();
}

void FrmFindAndReplace::SelectReplaceText()
{
    if (cboReplace->lineEdit())
        cboReplace->lineEdit()->selectAll();
}

void FrmFindAndReplace::EnableReplaceByText()
{
    m_replaceOn = m_replaceAllOn = !cboReplace->currentText().isEmpty();
    refreshReplaceButtons();
}

QWidget *FrmFindAndReplace::activeTextBox() const
{
    FrmRecord *form = targetWindow();
    if (!form)
        return nullptr;
    QWidget *focused = form->focusWidget();
    if (focused && (focused == form->RTBAnswer || focused == form->RTBQuestion))
        return focused;
    return nullptr;
}

bool FrmFindAndReplace::FindString(const QString &search, const QString &replacement, int &start,
                                   int &end)
{
    QWidget *box = activeTextBox();
    if (!box || search.isEmpty())
        return false;
    auto *answer = qobject_cast<RichTextBox *>(box);
    auto *question = qobject_cast<QPlainTextEdit *>(box);
    const QString text = answer ? answer->text() : question->toPlainText();
    const qsizetype from = std::max(start, 1) - 1;
    if (from > text.size())
        return false;
    const qsizetype p = text.indexOf(search, from, Qt::CaseInsensitive) + 1;
    if (p <= 0 || p + search.size() - 1 > end)
        return false;
    const bool mayChange = !replacement.isEmpty() && canReplace(targetWindow());
    if (answer) {
        answer->setSelStart(int(p - 1));
        answer->setSelLength(int(search.size()));
        if (mayChange)
            answer->setSelText(replacement);
    } else {
        QTextCursor cursor = question->textCursor();
        cursor.setPosition(int(p - 1));
        cursor.setPosition(int(p - 1 + search.size()), QTextCursor::KeepAnchor);
        if (mayChange)
            cursor.insertText(replacement);
        question->setTextCursor(cursor);
    }
    return true;
}

void FrmFindAndReplace::FindInRegion()
{
    QWidget *box = activeTextBox();
    if (!box)
        return;
    auto *answer = qobject_cast<RichTextBox *>(box);
    auto *question = qobject_cast<QPlainTextEdit *>(box);
    int selStart = 0;
    int selLength = 0;
    int end = 0;
    if (answer) {
        selStart = answer->selStart();
        selLength = answer->selLength();
        end = answer->textLength();
    } else {
        const QTextCursor cursor = question->textCursor();
        selStart = cursor.selectionStart();
        selLength = cursor.selectionEnd() - cursor.selectionStart();
        end = int(question->toPlainText().size());
    }
    // A typed text that is not one of the items names no region: the whole text is searched.
    int region = cboFind->currentIndex();
    if (region >= 0 && cboFind->itemText(region) != cboFind->currentText())
        region = -1;
    int start = 1;
    if (region == 1)
        end = selStart + selLength;
    else if (region == 2)
        start = selStart + selLength + 1;
    if (FindString(cboFind->currentText(), QString(), start, end))
        hide();
    else
        Prompter::instance().messageBox(QStringLiteral("No Match Found!"), 105, 4,
                                        QStringLiteral("NO MATCH"));
}
