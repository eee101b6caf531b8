#include "shell/frmpassword.h"

#include "scriptedprompter.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestFrmPassword : public QObject
{
    Q_OBJECT

private slots:
    void okWithAPassword()
    {
        FrmPassword dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Please Input the Password"));
        QCOMPARE(dialog.TxtPass->echoMode(), QLineEdit::Password);
        dialog.show();
        QTest::keyClicks(dialog.TxtPass, QStringLiteral("secret"));
        dialog.CmdOK->click();
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.Cancelled());
        QCOMPARE(dialog.Password(), QStringLiteral("secret"));
    }

    void emptyEntryAsks()
    {
        ScriptedPrompter prompter;
        prompter.answer(QStringLiteral("Yes"));
        prompter.answer(QStringLiteral("No"));
        FrmPassword dialog;
        dialog.show();
        dialog.CmdOK->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(prompter.prompts(), QStringList{QStringLiteral("Please input the password!")});
        QCOMPARE(prompter.calls()[0].icon, 107);
        QCOMPARE(prompter.calls()[0].buttonSet, 1);
        QCOMPARE(prompter.calls()[0].title, QStringLiteral("ERROR"));
        QVERIFY(!dialog.Cancelled());
        // "No" gives up, even when a password follows.
        dialog.CmdOK->click();
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.Cancelled());
        QTest::keyClicks(dialog.TxtPass, QStringLiteral("late"));
        dialog.CmdOK->click();
        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.Cancelled());
    }

    void cancelCloseAndReshow()
    {
        FrmPassword dialog;
        dialog.show();
        dialog.CmdCancel->click();
        QVERIFY(dialog.Cancelled());
        // Showing again starts afresh.
        dialog.show();
        QVERIFY(!dialog.Cancelled());
        QCOMPARE(dialog.Password(), QString());
        dialog.close();
        QVERIFY(dialog.Cancelled());

        QTimer::singleShot(0, [] {
            auto *open = qobject_cast<FrmPassword *>(QApplication::activeModalWidget());
            QVERIFY(open);
            QTest::keyClick(open, Qt::Key_Escape);
        });
        QCOMPARE(FrmPassword::ask(), std::nullopt);
    }
};

QTEST_MAIN(TestFrmPassword)
#include "kb_frmpassword.moc"
