#include "shell/dialog.h"

#include "platform/prompt/fixeddialog.h"
#include "shell/label3dhost.h"
#include "shell/mainfunctions.h"

#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QPointer<Dialog> sharedDialog;

void setDefaultPointer()
{
    // The screen has one pointer: the default one means no override at all.
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

} // namespace

Dialog::Dialog(QWidget *parent) : QWidget(parent)
{
    // No close box either: the window goes when the work it shows is done.
    FixedDialog::apply(this, false);
    setObjectName(QStringLiteral("Dialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    setWindowTitle(QStringLiteral("Thumb Nail Building process ......."));

    PBI = new QProgressBar(this);
    PBI->setObjectName(QStringLiteral("PBI"));
    PBI->setRange(0, 100);
    PBI->setValue(0);

    QFont font(QStringLiteral("MS Sans Serif"), 12);
    font.setBold(true);
    const QVariantMap bag = {
        {QStringLiteral("Caption"), QStringLiteral("Scanning now, please wait")},
        {QStringLiteral("Font"), font},
        {QStringLiteral("ForeColor1"), 0x8000000Eu},
        {QStringLiteral("ForeColor2"), 0x80000012u},
        {QStringLiteral("Alignment"), 2},
        {QStringLiteral("BackStyle"), 1},
    };
    Label3D1 = CreateLabel3D(bag, this);
    Label3D1->setObjectName(QStringLiteral("Label3D1"));
    Label3D1->setMinimumSize(340, 28);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PBI);
    layout->addWidget(Label3D1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    SetTopMost(this, true);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

Dialog::~Dialog()
{
    if (!m_unloaded)
        setDefaultPointer();
}

Dialog *Dialog::instance()
{
    if (!sharedDialog)
        sharedDialog = new Dialog;
    return sharedDialog;
}

bool Dialog::isLoaded()
{
    return !sharedDialog.isNull();
}

QString Dialog::labelCaption() const
{
    return Label3D1->property("Caption").toString();
}

void Dialog::setLabelCaption(const QString &caption)
{
    Label3D1->setProperty("Caption", caption);
}

void Dialog::Show()
{
    show();
}

void Dialog::Unload()
{
    // A window on its way out is never handed to the next user.
    if (sharedDialog == this)
        sharedDialog = nullptr;
    hide();
    unloadState();
    close();
}

void Dialog::setMaximum(int maximum)
{
    PBI->setMaximum(qMax(PBI->minimum(), maximum));
}

void Dialog::setValue(int value)
{
    PBI->setValue(qBound(PBI->minimum(), value, PBI->maximum()));
}

void Dialog::step()
{
    setValue(PBI->value() + 1);
}

void Dialog::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QWidget::showEvent(event);
}

void Dialog::closeEvent(QCloseEvent *event)
{
    // Only its user ends the busy window (Unload); the work it reports on is still running.
    if (!m_unloaded) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void Dialog::unloadState()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    SetTopMost(this, false);
    setDefaultPointer();
}
