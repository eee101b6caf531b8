#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

class QLabel;
class QPushButton;

// The About box: the program's version and description, the system-information tool
// and a mail link to the program's contact address.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *owner = nullptr);

    // Shows the one About box modally over its owner, creating it when it does not exist,
    // and returns at once.
    static frmAbout *ShowAbout(QWidget *owner);

    QWidget *lblVersion = nullptr;
    QWidget *lblDescription = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QPushButton *cmdOK = nullptr;
    QLabel *LblEmail = nullptr;
    QLabel *Image1 = nullptr;

    static QString versionText(); // "Version 1.0.0"
    static QString descriptionText();
    static QString contactAddress();
    // The settings entry naming the system-information tool: a program and its arguments.
    static QString sysInfoSection();
    static QString sysInfoKey();
    static QUrl mailUrl(const QString &address, const QString &subject, const QString &body);

    // Starts the system-information tool or says that it is unavailable.
    void StartSysInfo();
    // Opens a new mail to the contact address in the desktop's mail program.
    void LblEmail_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
