#include "shell/frmmsgbox.h"

#include "platform/prompt/prompter.h"
#include "shell/label3dhost.h"
#include "shell/messagebox.h"
#include "shell/msgboxart.h"
#include "shell/msgboxshape.h"
#include "shell/nsnd.h"
#include "shell/shellspeech.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace {

// Design positions, in pixels of the 520 x 210 window.
constexpr QRect TitleBox(121, 20, 240, 25);
constexpr QRect IconBox(40, 69, MsgBoxArt::IconSize, MsgBoxArt::IconSize);
constexpr QPoint CloseMarkAt(25, 24);
constexpr QPoint DragHandleAt(415, 19);
constexpr int MessageWidth = 300;
constexpr int MessageMaxHeight = 80;
constexpr int ButtonTop = 138;
constexpr int ButtonLefts[3] = {120, 210, 300};
constexpr QSize ButtonSize(75, 24);
constexpr int SmallestMessagePoints = 7;

// Title colours (&HBBGGRR).
constexpr quint32 TitleBackCopy = 0xFFC0FF;
constexpr quint32 TitleFrontCopy = 0xFFC0C0;
constexpr quint32 TitleBackground = 0x404040;

} // namespace

FrmMsgBox::FrmMsgBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setModal(true);
    setFixedSize(MsgBoxShape::Width, MsgBoxShape::Height);
    buildControls();

    // Speech from elsewhere (a record read aloud) must not talk over the box.
    StopSpeaking();

    // The caller's pointer (an hourglass, say) is put aside while the box is up.
    while (const QCursor *cursor = QGuiApplication::overrideCursor()) {
        m_savedCursors.prepend(*cursor);
        QGuiApplication::restoreOverrideCursor();
    }

    setMask(MsgBoxShape::makeShape(1.0, 1.0, 0, 0));

    QScreen *screen = QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());

    m_timer.setInterval(SpeakTickMs);
    connect(&m_timer, &QTimer::timeout, this, &FrmMsgBox::speakTick);

    m_escapeValue = MsgButtons::escapeValue(4);
    m_answer = m_escapeValue;
}

FrmMsgBox::~FrmMsgBox()
{
    unload();
}

