#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QLineEdit;
class QPushButton;

// Asks for a database password. The caller reads Password() and Cancelled() after
// the window has closed.
class FrmPassword : public QDialog
{
    Q_OBJECT

public:
    explicit FrmPassword(QWidget *parent = nullptr);

    QString Password() const { return m_password; }
    bool Cancelled() const { return m_cancelled; }

    QLineEdit *TxtPass = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *CmdCancel = nullptr;

    // Shows a fresh prompt modally: the typed password, or nothing when the user gave up.
    static std::optional<QString> ask(QWidget *parent = nullptr);

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void cmdOkClick();
    void cmdCancelClick();

    QString m_password;
    bool m_cancelled = false;
};
