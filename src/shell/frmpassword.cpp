#include "shell/frmpassword.h"

#include "platform/prompt/fixeddialog.h"
#include "platform/prompt/prompter.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

FrmPassword::FrmPassword(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Please Input the Password"));
    FixedDialog::apply(this);
    setModal(true);

    TxtPass = new QLineEdit(this);
    TxtPass->setObjectName(QStringLiteral("TxtPass"));
    TxtPass->setEchoMode(QLineEdit::Password);
    CmdOK = new QPushButton(QStringLiteral("&OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setDefault(true);
    CmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOK);
    buttons->addWidget(CmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(TxtPass);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The caption names the field: the window is as wide as the caption needs.
    FixedDialog::fitToCaption(this, TxtPass);

    connect(CmdOK, &QPushButton::clicked, this, &FrmPassword::cmdOkClick);
    connect(CmdCancel, &QPushButton::clicked, this, &FrmPassword::cmdCancelClick);
}

void FrmPassword::showEvent(QShowEvent *event)
{
    // Every showing starts afresh.
    m_password.clear();
    m_cancelled = false;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void FrmPassword::cmdOkClick()
{
    if (!TxtPass->text().isEmpty()) {
        m_password = TxtPass->text();
        accept();
        return;
    }
    const QString answer = Prompter::instance().messageBox(
        QStringLiteral("Please input the password!"), 107, 1, QStringLiteral("ERROR"));
    if (answer == QLatin1String("Yes")) {
        TxtPass->selectAll();
        TxtPass->setFocus();
    } else {
        // From now on the prompt counts as given up, however it closes.
        m_cancelled = true;
    }
}

void FrmPassword::cmdCancelClick()
{
    m_cancelled = true;
    accept();
}

void FrmPassword::reject()
{
    m_cancelled = true;
    QDialog::reject();
}

void FrmPassword::closeEvent(QCloseEvent *event)
{
    m_cancelled = true;
    QDialog::closeEvent(event);
}

std::optional<QString> FrmPassword::ask(QWidget *parent)
{
    FrmPassword dialog(parent);
    dialog.exec();
    if (dialog.Cancelled())
        return std::nullopt;
    return dialog.Password();
}