void FrmMsgBox::buildControls()
{
    m_imgBackGround = new QLabel(this);
    m_imgBackGround->setObjectName(QStringLiteral("ImgBackGround"));
    m_imgBackGround->setGeometry(rect());
    m_imgBackGround->setPixmap(
        MsgBoxArt::background(size(), MsgBoxShape::makeShape(1.0, 1.0, 0, 0)));

    QFont titleFont(QStringLiteral("MS Sans Serif"));
    titleFont.setBold(true);
    titleFont.setPointSize(12);
    m_lblTitle = CreateLabel3D({{QStringLiteral("Font"), titleFont},
                                {QStringLiteral("Alignment"), 2},
                                {QStringLiteral("ForeColor1"), TitleBackCopy},
                                {QStringLiteral("ForeColor2"), TitleFrontCopy},
                                {QStringLiteral("BackColor"), TitleBackground},
                                {QStringLiteral("BackStyle"), 1},
                                {QStringLiteral("BorderStyle"), 1},
                                {QStringLiteral("Caption"), QString()}},
                               this);
    m_lblTitle->setObjectName(QStringLiteral("LblTitle"));
    m_lblTitle->setGeometry(TitleBox);

    m_imgIcon = new QLabel(this);
    m_imgIcon->setObjectName(QStringLiteral("ImgIcon"));
    m_imgIcon->setGeometry(IconBox);

    m_lblMsg = new QLabel(QStringLiteral("Label1"), this);
    m_lblMsg->setObjectName(QStringLiteral("LblMsg"));
    m_lblMsg->setTextFormat(Qt::PlainText); // messages quote user data and error texts
    m_lblMsg->setWordWrap(true);
    m_lblMsg->setAlignment(Qt::AlignCenter);
    QPalette messagePalette = m_lblMsg->palette();
    messagePalette.setColor(QPalette::WindowText, Qt::white);
    m_lblMsg->setPalette(messagePalette);
    QFont messageFont = font();
    messageFont.setPointSize(10);
    m_lblMsg->setFont(messageFont);

    static const char *const names[3] = {"Cmd1", "Cmd2", "Cmd3"};
    for (int i = 0; i < 3; ++i) {
        QPushButton *button = new QPushButton(this);
        button->setObjectName(QLatin1String(names[i]));
        button->setGeometry(QRect(QPoint(ButtonLefts[i], ButtonTop), ButtonSize));
        connect(button, &QPushButton::clicked, this, [this, button] { CloseWith(button->text()); });
        m_cmd[i] = button;
    }

    m_cmdDef = new QLabel(this);
    m_cmdDef->setObjectName(QStringLiteral("CmdDef"));
    m_cmdDef->setPixmap(MsgBoxArt::closeMark(false));
    m_cmdDef1 = new QLabel(this);
    m_cmdDef1->setObjectName(QStringLiteral("CmdDef1"));
    m_cmdDef1->setPixmap(MsgBoxArt::closeMark(true));
    for (QLabel *mark : {m_cmdDef, m_cmdDef1}) {
        mark->setGeometry(
            QRect(CloseMarkAt, QSize(MsgBoxArt::CloseMarkSize, MsgBoxArt::CloseMarkSize)));
        mark->setCursor(Qt::PointingHandCursor);
    }
    m_cmdDef1->hide();

    m_imgDrag = new QLabel(this);
    m_imgDrag->setObjectName(QStringLiteral("ImgDrag"));
    m_imgDrag->setPixmap(MsgBoxArt::dragHandle());
    m_imgDrag->setGeometry(
        QRect(DragHandleAt, QSize(MsgBoxArt::DragHandleSize, MsgBoxArt::DragHandleSize)));
    m_imgDrag->setToolTip(QStringLiteral("Hold down mouse to move it."));
    m_imgDrag->setCursor(Qt::SizeAllCursor);

    for (QLabel *label : {m_imgBackGround, m_lblMsg, m_cmdDef, m_cmdDef1, m_imgDrag}) {
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }
}

void FrmMsgBox::ShowIt(const QString &prompt, int icon, int buttons, const QString &title)
{
    m_lblMsg->setText(prompt);
    m_lblTitle->setProperty("Caption", title);
    setWindowTitle(title);
    fitMessage();
    CenterMessage();

    // A number without a picture shows no icon rather than failing the box.
    const QPixmap picture = MsgBoxArt::icon(icon);
    m_imgIcon->setPixmap(picture);
    m_imgIcon->setVisible(!picture.isNull());

    SetSndName(QString::number(icon));
    PlaySnd();

    // Numbers outside 1 to 5 behave as the single Ok of set 4.
    const int set = buttons >= 1 && buttons <= 5 ? buttons : 4;
    const QStringList captions = MsgButtons::captions(set);
    QPushButton *visible[3] = {};
    if (set == 4) {
        visible[1] = m_cmd[1];
    } else {
        visible[0] = m_cmd[0];
        visible[2] = m_cmd[2];
        if (set == 5)
            visible[1] = m_cmd[1];
    }
    int next = 0;
    for (int i = 0; i < 3; ++i) {
        m_cmd[i]->move(ButtonLefts[i], ButtonTop);
        m_cmd[i]->setVisible(visible[i] != nullptr);
        m_cmd[i]->setDefault(false);
        if (visible[i])
            m_cmd[i]->setText(captions.at(next++));
    }
    const QString defaultCaption = MsgButtons::defaultValue(set);
    for (QPushButton *button : m_cmd) {
        if (button->isVisibleTo(this) && button->text() == defaultCaption) {
            button->setDefault(true);
            button->setFocus();
            break;
        }
    }
    m_escapeValue = MsgButtons::escapeValue(set);
    m_answer = m_escapeValue;
    if (set <= 3)
        CenterButtons();
}

