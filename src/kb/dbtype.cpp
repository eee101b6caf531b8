#include "kb/dbtype.h"

#include "kb/dataviewlink.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/prompt/prompter.h"

std::optional<QString> DBType::connectString(long kind)
{
    switch (kind) {
    case 1:
        return QStringLiteral("Access 2000;");
    case 2:
        return QStringLiteral("Excel 8.0;");
    case 3:
        return QStringLiteral("FoxPro 3.0;");
    case 4:
        return QStringLiteral("Text;");
    case 5:
        return QStringLiteral("HTML import;");
    case 6:
        return QStringLiteral("Lotus wk4;");
    case 7:
        return QStringLiteral("dBASE 5.0;");
    case 8:
        return QStringLiteral("Paradox 5.x;");
    default:
        return std::nullopt;
    }
}

void DBType::ConnectionType(DataViewLink *dataView, const QString &path, long kind)
{
    if (!dataView)
        return;
    dataView->setDatabaseName(path);
    db::DataControl *dataControl = dataView->dataControl();
    if (!dataControl)
        return;
    if (kind == 9) {
        const std::optional<QString> typed =
            Prompter::instance().inputText(QStringLiteral("Please specify the Connection type: "),
                                           QStringLiteral("Connect type needed"), QString());
        dataControl->setConnect(typed.value_or(QString()));
    } else if (const std::optional<QString> connect = connectString(kind)) {
        dataControl->setConnect(*connect);
    }
}
