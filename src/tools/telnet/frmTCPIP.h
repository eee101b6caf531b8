#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class frmTelnet;

// The "Connect To:" dialog: the telnet window's host, port and trace switch.
class frmTCPIP : public QDialog
{
    Q_OBJECT

public:
    explicit frmTCPIP(frmTelnet *telnet, QWidget *parent = nullptr);

    QLineEdit *txtRemoteAddress = nullptr;
    QLineEdit *txtPort = nullptr;
    QCheckBox *Check1 = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    // OK: checks the entries, and only then drops any connection and stores them.
    // False (and the dialog stays) when the port is not a number or does not fit 16 bits.
    bool cmdOK_Click();
    void cmdCancel_Click();

private:
    frmTelnet *m_telnet;
    QLabel *m_labels[2] = {};
};
