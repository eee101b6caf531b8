#include "dbtestfiles.h"
#include "dbtools/frmtrans.h"
#include "platform/db/dbengine.h"
#include "scriptedprompter.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using DbTestFiles::sqlite;
using DbTestFiles::sqliteValue;

class TestTransfer : public QObject
{
    Q_OBJECT

private:
    QString m_file;
    std::unique_ptr<TestSupport::TempDataRoot> m_root;

    qint64 keyOf(const QString &topic, const QString &question)
    {
        return sqliteValue(m_file, QStringLiteral("SELECT ID FROM \"%1\" WHERE Question = '%2';")
                                       .arg(topic, QString(question).replace("'", "''")))
            .toLongLong();
    }

    // A window set up as the main window would, over the record with that question.
    void setUp(FrmTrans &window, const QString &topic, const QString &question,
               const QStringList &topics = {"Alpha", "Beta", "Gamma", "Zip"})
    {
        window.DatabaseName = m_file;
        window.SourceTopic = topic;
        window.SourceKey = keyOf(topic, question);
        window.QuestionText = question;
        window.Form_Load(topic, topics);
    }

    QString count(const QString &topic)
    {
        return sqliteValue(m_file, QStringLiteral("SELECT COUNT(*) FROM \"%1\";").arg(topic));
    }

private slots:
    void init()
    {
        m_root = std::make_unique<TestSupport::TempDataRoot>();
        m_file = m_root->filePath(QStringLiteral("KB.mdb"));
        DbTestFiles::createKnowledgeBase(m_file, {"Alpha", "Beta", "Gamma"}, 2);
        sqlite(m_file, DbTestFiles::topicTableSql(QStringLiteral("Zip"), true) +
                           "INSERT INTO Alpha (Question, Answer) VALUES "
                           "('It''s & more', '{\\rtf1\\ansi {\\b bold}\\par tail}');"
                           "INSERT INTO Zip (Question, Answer, Ziped) VALUES "
                           "('zipped one', 'a', x'00FF10'), ('plain one', 'b', NULL);");
    }
    void cleanup()
    {
        db::DBEngine::closeAll();
        m_root.reset();
    }

    void listsOtherTopicsOnly()
    {
        FrmTrans window;
        setUp(window, "Beta", "Beta question 1");
        QCOMPARE(window.flatControls.painters().size(), size_t(1));
        QCOMPARE(window.LblTopic->text(), QStringLiteral("Beta"));
        QCOMPARE(window.LblQuestion->text(), QStringLiteral("Beta question 1"));
        QStringList items;
        for (int i = 0; i < window.Combo->count(); ++i)
            items << window.Combo->itemText(i);
        QCOMPARE(items, QStringList({"Alpha", "Gamma", "Zip"}));
        QCOMPARE(window.Combo->currentIndex(), -1);
        // A fixed window: the window manager offers no resizing and draws no grip for it.
        window.show();
        QCOMPARE(window.minimumSize(), window.maximumSize());

        // With no other topic the button still answers: the engine's error, nothing moved.
        FrmTrans single;
        setUp(single, "Beta", "Beta question 1", {"Beta"});
        ScriptedPrompter prompter;
        single.CmdTrans->click();
        QCOMPARE(prompter.calls().value(0).title, QStringLiteral("ERROR"));
        QVERIFY(prompter.calls().value(0).prompt.startsWith("Unexpected Error: "));
        QVERIFY(prompter.calls().value(0).prompt.endsWith("\r\nTransfer Canceled"));
        QCOMPARE(count("Beta"), QStringLiteral("2"));
    }

