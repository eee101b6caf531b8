#include "dbtestfiles.h"
#include "dbtools/dirlistbox.h"
#include "dbtools/frmexportdbtextfile.h"
#include "platform/db/dbengine.h"
#include "scriptedprompter.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using DbTestFiles::readAll;
using DbTestFiles::sqlite;

class TestExport : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestSupport::TempDataRoot> m_root;
    QString m_file;
    QString m_out;

    // Page 2 of a window over topic T, folder filled in.
    void setUp(FrmExportDBTextFile &window, const QString &folder, bool wholeTopic = true)
    {
        window.DatabaseName = m_file;
        window.TopicName = QStringLiteral("T");
        window.QuestionText = QStringLiteral("Current question");
        window.AnswerText = QStringLiteral("Current answer");
        window.Opt[wholeTopic ? 0 : 1]->setChecked(true);
        window.CmdConv_Click();
        QCOMPARE(window.CmdConv->text(), QStringLiteral("Convert"));
        window.TxtFullPath->setText(folder);
    }

    bool convert(FrmExportDBTextFile &window)
    {
        QSignalSpy finished(&window, &FrmExportDBTextFile::exportFinished);
        window.CmdConv_Click();
        if (finished.isEmpty() && !finished.wait(10000))
            return false;
        return finished.first().first().toBool();
    }

    QString file(const QString &name) const { return QDir(m_out).filePath(name); }

