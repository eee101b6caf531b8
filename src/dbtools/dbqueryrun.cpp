// The Data View's SQL box: statements typed by the user and stored queries.

#include "dbtools/dbqueryrecordmodel.h"
#include "dbtools/frmadvance.h"
#include "kb/frmmain.h"
#include "platform/base/apperror.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbrecordset.h"
#include "platform/prompt/prompter.h"
#include "shell/dialog.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWindow>

namespace {

// Only the space counts as a blank; line breaks and tabs stay.
QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

QString ordinalWord(int position)
{
    switch (position) {
    case 1:
        return QStringLiteral(" the first ");
    case 2:
        return QStringLiteral(" the second ");
    case 3:
        return QStringLiteral(" the third ");
    default:
        return QString::number(position) + QStringLiteral("th ");
    }
}

} // namespace

void FrmAdvance::TxtQuery_Change()
{
    CmdRunQuery->setEnabled(!TxtQuery->toPlainText().isEmpty());
}

// Ends a query run however its last step leaves: the busy window goes, and a close that
// came while the run was under way is carried out.
class FrmAdvance::Operation
{
public:
    explicit Operation(FrmAdvance &window) : m_window(window) {}
    ~Operation() { m_window.endQueryRun(); }
    Operation(const Operation &) = delete;
    Operation &operator=(const Operation &) = delete;

private:
    FrmAdvance &m_window;
};

void FrmAdvance::CmdRunQuery_Click()
{
    // A second click while the busy window is still coming up starts nothing.
    if (m_queryRunning || m_unloaded)
        return;
    m_queryRunning = true;
    m_closeGuard.begin();
    m_busy = new Dialog;
    m_busy->setWindowTitle(QStringLiteral("Process Query Executing...."));
    m_busy->setLabelCaption(QStringLiteral("Executing Query, Please Wait."));
    m_busy->PBI->hide();
    const QString sql = trimBlanks(TxtQuery->toPlainText());
    if (sql != TxtQuery->toPlainText())
        TxtQuery->setPlainText(sql);
    m_busy->Show();
    runOnceBusyWindowShows(sql, 0);
}

void FrmAdvance::runOnceBusyWindowShows(const QString &sql, int turns)
{
    // The engine blocks while it works, so the busy window must be on the screen first:
    // the event loop turns until the window system has shown (and so painted) it.
    constexpr int MostTurns = 20;
    QTimer::singleShot(turns == 0 ? 0 : 10, this, [this, sql, turns] {
        const QWindow *window = m_busy ? m_busy->windowHandle() : nullptr;
        if (window && !window->isExposed() && turns < MostTurns) {
            runOnceBusyWindowShows(sql, turns + 1);
            return;
        }
        runQuery(sql);
    });
}

void FrmAdvance::runQuery(const QString &sql)
{
    const Operation operation(*this);
    // Only a statement that starts with SELECT shows rows; any other one, also a SELECT
    // after a line break or a tab, runs as an action and the engine refuses what reads.
    if (sql.left(6).toUpper() == QLatin1String("SELECT")) {
        ShowQueryResult(sql);
        unloadBusyWindow();
        DBGridRecord->show();
        return;
    }
    DataNavi->setTag(DataNavi->DatabaseName());
    CloseViewDatabase();
    const int result = ExecuteActionQuery(sql);
    if (result == 1) {
        RebindAfterAction();
        Prompter::instance().messageBox(QStringLiteral("Query has been successfully executed!"),
                                        104, 4, QStringLiteral("SUCCEED"));
    } else {
        // The grid keeps showing what it showed before the failed statement.
        try {
            DataNavi->setDatabaseName(DataNavi->Tag().toString());
            DataNavi->Refresh();
        } catch (const AppException &) {
        }
    }
    unloadBusyWindow();
    if (m_main)
        DataTreeRefresh(m_main->DataTree);
    DBGridRecord->show();
}

void FrmAdvance::unloadBusyWindow()
{
    if (m_busy)
        m_busy->Unload();
    m_busy = nullptr;
}