    void movesStoredRecordThenDeletes()
    {
        const QByteArray before = sqlite(m_file, "SELECT hex(Answer) FROM Alpha WHERE "
                                                 "Question = 'It''s & more';")
                                      .output.toUtf8();
        FrmTrans window;
        setUp(window, "Alpha", "It's & more");
        window.Combo->setCurrentText("Gamma");
        int deletes = 0;
        bool copiedFirst = false;
        window.afterCopy = [&] {
            ++deletes;
            // The copy must be stored before the source may go.
            copiedFirst = count("Gamma") == "3";
            sqlite(m_file,
                   QStringLiteral("DELETE FROM Alpha WHERE ID = %1;").arg(window.SourceKey));
        };
        ScriptedPrompter prompter;
        QVERIFY(window.CmdTrans_Click());
        QCOMPARE(deletes, 1);
        QVERIFY(copiedFirst);
        QCOMPARE(prompter.calls().value(0).prompt, QStringLiteral("Transfer Succeed!"));
        QCOMPARE(prompter.calls().value(0).icon, 104);
        // Rich text arrives byte for byte.
        QCOMPARE(sqlite(m_file, "SELECT hex(Answer) FROM Gamma WHERE Question = 'It''s & more';")
                     .output.toUtf8(),
                 before);
        QCOMPARE(count("Alpha"), QStringLiteral("2"));
    }

    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("title");
        QTest::newRow("duplicate, other case") << "Alpha"
                                               << "Alpha question 1"
                                               << "Beta"
                                               << "INSERT INTO Beta (Question, Answer) VALUES "
                                                  "('ALPHA QUESTION 1', 'x');"
                                               << "FAILED";
        QTest::newRow("apostrophe duplicate") << "Alpha"
                                              << "It's & more"
                                              << "Beta"
                                              << "INSERT INTO Beta (Question, Answer) VALUES "
                                                 "('It''s & more', 'x');"
                                              << "FAILED";
        QTest::newRow("attachment without a field") << "Zip"
                                                    << "zipped one"
                                                    << "Alpha"
                                                    << ""
                                                    << "ERROR";
        QTest::newRow("failing insert") << "Alpha"
                                        << "Alpha question 2"
                                        << "Gamma"
                                        << "CREATE TRIGGER no BEFORE INSERT ON Gamma BEGIN "
                                           "SELECT RAISE(ABORT, 'refused'); END;"
                                        << "ERROR";
    }
    void refusalsChangeNothing()
    {
        QFETCH(QString, topic);
        QFETCH(QString, question);
        QFETCH(QString, target);
        QFETCH(QString, setup);
        QFETCH(QString, title);
        if (!setup.isEmpty())
            sqlite(m_file, setup);
        const QString sourceCount = count(topic);
        const QString targetCount = count(target);
        FrmTrans window;
        setUp(window, topic, question);
        window.Combo->setCurrentText(target);
        int deletes = 0;
        window.afterCopy = [&] { ++deletes; };
        ScriptedPrompter prompter;
        QVERIFY(!window.CmdTrans_Click());
        QCOMPARE(deletes, 0);
        QCOMPARE(prompter.calls().value(0).title, title);
        if (title == "FAILED")
            QCOMPARE(prompter.calls().value(0).prompt,
                     QStringLiteral("Found Duplicate Record, Transfer Canceled"));
        QCOMPARE(count(topic), sourceCount);
        QCOMPARE(count(target), targetCount);
    }

    void attachmentTravelsWithTheRecord()
    {
        sqlite(m_file, DbTestFiles::topicTableSql(QStringLiteral("Zip2"), true));
        FrmTrans window;
        setUp(window, "Zip", "zipped one", {"Zip", "Zip2"});
        window.Combo->setCurrentText("Zip2");
        ScriptedPrompter prompter;
        QVERIFY(window.CmdTrans_Click());
        QCOMPARE(sqliteValue(m_file, "SELECT hex(Ziped) FROM Zip2;"), QStringLiteral("00FF10"));

        // No attachment: a topic without the field takes the record.
        FrmTrans plain;
        setUp(plain, "Zip", "plain one");
        plain.Combo->setCurrentText("Beta");
        QVERIFY(plain.CmdTrans_Click());
        QCOMPARE(sqliteValue(m_file, "SELECT Answer FROM Beta WHERE Question = 'plain one';"),
                 QStringLiteral("b"));
    }
};

QTEST_MAIN(TestTransfer)
#include "dbtools_transfer.moc"
