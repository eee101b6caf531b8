#include "tools/ftp/frmConnect.h"

#include "kb/kbstore.h"
#include "platform/base/apperror.h"
#include "platform/base/apppaths.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dbrecordset.h"
#include "platform/prompt/fixeddialog.h"
#include "shell/label3dhost.h"
#include "shell/messagebox.h"
#include "tools/ftp/CFtpConnection.h"
#include "winsvc/flat.h"
#include "winsvc/setcombowidth.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

frmConnect::ModalRunner &modalRunner()
{
    static frmConnect::ModalRunner runner;
    return runner;
}

QWidget *captionLabel(const QString &text, QWidget *parent)
{
    QWidget *label = CreateLabel3D(
        {{QStringLiteral("Caption"), text}, {QStringLiteral("BackStyle"), 1}}, parent);
    FitLabel3DToCaption(label);
    return label;
}

// The password box's mask character: "*" as loaded, "#" after the anonymous box is cleared.
void setMaskCharacter(QLineEdit *edit, QChar mask)
{
    // The box reads its mask when its style changes; a new sheet on top of the old one does
    // not count as such a change.
    edit->setStyleSheet(QString());
    edit->setStyleSheet(
        QStringLiteral("QLineEdit { lineedit-password-character: %1; }").arg(mask.unicode()));
}

} // namespace

frmConnect::frmConnect(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Connect to site:"));
    FixedDialog::apply(this);
    setModal(true);

    txtURL = new QComboBox(this);
    txtURL->setObjectName(QStringLiteral("txtURL"));
    SetComboEditable(txtURL); // it completes by itself, below
    txtURL->setInsertPolicy(QComboBox::NoInsert);
    txtURL->setMinimumWidth(260);
    txtUserName = new QComboBox(this);
    txtUserName->setObjectName(QStringLiteral("txtUserName"));
    SetComboEditable(txtUserName);
    txtUserName->setInsertPolicy(QComboBox::NoInsert);
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    chkAnonym = new QCheckBox(QStringLiteral("Use Anonymous Connection"), this);
    chkAnonym->setObjectName(QStringLiteral("chkAnonym"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    lblAddress = captionLabel(QStringLiteral("FTP Address:"), this);
    lblUserName = captionLabel(QStringLiteral("User Name:"), this);
    lblPassword = captionLabel(QStringLiteral("Password:"), this);
    auto *grid = new QGridLayout(this);
    grid->addWidget(lblAddress, 0, 0);
    grid->addWidget(txtURL, 0, 1);
    grid->addWidget(lblUserName, 1, 0);
    grid->addWidget(txtUserName, 1, 1);
    grid->addWidget(lblPassword, 2, 0);
    grid->addWidget(txtPassword, 2, 1);
    grid->addWidget(chkAnonym, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    txtURL->addItems(loadAddressHistory(addressListPath()));
    txtURL->setCurrentIndex(-1);
    txtURL->setEditText(QString());
    txtUserName->addItem(QStringLiteral("anonymous"));
    txtUserName->setEditText(txtUserName->itemText(0));
    txtPassword->setEchoMode(QLineEdit::Password);
    setMaskCharacter(txtPassword, QLatin1Char('*'));
    txtPassword->setText(CFtpConnection::anonymousPassword());
    chkAnonym->setChecked(true);

    m_flat.attach({txtURL, txtUserName, txtPassword});

    // A focused combo box hands its keys straight to its line edit, past the edit's filters.
    txtURL->installEventFilter(this);
    txtURL->lineEdit()->installEventFilter(this);
    connect(txtURL->lineEdit(), &QLineEdit::textEdited, this, &frmConnect::txtURL_Change);
    connect(chkAnonym, &QCheckBox::clicked, this, &frmConnect::chkAnonym_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmConnect::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConnect::cmdCancel_Click);
}

frmConnect::~frmConnect() = default;

QString frmConnect::addressListPath()
{
    return AppPaths::databaseFolder() + KbStore::FtpDatabase + KbStore::DatabaseExtension;
}

QStringList frmConnect::loadAddressHistory(const QString &databasePath)
{
    // A missing or damaged list leaves the box empty: connecting must still be possible.
    QStringList addresses;
    try {
        auto database = db::DBEngine::OpenDatabase(databasePath, false, true);
        auto records = database->OpenRecordset(KbStore::FtpTable, db::dbOpenDynaset);
        const int prefix = int(KbStore::FtpAddressPrefix.size());
        while (!records->Eof()) {
            const QVariant address = records->value(KbStore::FtpField);
            const QString text = address.toString();
            if (!address.isNull() && text.size() >= prefix)
                addresses << text.mid(prefix);
            records->MoveNext();
        }
    } catch (const AppException &) {
    }
    return addresses;
}

void frmConnect::setModalRunner(ModalRunner runner)
{
    modalRunner() = std::move(runner);
}

void frmConnect::showModal()
{
    if (modalRunner())
        modalRunner()(*this);
    else
        exec();
}

bool frmConnect::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == txtURL || watched == txtURL->lineEdit()) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
            m_completionOff = true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmConnect::txtURL_Change(const QString &typed)
{
    if (m_completionOff || typed.isEmpty())
        return;
    const int found = txtURL->findText(typed, Qt::MatchStartsWith);
    if (found < 0)
        return;
    const QString item = txtURL->itemText(found);
    if (item.size() <= typed.size())
        return;
    // The typed part keeps the user's case; the completion is selected so typing replaces it.
    QLineEdit *edit = txtURL->lineEdit();
    const QString rest = item.mid(typed.size());
    edit->setText(typed + rest);
    edit->setSelection(int(typed.size()), int(rest.size()));
}

void frmConnect::chkAnonym_Click()
{
    if (chkAnonym->isChecked()) {
        txtUserName->setEditText(QStringLiteral("anonymous"));
        txtPassword->setEchoMode(QLineEdit::Normal);
        txtPassword->setText(CFtpConnection::anonymousPassword());
    } else {
        txtUserName->setEditText(QString());
        txtPassword->setEchoMode(QLineEdit::Password);
        setMaskCharacter(txtPassword, QLatin1Char('#'));
        txtPassword->setText(QString());
    }
}

void frmConnect::cmdOK_Click()
{
    if (txtURL->currentText().isEmpty()) {
        MsgBoxEx(QStringLiteral("Enter a URL or click on Cancel button."), 103, 4,
                 QStringLiteral("Invalid URL"));
        return;
    }
    m_url = txtURL->currentText().toLower();
    m_userName = txtUserName->currentText();
    m_password = txtPassword->text();
    m_action = 0;
    accept();
}

void frmConnect::cmdCancel_Click()
{
    m_action = 1;
    reject();
}