void FrmAdvance::endQueryRun()
{
    unloadBusyWindow();
    m_queryRunning = false;
    m_closeGuard.end();
}

void FrmAdvance::ShowQueryResult(const QString &sql)
{
    const QString previousSource = DataNavi->RecordSource();
    const auto previous = DataNavi->recordset();
    DataNavi->setRecordSource(sql);
    try {
        DataNavi->Refresh();
    } catch (const AppException &error) {
        // The grid keeps the rows it had; the statement is the user's to mend.
        DataNavi->setRecordSource(previousSource);
        DataNavi->setRecordset(previous);
        Prompter::instance().messageBox(error.description(), 105, 4, QStringLiteral("FAILED"));
        TxtQuery->selectAll();
        return;
    }
    showingQuery(sql);
}

void FrmAdvance::CloseViewDatabase()
{
    DataNavi->close();
}

int FrmAdvance::ExecuteActionQuery(const QString &sql)
{
    try {
        const QString connect =
            password().isEmpty() ? QString() : QStringLiteral(";pwd=") + password();
        const auto database =
            db::DBEngine::OpenDatabase(DataNavi->Tag().toString(), true, false, connect);
        database->Execute(sql);
        database->Close();
        return 1;
    } catch (const AppException &error) {
        QString text = error.description();
        if (error.number() == db::ErrInsertSyntax)
            text = QStringLiteral("Incorrect query syntax!\r\n") + text;
        Prompter::instance().messageBox(text, 105, 4, QStringLiteral("FAILED"));
        TxtQuery->selectAll();
        return 0;
    }
}

void FrmAdvance::RebindAfterAction()
{
    try {
        const QString shown = ComboTable->currentText();
        FillTableCombo();
        // Keep showing the table that was chosen when it still exists.
        const int index = ComboTable->findText(shown, Qt::MatchExactly);
        if (index >= 0)
            ComboTable->setCurrentIndex(index);
        DataNavi->setDatabaseName(DataNavi->Tag().toString());
        DataNavi->setConnect(QStringLiteral(";pwd=") + password());
        DataNavi->setRecordSource(ComboTable->currentText());
        DataNavi->Refresh();
        showingTable();
    } catch (const AppException &error) {
        // For example a statement that dropped the table shown.
        bindGrid();
        Prompter::instance().messageBox(error.description(), 105, 4, QStringLiteral("FAILED"));
    }
    DBGridRecord->show();
}

QString FrmAdvance::parameterTypeName(int dataType)
{
    switch (dataType) {
    case db::dbText:
    case db::dbMemo:
        return QStringLiteral("String");
    case db::dbDate:
        return QStringLiteral("Date");
    case db::dbCurrency:
        return QStringLiteral("Currency");
    case db::dbInteger:
        return QStringLiteral("Integer");
    case db::dbLong:
        return QStringLiteral("Long");
    case db::dbSingle:
        return QStringLiteral("Single");
    case db::dbDouble:
        return QStringLiteral("Double");
    case db::dbBoolean:
        return QStringLiteral("Boolean");
    case db::dbByte:
        return QStringLiteral("Byte");
    default:
        return QStringLiteral("Variant");
    }
}

