// Times the main road on a large topic (answers of 2 to 4 KB): opening it fills the question
// list, and a click shows a 10 KB answer with keyword colours; then the two lists and 1,000
// random records through the data engine, beside the sqlite3 tool's queries on the same file. Then
// a zip attachment of 10 and 50 MB added to a record and exported again (--zip alone), and typing
// in a 500,000-line answer (--typing alone).
#include "editor/frmrecord.h"
#include "editor/snapshotundo.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "kb/kbstore.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dbrecordset.h"
#include "platform/prompt/prompter.h"
#include "platform/richtext/richtextbox.h"
#ifdef MARLUX_OWN_TEXT_LAYOUT
#include "platform/richtext/richtextlayout.h"
#endif
#include "sqlitecli.h"
#include "zipfiles.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Records = 50000;
constexpr int BigRecord = 25000; // 0-based position of the 10 KB answer
constexpr int LongAnswerLines = 500000;

QString bigAnswer()
{
    QString body;
    int line = 0;
    while (body.size() < 10 * 1024) {
        body += QStringLiteral("    for (int i = 0; i < count; ++i) \\{ total += value[i]; \\} "
                               "// line %1 \\par\n  return static_cast<long>(total); "
                               "'note on the sum \\par\n")
                    .arg(++line);
    }
    return QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}}\\pard\\f0 ") + body +
           QStringLiteral("}");
}

// An answer of the size the knowledge bases hold: 2 to 4 KB of RTF.
QByteArray realAnswer(int n, QRandomGenerator &random)
{
    const int size = 2048 + int(random.bounded(2049));
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\pard\\f0 Answer " +
                     QByteArray::number(n) + ": ";
    while (rtf.size() < size - 1)
        rtf += "Keep the int count in a local and return it once the loop ends. \\par ";
    rtf.truncate(size - 1);
    return rtf + "}";
}

