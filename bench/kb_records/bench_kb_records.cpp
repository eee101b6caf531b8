// Times the main road on a large topic: opening it fills the question list, and a click
// shows a 10 KB answer with keyword colours.
#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "kb/kbstore.h"
#include "platform/prompt/prompter.h"
#include "platform/richtext/richtextbox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QToolBar>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Records = 50000;
constexpr int BigRecord = 25000; // 0-based position of the 10 KB answer

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

void fillTopic(const QString &path)
{
    sqlite3 *handle = nullptr;
    sqlite3_open(path.toUtf8().constData(), &handle);
    sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(handle, "INSERT INTO \"Big Topic\" (Question, Answer) VALUES (?, ?)", -1,
                       &insert, nullptr);
    const QByteArray big = bigAnswer().toUtf8();
    for (int i = 0; i < Records; ++i) {
        const QByteArray question =
            QStringLiteral("How does item %1 of the large topic work?").arg(i + 1).toUtf8();
        const QByteArray answer =
            i == BigRecord ? big
                           : QStringLiteral("{\\rtf1\\ansi Short answer %1 with int and return.}")
                                 .arg(i + 1)
                                 .toUtf8();
        sqlite3_bind_text(insert, 1, question.constData(), int(question.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, answer.constData(), int(answer.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(handle);
}

// Answers every question "No" without showing a window.
class SilentPrompter : public Prompter
{
public:
    QString messageBox(const QString &, int, int, const QString &) override
    {
        return QStringLiteral("No");
    }
    void plainMessage(const QString &, const QString &, PlainIcon) override {}
    QString plainQuestion(const QString &, const QString &, int) override
    {
        return QStringLiteral("No");
    }
    std::optional<QString> openFileName(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> saveFileName(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
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

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir root;
    qputenv("MARLUX_HOME", root.path().toUtf8());
    QApplication app(argc, argv);
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
    KbStore::createKnowledgeBase(file, {QStringLiteral("Big Topic"), QStringLiteral("Small")});
    QStringList keywords;
    for (const char *word : {"int", "for", "return", "static_cast", "long", "const", "auto",
                             "class", "struct", "void", "double", "char", "while", "if", "else"})
        keywords << QString::fromLatin1(word);
    KbStore::createKeywordDatabase(DatabaseFolder + QStringLiteral("C Keywords.mdb"), keywords);
    fillTopic(file);

    for (QAction *button : main.DBToolbar->actions())
        if (button->objectName() == QLatin1String("C++"))
            button->trigger();
    auto *form = qobject_cast<FrmRecord *>(main.RecordForms[5].data());
    if (!form) {
        std::fprintf(stderr, "record window did not open\n");
        return 1;
    }

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