QVariant FrmAdvance::ConvertParameterValue(const QString &text, const QString &typeName)
{
    const QString value = text.trimmed();
    const QLocale locale;
    bool ok = false;
    if (typeName == QLatin1String("String"))
        return text;
    if (typeName == QLatin1String("Date")) {
        // The engine keeps dates as ISO text: the value is bound as a date, not pasted.
        for (const QString &format :
             {QStringLiteral("yyyy-MM-dd"), locale.dateFormat(QLocale::ShortFormat),
              QStringLiteral("d/M/yyyy"), QStringLiteral("M/d/yyyy"),
              locale.dateFormat(QLocale::LongFormat)}) {
            const QDate date = QDate::fromString(value, format);
            if (date.isValid())
                return date;
        }
        return {};
    }
    if (typeName == QLatin1String("Currency")) {
        const double amount = value.toDouble(&ok);
        if (!ok || std::abs(amount) > 922337203685477.0)
            return {};
        return double(qRound64(amount * 10000.0)) / 10000.0;
    }
    if (typeName == QLatin1String("Integer")) {
        const short number = value.toShort(&ok);
        return ok ? QVariant(int(number)) : QVariant();
    }
    if (typeName == QLatin1String("Long")) {
        const int number = value.toInt(&ok);
        return ok ? QVariant(number) : QVariant();
    }
    if (typeName == QLatin1String("Byte")) {
        const ushort number = value.toUShort(&ok);
        return ok && number <= 255 ? QVariant(int(number)) : QVariant();
    }
    if (typeName == QLatin1String("Single")) {
        const float number = value.toFloat(&ok);
        return ok ? QVariant(double(number)) : QVariant();
    }
    if (typeName == QLatin1String("Double")) {
        const double number = value.toDouble(&ok);
        return ok ? QVariant(number) : QVariant();
    }
    if (typeName == QLatin1String("Boolean")) {
        const QString word = value.toLower();
        if (word == QLatin1String("true") || word == QLatin1String("yes") || word == "-1" ||
            word == "1")
            return true;
        if (word == QLatin1String("false") || word == QLatin1String("no") || word == "0")
            return false;
        return {};
    }
    return {};
}

void FrmAdvance::SStabClicked(const QString &queryName)
{
    try {
        if (!DataNavi->database() || !DataNavi->database()->isOpen())
            DataNavi->Refresh();
        const auto database = DataNavi->database();
        if (!database)
            db::raise(db::ErrObjectInvalid);
        db::QueryDef query = database->queryDef(queryName);
        if (TxtQuery->toPlainText() == query.sql)
            return;
        TxtQuery->setPlainText(query.sql);
        const int count = int(query.parameters.size());
        if (count == 0) {
            DataNavi->setRecordSource(query.sql);
            DataNavi->Refresh();
            showingQuery(queryName);
            TxtQuery->setToolTip(QStringLiteral("You can change the query here are save it back."));
            return;
        }
        for (int i = 0; i < count; ++i) {
            db::Parameter &parameter = query.parameters[i];
            const QString type = parameterTypeName(parameter.type);
            QString prompt;
            QString title;
            if (count == 1) {
                title = QStringLiteral("Parameter required");
                prompt = QStringLiteral("This query need one parameter, please input here: ");
            } else {
                title = QStringLiteral("Parameter required.");
                prompt = QStringLiteral("This query need ") + QString::number(count) +
                         QStringLiteral("  parameters, please input") + ordinalWord(i + 1) +
                         QStringLiteral("here: ");
            }
            prompt += QStringLiteral("\r\nThe ") + parameter.name +
                      QStringLiteral("\r\nValue type required is: ") + type;
            // A cancelled prompt gives an empty text, converted like any typed one.
            const QString answer =
                Prompter::instance().inputText(prompt, title, QString()).value_or(QString());
            parameter.value = ConvertParameterValue(answer, type);
            if (!parameter.value.isValid()) {
                Prompter::instance().messageBox(QStringLiteral("\"") + answer +
                                                    QStringLiteral("\" is not a valid ") + type +
                                                    QStringLiteral(" value!"),
                                                105, 4, QStringLiteral("ERROR INPUT"));
                return;
            }
        }
        // Read once: the rows that are counted are the rows shown.
        const auto rows = database->openQuery(query, db::dbOpenSnapshot);
        if (rows->RecordCount() == 0) {
            Prompter::instance().messageBox(QStringLiteral("No record match!"), 106, 4,
                                            QStringLiteral("NO MATCH"));
            return;
        }
        DataNavi->setRecordset(rows);
        showingQuery(queryName);
    } catch (const AppException &error) {
        Prompter::instance().messageBox(QString::number(error.number()) + QStringLiteral("\r\n") +
                                            error.description(),
                                        103, 4, QStringLiteral("ERROR INPUT"));
    }
}