void fillTopic(const QString &path)
{
    sqlite3 *handle = nullptr;
    sqlite3_open(path.toUtf8().constData(), &handle);
    sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(handle, "INSERT INTO \"Big Topic\" (Question, Answer) VALUES (?, ?)", -1,
                       &insert, nullptr);
    const QByteArray big = bigAnswer().toUtf8();
    QRandomGenerator random(20240611);
    for (int i = 0; i < Records; ++i) {
        const QByteArray question =
            QStringLiteral("How does item %1 of the large topic work?").arg(i + 1).toUtf8();
        const QByteArray answer = i == BigRecord ? big : realAnswer(i + 1, random);
        sqlite3_bind_text(insert, 1, question.constData(), int(question.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, answer.constData(), int(answer.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(handle);
}

// Answers every question "No" (or `answer`) and the file dialogs with the names set, without
// showing a window.
class SilentPrompter : public Prompter
{
public:
    QString answer = QStringLiteral("No");
    std::optional<QString> openName;
    std::optional<QString> saveName;

    QString messageBox(const QString &, int, int, const QString &) override { return answer; }
    void plainMessage(const QString &, const QString &, PlainIcon) override {}
    QString plainQuestion(const QString &, const QString &, int) override
    {
        return QStringLiteral("No");
    }
    std::optional<QString> openFileName(const QString &, const QString &, const QString &) override
    {
        return openName;
    }
    std::optional<QString> saveFileName(const QString &, const QString &, const QString &,
                                        QString * = nullptr) override
    {
        return saveName;
    }
    std::optional<QString> folderName(const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QFont> font(const QFont &, const QString &) override { return std::nullopt; }
    bool printSetup(QPrinter *, const QString &) override { return false; }
    std::optional<QString> inputText(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> password(const QString &, const QString &) override
    {
        return std::nullopt;
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int mainRoad(FrmMain &main, FrmRecord *form)
{
    std::vector<double> opens;
    std::vector<double> clicks;
    for (int round = 0; round < 5; ++round) {
        const int small = int(main.ComboTable->findText(QStringLiteral("Small")));
        main.ComboTable->setCurrentIndex(small);
        emit main.ComboTable->activated(small);
        const int big = int(main.ComboTable->findText(QStringLiteral("Big Topic")));
        main.ComboTable->setCurrentIndex(big);
        QElapsedTimer timer;
        timer.start();
        emit main.ComboTable->activated(big);
        QCoreApplication::processEvents();
        opens.push_back(timer.nsecsElapsed() / 1e6);
        if (main.ListRecords->count() != Records) {
            std::fprintf(stderr, "list holds %d items\n", main.ListRecords->count());
            return 1;
        }

        main.ListRecords->setCurrentRow(BigRecord - 1);
        QCoreApplication::processEvents();
        timer.restart();
        main.ListRecords->setCurrentRow(BigRecord);
        QCoreApplication::processEvents();
        clicks.push_back(timer.nsecsElapsed() / 1e6);
        if (form->RTBAnswer->text().size() < 9 * 1024) {
            std::fprintf(stderr, "the large answer was not shown\n");
            return 1;
        }
    }

    std::printf("kb_records: %d-record topic, 5 rounds (median, worst)\n", Records);
    std::printf("  open topic and fill the question list: %.1f ms, %.1f ms (aim <= 300 ms)\n",
                median(opens), *std::max_element(opens.begin(), opens.end()));
    std::printf("  click to the 10 KB record (%lld characters): %.1f ms, %.1f ms (aim <= 50 ms)\n",
                static_cast<long long>(form->RTBAnswer->text().size()), median(clicks),
                *std::max_element(clicks.begin(), clicks.end()));
    return 0;
}

// The recordset's key list, the question list and 1,000 random records, each beside the
// sqlite3 tool's query of the same rows in the same order on the same file.
int recordLists(const QString &file)
{
    const QString topic = QStringLiteral("\"Big Topic\"");
    std::vector<double> keyLists, questionLists, fetches;
    QRandomGenerator random(7);
    QList<qint64> positions;
    for (int i = 0; i < 1000; ++i)
        positions << random.bounded(qint64(Records));
    QVector<qint64> keys;
    for (int round = 0; round < 5; ++round) {
        const auto database = db::DBEngine::OpenDatabase(file);
        QElapsedTimer timer;
        timer.start();
        const auto rs = database->OpenRecordset(QStringLiteral("Big Topic"));
        keyLists.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        const QVariantList questions = rs->columnValues(QStringLiteral("Question"));
        questionLists.push_back(timer.nsecsElapsed() / 1e6);
        if (questions.size() != Records) {
            std::fprintf(stderr, "the question list holds %lld items\n",
                         static_cast<long long>(questions.size()));
            return 1;
        }
        keys = rs->keys();
        timer.restart();
        const auto opened = database->OpenRecordset(QStringLiteral("Big Topic"));
        qint64 characters = 0;
        for (const qint64 position : positions) {
            opened->setAbsolutePosition(position);
            characters += opened->value(QStringLiteral("Question")).toString().size() +
                          opened->value(QStringLiteral("Answer")).toString().size();
        }
        fetches.push_back(timer.nsecsElapsed() / 1e6);
        if (characters < 2000 * 1000)
            return 1;
    }
    std::vector<double> cliKeys, cliQuestions, cliIndex, cliFetches;
    QString script;
    for (const qint64 position : positions)
        script += QStringLiteral("SELECT ID, Question, Answer FROM %1 WHERE ID=%2;\n")
                      .arg(topic)
                      .arg(keys[position]);
    for (int round = 0; round < 5; ++round) {
        cliKeys.push_back(1000 *
                          BenchSupport::sqliteCliSeconds(
                              file, QStringLiteral("SELECT ID FROM %1 ORDER BY ID;\n").arg(topic)));
        cliQuestions.push_back(
            1000 * BenchSupport::sqliteCliSeconds(
                       file, QStringLiteral("SELECT Question FROM %1 ORDER BY ID;\n").arg(topic)));
        cliIndex.push_back(1000 *
                           BenchSupport::sqliteCliSeconds(
                               file, QStringLiteral("SELECT ID, Question FROM %1;\n").arg(topic)));
        cliFetches.push_back(1000 * BenchSupport::sqliteCliSeconds(file, script));
    }
    const auto line = [](const char *what, double ours, double theirs) {
        std::printf("  %-52s %8.1f ms %8.1f ms  %.2fx\n", what, ours, theirs, ours / theirs);
    };
    std::printf("record lists, engine beside the sqlite3 tool on the same file (medians of 5)\n");
    line("key list (tool: SELECT ID ... ORDER BY ID)", median(keyLists), median(cliKeys));
    line("question list (tool: SELECT Question ... ORDER BY ID)", median(questionLists),
         median(cliQuestions));
    line("1,000 random records with the key list (tool: by ID)", median(fetches),
         median(cliFetches));
    std::printf("  the tool's unordered SELECT ID, Question (its index scan): %.1f ms\n",
                median(cliIndex));
    return 0;
}

void chooseTopic(FrmMain &main, const QString &topic)
{
    const int index = int(main.ComboTable->findText(topic));
    main.ComboTable->setCurrentIndex(index);
    emit main.ComboTable->activated(index);
    QCoreApplication::processEvents();
}

// Adds a zip to a new record of the zipped topic, saves it, and exports it again.
int zipAttachments(FrmMain &main, FrmRecord *form, SilentPrompter &prompter)
{
    chooseTopic(main, KbStore::ZippedTopic);
    QTemporaryDir dir;
    std::printf("zip attachments: add to a new record (file to field), save, export (field to "
                "file)\n");
    for (const int megabytes : {10, 50}) {
        const QByteArray zip = TestSupport::storedZip(qint64(megabytes) * 1024 * 1024);
        const QString source = dir.filePath(QStringLiteral("in%1.zip").arg(megabytes));
        const QString target = dir.filePath(QStringLiteral("out%1.zip").arg(megabytes));
        QFile in(source);
        if (!in.open(QIODevice::WriteOnly) || in.write(zip) != zip.size())
            return 1;
        in.close();
        prompter.answer = QStringLiteral("Ok");
        prompter.openName = source;
        QElapsedTimer timer;
        timer.start();
        form->AddRec();
        const double add = timer.nsecsElapsed() / 1e6;
        form->RTBQuestion->setPlainText(QStringLiteral("Archive of %1 MB").arg(megabytes));
        timer.restart();
        form->SaveChange();
        const double save = timer.nsecsElapsed() / 1e6;
        prompter.saveName = target;
        timer.restart();
        form->CmdZip->click();
        const double exported = timer.nsecsElapsed() / 1e6;
        QFile out(target);
        if (!out.open(QIODevice::ReadOnly) || out.readAll() != zip) {
            std::fprintf(stderr, "the exported zip differs from the one added\n");
            return 1;
        }
        std::printf("  %2d MB: add %7.1f ms, save %7.1f ms, export %7.1f ms (aim: export <= "
                    "add)\n",
                    megabytes, add, save, exported);
    }
    prompter.answer = QStringLiteral("No");
    prompter.openName.reset();
    prompter.saveName.reset();
    return 0;
}

QByteArray longAnswer(int lines)
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    for (int i = 0; i < lines; ++i)
        rtf += "\\pard line number " + QByteArray::number(i) + " of text\\par\r\n";
    return rtf + "}";
}

void sendKey(QWidget *box, Qt::Key key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &release);
}

// Opens a 500,000-line answer, edits it and types into it as a user does: a key, the event
// loop, the next key.
int typingInALongAnswer(FrmMain &main, FrmRecord *form)
{
    chooseTopic(main, QStringLiteral("Small"));
    main.ListRecords->setCurrentRow(0);
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    chooseTopic(main, QStringLiteral("Long Answer"));
    main.ListRecords->setCurrentRow(0);
    QCoreApplication::processEvents();
    const double open = timer.nsecsElapsed() / 1e6;
    if (form->RTBAnswer->document()->blockCount() < LongAnswerLines) {
        std::fprintf(stderr, "the long answer was not shown\n");
        return 1;
    }
    const auto hourglass = [] {
        return QApplication::overrideCursor() &&
               QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };
    const bool hourglassWhileLayingOut = hourglass() && !form->RTBAnswer->isLaidOut();
    // The event loop lays the rest out in steps: the longest wait until the box is ready.
    const auto untilLaidOut = [&] {
        qint64 last = timer.elapsed(), worst = 0;
        QEventLoop loop;
        QTimer tick;
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = timer.elapsed();
            worst = std::max(worst, now - last);
            last = now;
            if (form->RTBAnswer->isLaidOut() || now > 60000)
                loop.quit();
        });
        tick.start();
        loop.exec();
        return worst;
    };
    const qint64 worst = untilLaidOut();
    const double ready = timer.nsecsElapsed() / 1e6;
    const bool hourglassAfter = hourglass();
    // Editing widens the box (the left panel goes): the whole answer is laid out again.
    timer.restart();
    form->EditRec();
    QCoreApplication::processEvents();
    const bool hourglassWhileWidening = hourglass() && !form->RTBAnswer->isLaidOut();
    const qint64 worstWidening = untilLaidOut();
    const double widened = timer.nsecsElapsed() / 1e6;
    const bool hourglassAfterWidening = hourglass();
    RichTextBox *box = form->RTBAnswer;
    box->setFocus();
    box->setSelStart(box->textLength() / 2);
    QCoreApplication::processEvents();

    // How many keys were laid out in their own paragraph and how many by the whole layout.
    const auto layouts = [box]() -> std::pair<int, int> {
#ifdef MARLUX_OWN_TEXT_LAYOUT
        if (const auto *layout = qobject_cast<RichTextLayout *>(box->document()->documentLayout()))
            return {layout->ownLayouts(), layout->fullLayouts()};
#endif
        return {0, 0};
    };
    const auto before = layouts();
    std::vector<double> keys;
    const QString typed = QStringLiteral("typing in the middle ");
    for (const QChar c : typed) {
        timer.restart();
        sendKey(box, Qt::Key(c.toUpper().unicode()), QString(c));
        QCoreApplication::processEvents();
        keys.push_back(timer.nsecsElapsed() / 1e6);
    }
    const int ownKeys = layouts().first - before.first;
    const int fullKeys = layouts().second - before.second;
    timer.restart();
    sendKey(box, Qt::Key_Backspace, QString());
    QCoreApplication::processEvents();
    keys.push_back(timer.nsecsElapsed() / 1e6);
    // A new line moves every line after it.
    timer.restart();
    sendKey(box, Qt::Key_Return, QStringLiteral("\r"));
    QCoreApplication::processEvents();
    const double newLine = timer.nsecsElapsed() / 1e6;
    timer.restart();
    sendKey(box, Qt::Key_Backspace, QString());
    QCoreApplication::processEvents();
    const double joinLines = timer.nsecsElapsed() / 1e6;
    // The pause after typing, in which the history takes its snapshot.
    timer.restart();
    double pauseWork = 0;
    {
        QEventLoop loop;
        QTimer::singleShot(1500, &loop, &QEventLoop::quit);
        QTimer tick;
        tick.setInterval(1);
        qint64 previous = timer.nsecsElapsed();
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = timer.nsecsElapsed();
            pauseWork = std::max(pauseWork, (now - previous) / 1e6);
            previous = now;
        });
        tick.start();
        loop.exec();
    }
    const bool snapshot = form->undoHistory()->canUndo();
    form->Undo();
    const bool undone = !box->text().contains(QStringLiteral("typing in the middl"));
    form->CancelChange(true);

    std::printf("long answer: %d lines (%lld characters)\n", LongAnswerLines,
                static_cast<long long>(box->textLength()));
    std::printf("  open: answer on screen after %.1f ms, laid out (box ready) after %.1f ms; "
                "longest event-loop wait meanwhile %lld ms; hourglass while laying out: %s, "
                "after: %s\n",
                open, ready, static_cast<long long>(worst), hourglassWhileLayingOut ? "yes" : "no",
                hourglassAfter ? "yes" : "no");
    std::printf("  edit (the box widens): laid out again after %.1f ms; longest event-loop wait "
                "%lld ms; hourglass meanwhile: %s, after: %s\n",
                widened, static_cast<long long>(worstWidening),
                hourglassWhileWidening ? "yes" : "no", hourglassAfterWidening ? "yes" : "no");
    std::printf("  a key while editing: median %.1f ms, worst %.1f ms over %zu keys (aim <= 30 "
                "ms)\n",
                median(keys), *std::max_element(keys.begin(), keys.end()), keys.size());
    std::printf("  keys laid out in their own paragraph: %d, by the whole layout: %d\n", ownKeys,
                fullKeys);
    std::printf("  Enter (a new line): %.1f ms; Backspace joining two lines: %.1f ms\n", newLine,
                joinLines);
    std::printf("  the pause after typing: longest event-loop wait %.1f ms; undo %s the typing\n",
                pauseWork, snapshot && undone ? "removes" : "DOES NOT remove");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir root;
    qputenv("MARLUX_HOME", root.path().toUtf8());
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const QStringList arguments = app.arguments();
    const bool onlyZip = arguments.contains(QStringLiteral("--zip"));
    const bool onlyTyping = arguments.contains(QStringLiteral("--typing"));
    SilentPrompter prompter;
    Prompter::setInstance(&prompter);
    QDir().mkpath(root.path() + QStringLiteral("/Database"));

    FrmMain::setRecordWindowFactory([](FrmMain *main, bool searchMode) -> QWidget * {
        return new FrmRecord(main, searchMode);
    });
    FrmMain main;
    main.MDIForm_Load();
    main.resize(1280, 900);
    main.show();

    const QString file = DatabaseFolder + QStringLiteral("C++.mdb");
    KbStore::createKnowledgeBase(file, {QStringLiteral("Big Topic"), QStringLiteral("Small"),
                                        QStringLiteral("Long Answer"), KbStore::ZippedTopic});
    QStringList keywords;
    for (const char *word : {"int", "for", "return", "static_cast", "long", "const", "auto",
                             "class", "struct", "void", "double", "char", "while", "if", "else"})
        keywords << QString::fromLatin1(word);
    KbStore::createKeywordDatabase(DatabaseFolder + QStringLiteral("C Keywords.mdb"), keywords);
    if (!onlyZip && !onlyTyping)
        fillTopic(file);
    if (!onlyZip) {
        sqlite3 *handle = nullptr;
        sqlite3_open(file.toUtf8().constData(), &handle);
        sqlite3_exec(handle,
                     "INSERT INTO \"Small\" (Question, Answer) VALUES ('A short one', 'Short.')",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(handle,
                           "INSERT INTO \"Long Answer\" (Question, Answer) VALUES ('Long', ?)", -1,
                           &insert, nullptr);
        const QByteArray answer = longAnswer(LongAnswerLines);
        sqlite3_bind_text(insert, 1, answer.constData(), int(answer.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_finalize(insert);
        sqlite3_close(handle);
    }

    for (QAction *button : main.DBToolbar->actions())
        if (button->objectName() == QLatin1String("C++"))
            button->trigger();
    auto *form = qobject_cast<FrmRecord *>(main.RecordForms[5].data());
    if (!form) {
        std::fprintf(stderr, "record window did not open\n");
        return 1;
    }
    if (!onlyZip && !onlyTyping && (mainRoad(main, form) != 0 || recordLists(file) != 0))
        return 1;
    if (!onlyTyping && zipAttachments(main, form, prompter) != 0)
        return 1;
    if (!onlyZip && typingInALongAnswer(main, form) != 0)
        return 1;
    return 0;
}
