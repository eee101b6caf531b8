// The document and workbook writers, read back by independent readers.

#include "convertreaders.h"
#include "dbtools/docxwriter.h"
#include "dbtools/xlsxwriterbook.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class ConvertWriters : public QObject
{
    Q_OBJECT

private slots:
    void documentKeepsTextFormatsAndParagraphs()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("notes.docx"));
        DocxWriter writer;
        writer.typeText(QStringLiteral("Question 1:  a & b < c > d \"q\""));
        writer.setItalic(true);
        writer.typeText(QStringLiteral("\r\n\r\n"));
        writer.typeText(QString::fromUtf8("café Grüße 中文 \xF0\x9F\x98\x80\tend\x01\x08"
                                          "\r\nsecond\rthird\nfourth"));
        writer.setBold(true);
        writer.setItalic(false);
        writer.typeText(QStringLiteral("\r\n\r\nQuestion 2:  "));
        QVERIFY2(writer.save(file), qPrintable(writer.error()));

        // The archive and every part are sound on their own.
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-tq"), file});
        QVERIFY(unzip.waitForFinished() && unzip.exitCode() == 0);
        for (const char *part : {"[Content_Types].xml", "_rels/.rels", "word/document.xml",
                                 "word/_rels/document.xml.rels", "word/styles.xml"}) {
            QProcess extract;
            extract.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file,
                                                    QString::fromLatin1(part).replace(
                                                        QLatin1Char('['), QLatin1String("\\["))});
            QVERIFY(extract.waitForFinished());
            const QByteArray xml = extract.readAllStandardOutput();
            QVERIFY2(!xml.isEmpty(), part);
            QProcess lint;
            lint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("-")});
            lint.write(xml);
            lint.closeWriteChannel();
            QVERIFY2(lint.waitForFinished() && lint.exitCode() == 0, part);
        }

        const QJsonArray paragraphs = ConvertReaders::docxParagraphs(file);
        QStringList texts;
        for (const auto &p : paragraphs)
            texts << p.toObject().value(QStringLiteral("text")).toString();
        QCOMPARE(texts, QStringList({QStringLiteral("Question 1:  a & b < c > d \"q\""), QString(),
                                     QString::fromUtf8("café Grüße 中文 \xF0\x9F\x98\x80\tend"),
                                     QStringLiteral("second"), QStringLiteral("third"),
                                     QStringLiteral("fourth"), QString(),
                                     QStringLiteral("Question 2:  ")}));
        const QJsonObject heading = paragraphs.at(0).toObject()["runs"].toArray().at(0).toObject();
        QCOMPARE(heading["bold"].toBool(), false);
        QCOMPARE(heading["italic"].toBool(), false);
        const QJsonObject answer = paragraphs.at(2).toObject()["runs"].toArray().at(0).toObject();
        QCOMPARE(answer["bold"].toBool(), false);
        QCOMPARE(answer["italic"].toBool(), true);
        const QJsonObject later = paragraphs.at(7).toObject()["runs"].toArray().at(0).toObject();
        QCOMPARE(later["bold"].toBool(), true);
        QCOMPARE(later["italic"].toBool(), false);
    }

    void documentReplacesFilesWholeAndReportsFailures()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("old.docx"));
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
        old.close();
        DocxWriter writer;
        writer.typeText(QStringLiteral("new"));
        QVERIFY(writer.save(file));
        QCOMPARE(ConvertReaders::docxParagraphs(file).at(0).toObject()["text"].toString(),
                 QStringLiteral("new"));

        const QString missing = dir.filePath(QStringLiteral("no/such/folder/x.docx"));
        QVERIFY(!writer.save(missing));
        QVERIFY(!writer.error().isEmpty());
        QVERIFY(!QFile::exists(missing));
    }

    void workbookStoresTextCells()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("book.xlsx"));
        const QString longText = QString(40000, QChar(u'é')) + QStringLiteral("tail");
        XlsxWriterBook book;
        book.setCell(1, 1, QStringLiteral("Title : T"), true);
        book.setCell(2, 1, QStringLiteral("=1+1"));
        book.setCell(3, 1, QString::fromUtf8("a & b <c> café\r\nnext\x02"));
        book.setCell(4, 1, QString());
        book.setCell(5, 1, longText);
        book.setColumnWidth(1, 99);
        QVERIFY2(book.save(file), qPrintable(book.error()));

        const QJsonObject sheet = ConvertReaders::xlsxSheet(file);
        const QJsonObject cells = sheet["cells"].toObject();
        QCOMPARE(cells["A1"].toObject()["value"].toString(), QStringLiteral("Title : T"));
        QVERIFY(cells["A1"].toObject()["bold"].toBool());
        QCOMPARE(cells["A2"].toObject()["value"].toString(), QStringLiteral("=1+1"));
        QCOMPARE(cells["A2"].toObject()["type"].toString(), QStringLiteral("s"));
        QVERIFY(!cells["A2"].toObject()["bold"].toBool());
        QCOMPARE(cells["A3"].toObject()["value"].toString(),
                 QString::fromUtf8("a & b <c> café\nnext"));
        QVERIFY(!cells.contains(QStringLiteral("A4")));
        // Text past a cell's limit continues to the right instead of being lost.
        QVERIFY(cells.contains(QStringLiteral("B5")));
        QCOMPARE(cells["A5"].toObject()["value"].toString() +
                     cells["B5"].toObject()["value"].toString() +
                     cells["C5"].toObject()["value"].toString(),
                 longText);
        const double width = sheet["widthA"].toDouble();
        QVERIFY2(width >= 99 && width < 100, qPrintable(QString::number(width)));
    }

    void workbookFailureLeavesNothing()
    {
        QTemporaryDir dir;
        XlsxWriterBook book;
        book.setCell(1, 1, QStringLiteral("x"));
        QVERIFY(!book.save(dir.filePath(QStringLiteral("missing/book.xlsx"))));
        QVERIFY(!book.error().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }
};

QTEST_GUILESS_MAIN(ConvertWriters)
#include "dbtools_convert_writers.moc"
