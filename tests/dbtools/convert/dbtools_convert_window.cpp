// The conversion window end to end: a knowledge base in, documents read back by
// independent readers.

#include "convertreaders.h"
#include "dbtestfiles.h"
#include "dbtools/frmconvert.h"
#include "platform/db/dbengine.h"
#include "scriptedprompter.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// Question, then the answer as stored rich text.
const char TopicRecords[] =
    "INSERT INTO Alpha (Question, Answer) VALUES ('First & <one> café', "
    "'{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 {\\b Bold} text \\''e9t\\''e9\\par second "
    "line}');\n"
    "INSERT INTO Alpha (Question, Answer) VALUES (NULL, NULL);\n"
    "INSERT INTO Alpha (Question, Answer) VALUES ('=1+1', 'Plain <ü> & more');\n";

QStringList texts(const QJsonArray &paragraphs)
{
    QStringList out;
    for (const auto &p : paragraphs)
        out << p.toObject().value(QStringLiteral("text")).toString();
    return out;
}

QJsonObject firstRun(const QJsonArray &paragraphs, int index)
{
    return paragraphs.at(index).toObject()["runs"].toArray().at(0).toObject();
}

QByteArray digest(const QString &file)
{
    return QCryptographicHash::hash(DbTestFiles::readAll(file), QCryptographicHash::Sha256);
}

} // namespace

class ConvertWindow : public QObject
{
    Q_OBJECT

private:
    TestSupport::TempDataRoot *m_root = nullptr;
    QString m_database;
    QString m_out;
    QStringList m_opened;
    bool m_openerResult = true;

    void prepare(FrmConvert &window, bool toWord, bool wholeTopic,
                 const QString &topic = QStringLiteral("Alpha"))
    {
        window.ToWord = toWord;
        window.DatabaseName = m_database;
        window.TopicName = topic;
        (wholeTopic ? window.OptConvAll : window.Option1)->setChecked(true);
        window.show();
    }

