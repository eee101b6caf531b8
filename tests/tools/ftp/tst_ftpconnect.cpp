#include "kb/kbstore.h"
#include "platform/base/apppaths.h"
#include "scriptedprompter.h"
#include "testsupport.h"
#include "tools/ftp/CFtpConnection.h"
#include "tools/ftp/frmConnect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestFtpConnect : public QObject
{
    Q_OBJECT

private:
    static void makeAddressList(const QStringList &addresses)
    {
        QDir().mkpath(AppPaths::databaseFolder());
        KbStore::createFtpDatabase(frmConnect::addressListPath(), addresses);
    }

private slots:
    void addressListShowsStoredAddresses()
    {
        TestSupport::TempDataRoot root;
        makeAddressList({QStringLiteral("ftp.example.org"), QStringLiteral("Mirror.Example.net")});
        frmConnect dialog;
        QCOMPARE(dialog.txtURL->count(), 2);
        QCOMPARE(dialog.txtURL->itemText(0), QStringLiteral("ftp.example.org"));
        QCOMPARE(dialog.txtURL->itemText(1), QStringLiteral("Mirror.Example.net"));
        QVERIFY(dialog.txtURL->currentText().isEmpty());
        QCOMPARE(dialog.Action(), qint16(0));
    }

    void missingOrEmptyListLeavesDialogUsable()
    {
        TestSupport::TempDataRoot root;
        {
            frmConnect dialog; // no file at all
            QCOMPARE(dialog.txtURL->count(), 0);
        }
        makeAddressList({});
        frmConnect dialog;
        QCOMPARE(dialog.txtURL->count(), 0);
    }

    void completionAndBackspace()
    {
        TestSupport::TempDataRoot root;
        makeAddressList({QStringLiteral("ftp.example.org"), QStringLiteral("mirror.example.net")});
        frmConnect dialog;
        dialog.show();
        QLineEdit *edit = dialog.txtURL->lineEdit();
        QTest::keyClicks(edit, QStringLiteral("MI"));
        QCOMPARE(edit->text(), QStringLiteral("MIrror.example.net"));
        QCOMPARE(edit->selectedText(), QStringLiteral("rror.example.net"));
        QTest::keyClicks(edit, QStringLiteral("x"));
        QCOMPARE(edit->text(), QStringLiteral("MIx"));
        // After one Backspace no completion happens in this dialog.
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QStringLiteral("ftp"));
        QCOMPARE(edit->text(), QStringLiteral("ftp"));
    }

    void anonymousBox()
    {
        TestSupport::TempDataRoot root;
        frmConnect dialog;
        QVERIFY(dialog.chkAnonym->isChecked());
        QCOMPARE(dialog.txtUserName->currentText(), QStringLiteral("anonymous"));
        QCOMPARE(dialog.txtPassword->text(), CFtpConnection::anonymousPassword());
        QCOMPARE(dialog.txtPassword->text().size(), 16);
        QCOMPARE(dialog.txtPassword->echoMode(), QLineEdit::Password);
        dialog.chkAnonym->click();
        QVERIFY(dialog.txtUserName->currentText().isEmpty());
        QVERIFY(dialog.txtPassword->text().isEmpty());
        QCOMPARE(dialog.txtPassword->echoMode(), QLineEdit::Password);
        dialog.chkAnonym->click();
        QCOMPARE(dialog.txtUserName->currentText(), QStringLiteral("anonymous"));
        QCOMPARE(dialog.txtPassword->text(), CFtpConnection::anonymousPassword());
        QCOMPARE(dialog.txtPassword->echoMode(), QLineEdit::Normal);
    }

    void okAndCancel()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        {
            frmConnect dialog;
            dialog.cmdOK->click();
            QCOMPARE(prompter.calls().size(), 1);
            QCOMPARE(prompter.calls().first().prompt,
                     QStringLiteral("Enter a URL or click on Cancel button."));
            QCOMPARE(prompter.calls().first().title, QStringLiteral("Invalid URL"));
            QCOMPARE(dialog.result(), int(QDialog::Rejected)); // still open
            dialog.txtURL->setEditText(QStringLiteral("FTP.Example.ORG:2121"));
            dialog.chkAnonym->click();
            dialog.txtUserName->setEditText(QStringLiteral("Tester"));
            dialog.txtPassword->setText(QStringLiteral("Se cret"));
            dialog.cmdOK->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.Action(), qint16(0));
            QCOMPARE(dialog.URL(), QStringLiteral("ftp.example.org:2121"));
            QCOMPARE(dialog.UserName(), QStringLiteral("Tester"));
            QCOMPARE(dialog.Password(), QStringLiteral("Se cret"));
        }
        frmConnect dialog;
        dialog.txtURL->setEditText(QStringLiteral("somewhere"));
        dialog.cmdCancel->click();
        QCOMPARE(dialog.Action(), qint16(1));
        QVERIFY(dialog.URL().isEmpty());
    }
};

QTEST_MAIN(TestFtpConnect)
#include "tst_ftpconnect.moc"