void FrmMsgBox::fitMessage()
{
    // Long messages get a smaller font before they would run into the buttons.
    QFont messageFont = m_lblMsg->font();
    m_lblMsg->setFixedWidth(MessageWidth);
    while (m_lblMsg->heightForWidth(MessageWidth) > MessageMaxHeight &&
           messageFont.pointSize() > SmallestMessagePoints) {
        messageFont.setPointSize(messageFont.pointSize() - 1);
        m_lblMsg->setFont(messageFont);
    }
    const int height = m_lblMsg->heightForWidth(MessageWidth);
    m_lblMsg->setFixedHeight(qBound(1, height, MessageMaxHeight));
}

void FrmMsgBox::CenterMessage()
{
    m_lblMsg->move((width() - m_lblMsg->width()) / 2 - 9, (height() - m_lblMsg->height()) / 2 - 12);
}

void FrmMsgBox::CenterButtons()
{
    // Pulls the two outer buttons toward the middle when the middle one is hidden.
    const int d = (m_cmd[2]->x() - m_cmd[0]->x()) / 5;
    m_cmd[0]->move(m_cmd[0]->x() + d, m_cmd[0]->y());
    m_cmd[2]->move(m_cmd[2]->x() - d, m_cmd[2]->y());
}

void FrmMsgBox::CloseWith(const QString &caption)
{
    m_answer = caption;
    accept();
}

void FrmMsgBox::done(int result)
{
    unload();
    QDialog::done(result);
}

void FrmMsgBox::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_timer.stop();
    StopSpeaking();
    restoreCursor();
    MsgBoxResult = m_answer;
}

void FrmMsgBox::restoreCursor()
{
    for (const QCursor &cursor : std::as_const(m_savedCursors))
        QGuiApplication::setOverrideCursor(cursor);
    m_savedCursors.clear();
}

bool FrmMsgBox::event(QEvent *event)
{
    // Each activation reads the message (again) once the ticks have come round.
    if (event->type() == QEvent::WindowActivate && !m_unloaded)
        m_timer.start();
    return QDialog::event(event);
}

void FrmMsgBox::speakTick()
{
    ++m_ticks;
    if (m_ticks >= 2 && !IsSpeaking()) {
        SpeakText(m_lblMsg->text());
        m_timer.stop();
    }
}

bool FrmMsgBox::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_imgDrag) {
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
            type != QEvent::MouseButtonRelease)
            return false;
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint global = mouse->globalPosition().toPoint();
        if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
            // Let the window system move the window as by a title bar; where it
            // cannot, follow the mouse ourselves.
            QWindow *window = windowHandle();
            m_dragging = !(window && window->startSystemMove());
            m_dragOffset = global - pos();
        } else if (type == QEvent::MouseMove && m_dragging && (mouse->buttons() & Qt::LeftButton)) {
            move(global - m_dragOffset);
        } else if (type == QEvent::MouseButtonRelease) {
            m_dragging = false;
        }
        return true;
    }
    if (type == QEvent::MouseMove) {
        if (watched == m_cmdDef) {
            m_cmdDef->hide();
            m_cmdDef1->show();
        } else if ((watched == m_imgBackGround || watched == m_lblMsg) && m_cmdDef->isHidden()) {
            m_cmdDef1->hide();
            m_cmdDef->show();
        }
        return false;
    }
    const bool onCloseMark = watched == m_cmdDef || watched == m_cmdDef1;
    if (type == QEvent::MouseButtonPress && onCloseMark)
        return true; // keeps the release coming to the mark
    if (type == QEvent::MouseButtonRelease && onCloseMark) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const auto *mark = static_cast<QWidget *>(watched);
        if (mouse->button() == Qt::LeftButton && mark->rect().contains(mouse->position().toPoint()))
            CloseWith(m_escapeValue);
        return true;
    }
    return false;
}