private slots:
    void init()
    {
        m_root = std::make_unique<TestSupport::TempDataRoot>();
        m_file = m_root->filePath("KB.mdb");
        m_out = m_root->filePath("out");
        QDir().mkpath(m_out);
        sqlite(m_file, DbTestFiles::topicTableSql("T") +
                           "INSERT INTO T (Question, Answer) VALUES "
                           "('First', '{\\rtf1\\ansi {\\b bold} answer\\par line two}'),"
                           "('Second' || char(1) || ' Ünïcödé', NULL),"
                           "('Third', 'plain' || char(10) || 'text');");
    }
    void cleanup()
    {
        db::DBEngine::closeAll();
        m_root.reset();
    }

    void exportsTopicOneFilePerRecord()
    {
        FrmExportDBTextFile window;
        setUp(window, m_out);
        QCOMPARE(window.flatControls.painters().size(), size_t(2));
        // A fixed window: the window manager offers no resizing and draws no grip for it.
        window.show();
        QCOMPARE(window.minimumSize(), window.maximumSize());
        ScriptedPrompter prompter;
        prompter.answer("Yes");
        QSignalSpy finished(&window, &FrmExportDBTextFile::exportFinished);
        QSignalSpy rejected(&window, &QDialog::rejected);
        window.CmdConv_Click();
        window.reject(); // Escape while the files are written does not end the window
        QVERIFY(finished.wait(10000));
        QVERIFY(finished.first().first().toBool());
        QCOMPARE(rejected.size(), 0);
        QCOMPARE(prompter.calls().first().title, QStringLiteral("ARE YOU SURE?"));
        // The question names the files as they are written.
        QVERIFY(prompter.calls().first().prompt.endsWith(
            "\r\nThe database will be name as record 1.txt, record 2.txt, and so on. Do you "
            "wish to continue?"));
        QCOMPARE(prompter.calls().last().title, QStringLiteral("SUCCEED"));
        // A rich-text answer is written as stored, markup and all.
        QCOMPARE(readAll(file("record 1.txt")),
                 QByteArray("First\r\n\r\n{\\rtf1\\ansi {\\b bold} answer\\par line two}\r\n"));
        // Control characters never reach the file; other characters are UTF-8.
        QCOMPARE(readAll(file("record 2.txt")),
                 QStringLiteral("Second Ünïcödé\r\n\r\n\r\n").toUtf8());
        QCOMPARE(readAll(file("record 3.txt")), QByteArray("Third\r\n\r\nplain\r\ntext\r\n"));
        QCOMPARE(QDir(m_out).entryList(QDir::Files).size(), 3);

        // Again: "No" writes nothing, "Yes" writes the files over.
        sqlite(m_file, "UPDATE T SET Answer = 'new' WHERE Question = 'Third';");
        FrmExportDBTextFile again;
        setUp(again, m_out);
        prompter.clear();
        prompter.answer("No");
        again.CmdConv_Click();
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(readAll(file("record 3.txt")), QByteArray("Third\r\n\r\nplain\r\ntext\r\n"));
        prompter.answer("Yes");
        QVERIFY(convert(again));
        QCOMPARE(readAll(file("record 3.txt")), QByteArray("Third\r\n\r\nnew\r\n"));
    }

    void failedWriteStopsAndReportsTheError()
    {
        QDir().mkpath(file("record 2.txt")); // a folder where the second file should go
        FrmExportDBTextFile window;
        setUp(window, m_out);
        ScriptedPrompter prompter;
        prompter.answer("Yes");
        QVERIFY(!convert(window));
        QCOMPARE(prompter.calls().last().title, QStringLiteral("ERROR"));
        QVERIFY(
            QRegularExpression("^\\d+\r\n\\S").match(prompter.calls().last().prompt).hasMatch());
        QVERIFY(QFileInfo::exists(file("record 1.txt")));
        QVERIFY(!QFileInfo::exists(file("record 3.txt")));
        QVERIFY(window.CmdConv->isEnabled());
    }

    void currentRecordNeverOverwritesUnasked()
    {
        ScriptedPrompter prompter;
        FrmExportDBTextFile first;
        setUp(first, m_out, false);
        QVERIFY(convert(first));
        const QByteArray exported("Current question\r\n\r\nCurrent answer\r\n");
        QCOMPARE(readAll(file("Exported.txt")), exported);

        for (const char *expected : {"Export1.txt", "Export2.txt"}) {
            FrmExportDBTextFile next;
            setUp(next, m_out, false);
            next.AnswerText = QString::fromLatin1(expected);
            prompter.clear();
            prompter.answer("No");
            QVERIFY(convert(next));
            QCOMPARE(prompter.calls().first().title, QStringLiteral("MAKE SURE!"));
            QCOMPARE(readAll(file(expected)),
                     QByteArray("Current question\r\n\r\n") + expected + "\r\n");
        }
        QCOMPARE(readAll(file("Exported.txt")), exported);
        QCOMPARE(readAll(file("Export1.txt")),
                 QByteArray("Current question\r\n\r\nExport1.txt\r\n"));
    }

    void folderChecks()
    {
        ScriptedPrompter prompter;
        FrmExportDBTextFile blank;
        setUp(blank, "   ");
        blank.CmdConv_Click();
        QCOMPARE(prompter.calls().first().title, QStringLiteral("CHOOSE DIRECTORY"));

        // A missing folder is made after "Yes".
        prompter.clear();
        const QString made = m_root->filePath("made");
        FrmExportDBTextFile create;
        setUp(create, made, false);
        prompter.answer("Yes");
        QVERIFY(convert(create));
        QCOMPARE(prompter.calls().first().title, QStringLiteral("CREATE?"));
        QVERIFY(QFileInfo::exists(made + "/Exported.txt"));

        // One level only: a missing parent is reported and the window stays.
        prompter.clear();
        FrmExportDBTextFile deep;
        setUp(deep, m_root->filePath("no/such/folder"), false);
        prompter.answer("Yes");
        deep.CmdConv_Click();
        QCOMPARE(prompter.calls().last().title, QStringLiteral("ERROR"));
        QVERIFY(deep.result() != QDialog::Accepted);
        QVERIFY(!QFileInfo::exists(m_root->filePath("no")));
    }

    void folderListFillsThePath()
    {
        ScriptedPrompter prompter;
        FrmExportDBTextFile window;
        window.CmdConv_Click();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Nothing is filled in until the user picks a folder.
        QVERIFY(window.TxtFullPath->text().isEmpty());

        // A folder the list moves to fills the box; a click puts the list's folder there again.
        QVERIFY(window.Dir1->setPath(m_out));
        QCOMPARE(window.TxtFullPath->text(), QDir::toNativeSeparators(m_out));
        window.TxtFullPath->clear();
        QTest::mouseClick(window.Dir1->viewport(), Qt::LeftButton, {},
                          window.Dir1->visualItemRect(window.Dir1->currentItem()).center());
        QCOMPARE(window.TxtFullPath->text(), QDir::toNativeSeparators(m_out));

        // A folder that cannot be read leaves the list where it was.
        QVERIFY(!window.Dir1->setPath(m_root->filePath("no/such/folder")));
        QCOMPARE(window.Dir1->path(), QDir::cleanPath(m_out));
        QVERIFY(prompter.calls().isEmpty());
    }
};

QTEST_MAIN(TestExport)
#include "dbtools_export.moc"
