#include "kb/kbstore.h"
#include "platform/base/apppaths.h"
#include "scriptedprompter.h"
#include "testsupport.h"
#include "tools/ftp/CFtpConnection.h"
#include "tools/ftp/frmConnect.h"

#include "winsvc/msubclass.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
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
        makeAddressList({QStringLiteral("ftp.example.org"), QStringLiteral("mirror.example.net"),
                         QStringLiteral("127.0.0.1:2121"), QStringLiteral("localhost")});
        frmConnect dialog;
        dialog.show();
        QLineEdit *edit = dialog.txtURL->lineEdit();
        // Focus as the window system gives it: a focused box hooks up its completer.
        edit->setFocus();
        QFocusEvent focusIn(QEvent::FocusIn, Qt::OtherFocusReason);
        QApplication::sendEvent(edit, &focusIn);
        // Key events as the window system delivers them, one press and release per key.
        const auto type = [edit](const QString &keys) {
            for (const QChar c : keys) {
                const int key = c.isLetter() ? c.toUpper().unicode() : c.unicode();
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
                QApplication::sendEvent(edit, &press);
                QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
                QApplication::sendEvent(edit, &release);
            }
        };
        const auto backspace = [edit] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
            QApplication::sendEvent(edit, &press);
        };
        type(QStringLiteral("127.0.0.1:2121"));
        QCOMPARE(edit->text(), QStringLiteral("127.0.0.1:2121"));
        edit->clear();
        type(QStringLiteral("MI"));
        QCOMPARE(edit->text(), QStringLiteral("MIrror.example.net"));
        QCOMPARE(edit->selectedText(), QStringLiteral("rror.example.net"));
        type(QStringLiteral("x"));
        QCOMPARE(edit->text(), QStringLiteral("MIx"));
        edit->clear();
        type(QStringLiteral("loc"));
        QCOMPARE(edit->text(), QStringLiteral("localhost"));
        QCOMPARE(edit->selectedText(), QStringLiteral("alhost"));
        // After one Backspace no completion happens in this dialog.
        backspace();
        QCOMPARE(edit->text(), QStringLiteral("loc"));
        type(QStringLiteral("a"));
        QCOMPARE(edit->text(), QStringLiteral("loca"));
        edit->clear();
        type(QStringLiteral("ftp"));
        QCOMPARE(edit->text(), QStringLiteral("ftp"));
    }

    void labelsLookAndMask()
    {
        TestSupport::TempDataRoot root;
        frmConnect dialog;
        // The shared 3D labels and the shared flat look on the three boxes.
        for (QWidget *label : {dialog.lblAddress, dialog.lblUserName, dialog.lblPassword})
            QVERIFY(label->property("Caption").isValid());
        QCOMPARE(dialog.lblAddress->property("Caption").toString(), QStringLiteral("FTP Address:"));
        QVERIFY(MSubClass::IsWatched(dialog.txtURL));
        QVERIFY(MSubClass::IsWatched(dialog.txtUserName));
        QVERIFY(MSubClass::IsWatched(dialog.txtPassword));
        // "*" as loaded, "#" once the anonymous box is cleared.
        QCOMPARE(dialog.txtPassword->displayText(), QString(16, QLatin1Char('*')));
        dialog.chkAnonym->click();
        dialog.txtPassword->setText(QStringLiteral("abc"));
        QCOMPARE(dialog.txtPassword->displayText(), QStringLiteral("###"));
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
