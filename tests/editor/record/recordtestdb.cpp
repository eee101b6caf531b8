#include "recordtestdb.h"

#include "editor/frmrecord.h"
#include "kb/frmmain.h"

#include <QComboBox>
#include <QFile>
#include <QToolBar>
#include <QVariant>

#include <sqlite3.h>

#include <stdexcept>

namespace RecordTestDb {

namespace {

sqlite3 *openFile(const QString &path)
{
    sqlite3 *handle = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &handle,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open test database");
    return handle;
}

void exec(sqlite3 *handle, const QString &sql, const QStringList &values = {})
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(handle));
    for (int i = 0; i < values.size(); ++i) {
        const QByteArray bytes = values.at(i).toUtf8();
        sqlite3_bind_text(statement, i + 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    const int result = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (result != SQLITE_DONE && result != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(handle));
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

void create(const QString &path, const QList<Topic> &topics)
{
    QFile::remove(path);
    sqlite3 *handle = openFile(path);
    exec(handle, QStringLiteral("BEGIN"));
    for (const Topic &topic : topics) {
        const QString questionDefault = topic.questionDefault.isEmpty()
                                            ? QString()
                                            : QStringLiteral(" DEFAULT ") + topic.questionDefault;
        const QString answerDefault = topic.answerDefault.isEmpty()
                                          ? QString()
                                          : QStringLiteral(" DEFAULT ") + topic.answerDefault;
        exec(handle, QStringLiteral("CREATE TABLE %1 (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                    "Question LONGTEXT%2, Answer LONGTEXT%3%4)")
                         .arg(quoted(topic.name), questionDefault, answerDefault,
                              topic.name == QLatin1String("Zipped Examples")
                                  ? QStringLiteral(", Ziped LONGBLOB")
                                  : QString()));
        exec(handle,
             QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (Question)")
                 .arg(quoted(topic.name + QStringLiteral("_Question")), quoted(topic.name)));
        for (const auto &record : topic.records)
            exec(handle,
                 QStringLiteral("INSERT INTO %1 (Question, Answer) VALUES (?, ?)")
                     .arg(quoted(topic.name)),
                 {record.first, record.second});
    }
    exec(handle, QStringLiteral("COMMIT"));
    sqlite3_close(handle);
}

void createKeywordList(const QString &path, const QStringList &keywords)
{
    QFile::remove(path);
    sqlite3 *handle = openFile(path);
    exec(handle,
         QStringLiteral("CREATE TABLE Reserved (ID INTEGER PRIMARY KEY, Keyword VARCHAR(50))"));
    for (const QString &keyword : keywords)
        exec(handle, QStringLiteral("INSERT INTO Reserved (Keyword) VALUES (?)"), {keyword});
    sqlite3_close(handle);
}

QStringList query(const QString &path, const QString &sql)
{
    sqlite3 *handle = openFile(path);
    sqlite3_stmt *statement = nullptr;
    QStringList rows;
    if (sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &statement, nullptr) ==
        SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            if (sqlite3_column_type(statement, 0) == SQLITE_NULL)
                rows.append(QStringLiteral("<null>"));
            else
                rows.append(QString::fromUtf8(
                    reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))));
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(handle);
    return rows;
}

QList<QByteArray> answerBytes(const QString &path, const QString &topic)
{
    sqlite3 *handle = openFile(path);
    sqlite3_stmt *statement = nullptr;
    QList<QByteArray> rows;
    const QByteArray sql = QStringLiteral("SELECT CAST(Answer AS BLOB) FROM %1 ORDER BY ID")
                               .arg(quoted(topic))
                               .toUtf8();
    if (sqlite3_prepare_v2(handle, sql.constData(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows.append(QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, 0)),
                                   sqlite3_column_bytes(statement, 0)));
    }
    sqlite3_finalize(statement);
    sqlite3_close(handle);
    return rows;
}

FrmMain *newMainWindow()
{
    FrmMain::setRecordWindowFactory([](FrmMain *main, bool searchMode) -> QWidget * {
        return new FrmRecord(main, searchMode);
    });
    auto *main = new FrmMain;
    main->MDIForm_Load();
    main->resize(1200, 800);
    main->show();
    return main;
}

void pressDatabaseButton(FrmMain *main, const QString &key)
{
    const QList<QAction *> buttons = main->DBToolbar->actions();
    for (QAction *button : buttons)
        if (button->objectName() == key)
            button->trigger();
}

void chooseTopic(FrmMain *main, const QString &topic)
{
    QComboBox *combo = main->ComboTable;
    const int index = int(combo->findText(topic));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace RecordTestDb
