#pragma once

#include "winsvc/flatcontrols.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// Asks for the FTP server address, user name and password before the FTP window logs in.
// Offers and completes the addresses of the FTP address list.
class frmConnect : public QDialog
{
    Q_OBJECT

public:
    explicit frmConnect(QWidget *parent = nullptr);
    ~frmConnect() override;

    // 0 after OK, 1 after Cancel; 0 when the dialog was neither confirmed nor cancelled.
    qint16 Action() const { return m_action; }
    void setAction(qint16 action) { m_action = action; }
    QString UserName() const { return m_userName; }
    void setUserName(const QString &name) { m_userName = name; }
    QString Password() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }
    QString URL() const { return m_url; }
    void setURL(const QString &url) { m_url = url; }

    // Shows the dialog modal. Tests install a runner that works the controls instead.
    void showModal();
    using ModalRunner = std::function<void(frmConnect &dialog)>;
    static void setModalRunner(ModalRunner runner);

    // The stored addresses as the list shows them.
    static QStringList loadAddressHistory(const QString &databasePath);
    static QString addressListPath();

    QComboBox *txtURL;
    QComboBox *txtUserName;
    QLineEdit *txtPassword;
    QCheckBox *chkAnonym;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
    QWidget *lblAddress;
    QWidget *lblUserName;
    QWidget *lblPassword;

    void cmdOK_Click();
    void cmdCancel_Click();
    void chkAnonym_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void txtURL_Change(const QString &typed);

    qint16 m_action = 0;
    QString m_userName;
    QString m_password;
    QString m_url;
    bool m_completionOff = false;
    FlatControls m_flat;
};
