#include "scriptedprompter.h"
#include "shell/frmcd.h"

#include <QApplication>
#include <QPrinter>
#include <QTest>

namespace {

// Also keeps what the file dialogs were handed.
class RecordingPrompter : public ScriptedPrompter
{
public:
    struct FileCall
    {
        QString start;
        QString filter;
    };
    QList<FileCall> fileCalls;

    std::optional<QString> openFileName(const QString &title, const QString &folder,
                                        const QString &filter) override
    {
        fileCalls.append({folder, filter});
        return ScriptedPrompter::openFileName(title, folder, filter);
    }
    std::optional<QString> saveFileName(const QString &title, const QString &fileName,
                                        const QString &filter,
                                        QString *chosenFilter = nullptr) override
    {
        fileCalls.append({fileName, filter});
        return ScriptedPrompter::saveFileName(title, fileName, filter, chosenFilter);
    }
};

} // namespace

class TestCommonDialog : public QObject
{
    Q_OBJECT

private slots:
    void hostLoadsWithoutShowingAWindow()
    {
        QVERIFY(!FrmCD::isLoaded());
        CommonDialog &cd = FrmCD::CD();
        QVERIFY(FrmCD::isLoaded());
        QCOMPARE(&FrmCD::CD(), &cd);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        FrmCD::Unload();
        QVERIFY(!FrmCD::isLoaded());
    }

    void cancelIsASilentCancel()
    {
        RecordingPrompter prompter;
        CommonDialog &cd = FrmCD::CD();
        prompter.cancel();
        QVERIFY(!cd.ShowOpen({QStringLiteral("Choose Zip File:"), {}, {}, {}}));
        QCOMPARE(cd.lastError().number, CommonDialog::CancelError);
        QCOMPARE(cd.lastError().number, 32755);

        prompter.answer(QStringLiteral("/tmp/a.zip"));
        QCOMPARE(cd.ShowOpen({QStringLiteral("Choose Zip File:"), {}, {}, {}}),
                 std::optional<QString>(QStringLiteral("/tmp/a.zip")));
        QVERIFY(!cd.lastError().isError());

        prompter.cancel();
        QVERIFY(!cd.ShowSave({QStringLiteral("Save Zip File From Database:"), {}, {}, {}}));
        QCOMPARE(cd.lastError().number, 32755);

        prompter.cancel();
        QVERIFY(!cd.ShowFont(QFont(), {}));
        QCOMPARE(cd.lastError().number, 32755);
        prompter.answer(QStringLiteral("DejaVu Serif"));
        QCOMPARE(cd.ShowFont(QFont(QStringLiteral("DejaVu Sans"), 11))->family(),
                 QStringLiteral("DejaVu Serif"));
        QVERIFY(!cd.lastError().isError());

        QPrinter printer;
        prompter.cancel();
        QVERIFY(!cd.ShowPrinter(&printer));
        QCOMPARE(cd.lastError().number, 32755);
        prompter.answer(QStringLiteral("ok"));
        QVERIFY(cd.ShowPrinter(&printer));
        QVERIFY(!cd.lastError().isError());

        const QStringList titles = {"Choose Zip File:",
                                    "Choose Zip File:",
                                    "Save Zip File From Database:",
                                    "",
                                    "",
                                    "Print",
                                    "Print"};
        QCOMPARE(prompter.calls().size(), titles.size());
        for (int i = 0; i < titles.size(); ++i)
            QCOMPARE(prompter.calls().at(i).title, titles.at(i));
        FrmCD::Unload();
    }

    void eachCallStartsFromItsOwnOptions()
    {
        RecordingPrompter prompter;
        CommonDialog &cd = FrmCD::CD();
        prompter.answer(QStringLiteral("/data/C.mdb"));
        cd.ShowOpen({QStringLiteral("Choose Database File:"),
                     QStringLiteral("/data"),
                     {},
                     QStringLiteral("Database|*.mdb")});
        prompter.answer(QStringLiteral("/tmp/answer.rtf"));
        cd.ShowSave({{}, {}, QStringLiteral("answer.rtf"), {}});
        QCOMPARE(prompter.fileCalls.size(), 2);
        QCOMPARE(prompter.fileCalls.at(0).start, QStringLiteral("/data"));
        QCOMPARE(prompter.fileCalls.at(0).filter, QStringLiteral("Database (*.mdb)"));
        // Nothing of the first dialog shows up in the second.
        QCOMPARE(prompter.fileCalls.at(1).start, QStringLiteral("answer.rtf"));
        QCOMPARE(prompter.fileCalls.at(1).filter, QString());
        QCOMPARE(prompter.calls().at(1).title, QString());
        FrmCD::Unload();
    }

    void saveReportsTheChosenTypeAndItsExtension()
    {
        ScriptedPrompter prompter;
        CommonDialog &cd = FrmCD::CD();
        const QString filter = QStringLiteral("Text File (*.txt)|*.txt|Rich Text File (*.rtf)|"
                                              "*.rtf|All|*.*");
        CommonDialogOptions options{QStringLiteral("Save"), {}, {}, filter};
        options.AddFilterExtension = true;
        const QList<std::tuple<QString, int, QString>> cases = {
            {QStringLiteral("/tmp/my.notes"), 2, QStringLiteral("/tmp/my.notes")},
            {QStringLiteral("/tmp/a.b/notes"), 2, QStringLiteral("/tmp/a.b/notes.rtf")},
            {QStringLiteral("/tmp/notes"), 3, QStringLiteral("/tmp/notes")}, // no one extension
        };
        for (const auto &[typed, index, saved] : cases) {
            prompter.answerSave(typed, index);
            QCOMPARE(cd.ShowSave(options), std::optional<QString>(saved));
            QCOMPARE(cd.FilterIndex(), index);
        }
        FrmCD::Unload();
    }

    void filterConversion_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("one") << "Zip Files|*.zip"
                             << "Zip Files (*.zip)";
        QTest::newRow("two") << "Text|*.txt|All Files|*.*"
                             << "Text (*.txt);;All Files (*.*)";
        QTest::newRow("several patterns") << "Pictures|*.bmp;*.jpg; *.gif"
                                          << "Pictures (*.bmp *.jpg *.gif)";
        QTest::newRow("own brackets") << "Rich Text (*.rtf)|*.rtf"
                                      << "Rich Text (*.rtf)";
        QTest::newRow("dangling description") << "Text|*.txt|Orphan"
                                              << "Text (*.txt)";
    }

    void filterConversion()
    {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(CommonDialog::toDialogFilter(filter), expected);
    }
};

QTEST_MAIN(TestCommonDialog)
#include "shell_smallwin_commondialog.moc"