    QStringList outputFiles() const
    {
        return QDir(m_out).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private slots:
    void init()
    {
        m_root = new TestSupport::TempDataRoot;
        m_database = m_root->filePath(QStringLiteral("Notes.mdb"));
        DbTestFiles::createKnowledgeBase(m_database,
                                         {QStringLiteral("Alpha"), QStringLiteral("Empty")}, 0);
        QCOMPARE(DbTestFiles::sqlite(m_database, QString::fromUtf8(TopicRecords)).exitCode, 0);
        m_out = m_root->filePath(QStringLiteral("out"));
        QDir().mkpath(m_out);
        m_opened.clear();
        m_openerResult = true;
        FrmConvert::setDocumentOpener([this](const QString &file) {
            m_opened << file;
            return m_openerResult;
        });
    }

    void cleanup()
    {
        FrmConvert::setDocumentOpener({});
        delete m_root;
        m_root = nullptr;
    }

    void topicToWordKeepsOrderAndFormats()
    {
        ScriptedPrompter prompter;
        const QString file = QDir(m_out).filePath(QStringLiteral("alpha.docx"));
        prompter.answer(file);
        const QByteArray before = digest(m_database);
        FrmConvert window;
        prepare(window, true, true);
        window.CmdConv->click();
        QVERIFY(window.isConverting());
        QCOMPARE(window.CmdCancel->text(), QStringLiteral("Abort"));
        QVERIFY(!window.CmdConv->isEnabled());
        QTRY_VERIFY(!window.isConverting());
        QVERIFY(!window.isVisible());
        QCOMPARE(m_opened, QStringList({file}));
        QCOMPARE(window.PBConv->maximum(), 3);
        QCOMPARE(window.PBConv->value(), 3);
        QVERIFY(!db::DBEngine::isOpen(m_database));
        QCOMPARE(digest(m_database), before);

        const QJsonArray paragraphs = ConvertReaders::docxParagraphs(file);
        QStringList expected = {QString::fromUtf8("Question 1:  First & <one> café"), QString(),
                                QString::fromUtf8("Bold text été"), QStringLiteral("second line")};
        expected << QString() << QString() << QString() << QStringLiteral("Question 2:  ");
        expected << QString() << QString() << QString() << QString() << QString();
        expected << QStringLiteral("Question 3:  =1+1") << QString()
                 << QString::fromUtf8("Plain <ü> & more");
        expected << QString() << QString() << QString() << QString();
        QCOMPARE(texts(paragraphs), expected);
        QVERIFY(!firstRun(paragraphs, 0)["bold"].toBool());
        QVERIFY(firstRun(paragraphs, 2)["italic"].toBool());
        QVERIFY(!firstRun(paragraphs, 2)["bold"].toBool());
        QVERIFY(firstRun(paragraphs, 13)["bold"].toBool());
        QVERIFY(!firstRun(paragraphs, 13)["italic"].toBool());
    }

    void topicToExcelFillsFourRowsPerRecord()
    {
        ScriptedPrompter prompter;
        const QString file = QDir(m_out).filePath(QStringLiteral("alpha.xlsx"));
        prompter.answer(file);
        FrmConvert window;
        prepare(window, false, true);
        window.CmdConv->click();
        QTRY_VERIFY(!window.isConverting());
        QCOMPARE(m_opened, QStringList({file}));

        const QJsonObject sheet = ConvertReaders::xlsxSheet(file);
        const QJsonObject cells = sheet["cells"].toObject();
        QMap<QString, QString> values;
        for (auto it = cells.begin(); it != cells.end(); ++it)
            values.insert(it.key(), it.value().toObject()["value"].toString());
        const QMap<QString, QString> expected = {
            {QStringLiteral("A1"), QStringLiteral("Marlux : Alpha")},
            {QStringLiteral("A2"), QStringLiteral("Question 1")},
            {QStringLiteral("A3"), QString::fromUtf8("First & <one> café")},
            {QStringLiteral("A4"), QString::fromUtf8("Bold text été\nsecond line")},
            {QStringLiteral("A6"), QStringLiteral("Question 2")},
            {QStringLiteral("A10"), QStringLiteral("Question 3")},
            {QStringLiteral("A11"), QStringLiteral("=1+1")},
            {QStringLiteral("A12"), QString::fromUtf8("Plain <ü> & more")},
        };
        QCOMPARE(values, expected);
        QVERIFY(cells["A1"].toObject()["bold"].toBool());
        QCOMPARE(cells["A11"].toObject()["type"].toString(), QStringLiteral("s"));
        QVERIFY(sheet["widthA"].toDouble() >= 99 && sheet["widthA"].toDouble() < 100);
    }

    void currentRecordToWordAndExcel()
    {
        ScriptedPrompter prompter;
        const QString docx = QDir(m_out).filePath(QStringLiteral("record.docx"));
        const QString xlsx = QDir(m_out).filePath(QStringLiteral("record"));
        prompter.answer(docx);
        prompter.answer(xlsx); // the extension is added
        const QString question = QString::fromUtf8("Why < & > ß?");
        const QString answer = QString::fromUtf8("Because\r\nÆ & <b>");
        {
            FrmConvert window;
            prepare(window, true, false);
            window.QuestionText = question;
            window.AnswerText = answer;
            window.CmdConv->click();
            QVERIFY(!window.isVisible());
            const QJsonArray paragraphs = ConvertReaders::docxParagraphs(docx);
            QCOMPARE(texts(paragraphs), QStringList({question, QString(), QStringLiteral("Because"),
                                                     QString::fromUtf8("Æ & <b>")}));
            QVERIFY(!firstRun(paragraphs, 0)["bold"].toBool());
            QVERIFY(firstRun(paragraphs, 2)["bold"].toBool());
        }
        {
            FrmConvert window;
            prepare(window, false, false);
            window.QuestionText = question;
            window.AnswerText = answer;
            window.CmdConv->click();
            QCOMPARE(window.PBConv->value(), 100);
            const QJsonObject cells =
                ConvertReaders::xlsxSheet(xlsx + QStringLiteral(".xlsx"))["cells"].toObject();
            QCOMPARE(cells["A1"].toObject()["value"].toString(), QStringLiteral("Marlux : Alpha"));
            QCOMPARE(cells["A2"].toObject()["value"].toString(), question);
            QCOMPARE(cells["A3"].toObject()["value"].toString(),
                     QString::fromUtf8("Because\nÆ & <b>"));
        }
        QCOMPARE(m_opened, QStringList({docx, xlsx + QStringLiteral(".xlsx")}));

        // Started from the Data View, the record texts are empty: a document of blanks.
        FrmConvert window;
        prompter.answer(QDir(m_out).filePath(QStringLiteral("blank.docx")));
        prepare(window, true, false);
        window.CmdConv->click();
        QCOMPARE(texts(ConvertReaders::docxParagraphs(m_opened.last())),
                 QStringList({QString(), QString(), QString()}));
    }

    void cancelledSaveDialogWritesNothing()
    {
        ScriptedPrompter prompter;
        for (const bool wholeTopic : {true, false}) {
            for (const bool toWord : {true, false}) {
                prompter.cancel();
                FrmConvert window;
                prepare(window, toWord, wholeTopic);
                window.CmdConv->click();
                QVERIFY(!window.isConverting());
                QVERIFY(window.isVisible());
                QVERIFY(window.CmdConv->isEnabled());
                QCOMPARE(window.CmdCancel->text(), QStringLiteral("&Cancel"));
            }
        }
        QCOMPARE(prompter.calls().size(), 4);
        QVERIFY(outputFiles().isEmpty());
        QVERIFY(m_opened.isEmpty());
        QVERIFY(!db::DBEngine::isOpen(m_database));
    }

    void emptyTopicShowsItsMessageAndWritesNothing()
    {
        ScriptedPrompter prompter;
        for (const bool toWord : {true, false}) {
            FrmConvert window;
            prepare(window, toWord, true, QStringLiteral("Empty"));
            window.CmdConv->click();
            QVERIFY(!window.isVisible());
        }
        QCOMPARE(prompter.calls().size(), 2);
        QCOMPARE(prompter.calls().at(0).prompt,
                 QStringLiteral("Sorry, no records in current topic!"));
        QCOMPARE(prompter.calls().at(0).icon, 107);
        QCOMPARE(prompter.calls().at(0).title, QStringLiteral("Export Failed!"));
        QCOMPARE(prompter.calls().at(1).icon, 103);
        QCOMPARE(prompter.calls().at(1).title, QStringLiteral("Search Failed!"));
        QVERIFY(outputFiles().isEmpty());
        QVERIFY(m_opened.isEmpty());
    }

    void abortKeepsWhatWasConverted()
    {
        for (const QString &reply : {QStringLiteral("No"), QStringLiteral("Yes")}) {
            ScriptedPrompter prompter;
            const QString file = QDir(m_out).filePath(reply + QStringLiteral(".docx"));
            prompter.answer(file);
            prompter.answer(reply);
            FrmConvert window;
            prepare(window, true, true);
            connect(window.PBConv, &QProgressBar::valueChanged, &window, [&window](int value) {
                if (value == 1)
                    window.CmdCancel->click();
            });
            window.CmdConv->click();
            QTRY_VERIFY(!window.isConverting());
            QCOMPARE(prompter.calls().last().prompt,
                     QStringLiteral("Do you want abort the export process now?"));
            QCOMPARE(prompter.calls().last().title, QStringLiteral("ABORT"));
            QCOMPARE(m_opened.last(), file);
            const QStringList paragraphs = texts(ConvertReaders::docxParagraphs(file));
            QVERIFY(paragraphs.contains(QStringLiteral("Question 1:  First & <one> café")));
            QCOMPARE(paragraphs.contains(QStringLiteral("Question 3:  =1+1")),
                     reply == QLatin1String("No"));
            QCOMPARE(window.PBConv->value(), reply == QLatin1String("No") ? 3 : 1);
        }
    }

    void failuresAreReported()
    {
        ScriptedPrompter prompter;
        // A folder that does not exist: the error is shown and the window stays usable.
        prompter.answer(QDir(m_out).filePath(QStringLiteral("missing/a.xlsx")));
        FrmConvert window;
        prepare(window, false, true);
        window.CmdConv->click();
        QTRY_VERIFY(!window.isConverting());
        QCOMPARE(prompter.calls().last().title, QStringLiteral("ERROR"));
        QVERIFY(window.isVisible());
        QVERIFY(window.CmdConv->isEnabled());
        QVERIFY(m_opened.isEmpty());
        QVERIFY(outputFiles().isEmpty());

        // A topic that does not exist.
        FrmConvert missing;
        prepare(missing, true, true, QStringLiteral("Nope"));
        missing.CmdConv->click();
        QCOMPARE(prompter.calls().last().title, QStringLiteral("ERROR"));
        QVERIFY(missing.isVisible());

        // Never over the knowledge base itself.
        const QByteArray before = digest(m_database);
        prompter.answer(m_database);
        FrmConvert overDatabase;
        prepare(overDatabase, true, false);
        overDatabase.CmdConv->click();
        QCOMPARE(prompter.calls().last().title, QStringLiteral("ERROR"));
        QCOMPARE(digest(m_database), before);
        QVERIFY(overDatabase.isVisible());

        // Nothing opens the file: it is still written, and the user is told where.
        m_openerResult = false;
        const QString file = QDir(m_out).filePath(QStringLiteral("kept.docx"));
        prompter.answer(file);
        FrmConvert unopened;
        prepare(unopened, true, false);
        unopened.CmdConv->click();
        QVERIFY(QFile::exists(file));
        QCOMPARE(prompter.calls().last().title, QStringLiteral("FAILED"));
        QVERIFY(prompter.calls().last().prompt.contains(file));
    }
};

QTEST_MAIN(ConvertWindow)
#include "dbtools_convert_window.moc"
