#include "tools/telnet/frmTCPIP.h"

#include "platform/net/SocketControl.h"
#include "platform/prompt/fixeddialog.h"
#include "shell/messagebox.h"
#include "tools/telnet/frmTelnet.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

frmTCPIP::frmTCPIP(frmTelnet *telnet, QWidget *parent) : QDialog(parent), m_telnet(telnet)
{
    FixedDialog::apply(this);
    setObjectName(QStringLiteral("frmTCPIP"));
    setWindowTitle(QStringLiteral("Connect To:"));
    setModal(true);

    m_labels[0] = new QLabel(QStringLiteral("Remote IP Address"), this);
    m_labels[1] = new QLabel(QStringLiteral("Remote Port Number"), this);
    txtRemoteAddress = new QLineEdit(this);
    txtRemoteAddress->setObjectName(QStringLiteral("txtRemoteAddress"));
    txtPort = new QLineEdit(this);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    Check1 = new QCheckBox(QStringLiteral("&Unable Trace"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_labels[0]->setBuddy(txtRemoteAddress);
    m_labels[1]->setBuddy(txtPort);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_labels[0], 0, 0);
    grid->addWidget(txtRemoteAddress, 0, 1);
    grid->addWidget(m_labels[1], 1, 0);
    grid->addWidget(txtPort, 1, 1);
    grid->addWidget(Check1, 2, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    txtRemoteAddress->setText(m_telnet->Host);
    txtPort->setText(QString::number(m_telnet->Port));
    Check1->setChecked(m_telnet->TraceOn);

    connect(Check1, &QCheckBox::toggled, this, [this](bool on) { m_telnet->TraceOn = on; });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmTCPIP::cmdCancel_Click);
}

bool frmTCPIP::cmdOK_Click()
{
    // The port text converts as a number does: rounded to a whole one, which must fit the
    // port's 16 bits.
    bool ok = false;
    const double number = txtPort->text().trimmed().toDouble(&ok);
    const double port = std::nearbyint(number);
    const QString failure = !ok || !std::isfinite(number) ? QStringLiteral("Type mismatch")
                            : port < 0 || port > 65535    ? QStringLiteral("Overflow")
                                                          : QString();
    if (!failure.isEmpty()) {
        MsgBoxEx(failure, 103, 4, QStringLiteral("ERROR"));
        txtPort->setFocus();
        txtPort->selectAll();
        return false;
    }
    // Only valid settings end the running connection (a typing slip must not cut a live
    // session, nor be half stored when the user cancels after the message), and through the
    // window's own close handling so it shows as closed.
    SocketControl *socket = m_telnet->WinsockClient();
    if (m_telnet->isConnectIssued() || m_telnet->isConnected() ||
        socket->state() != SocketControl::Closed)
        m_telnet->CloseConnection();
    socket->setLocalPort(0);
    m_telnet->Host = txtRemoteAddress->text().trimmed();
    m_telnet->Port = quint16(port);
    socket->setRemotePort(quint16(port));
    socket->setRemoteHost(m_telnet->Host);
    accept();
    return true;
}

void frmTCPIP::cmdCancel_Click()
{
    reject();
}
