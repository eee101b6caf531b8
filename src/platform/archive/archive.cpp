#include "platform/archive/archive.h"

#include "platform/base/lazymodule.h"

namespace Archive {

namespace {

const QString ModuleName = QStringLiteral("marlux_archive");

template <typename Function> Function moduleFunction(const char *symbol, QString *error)
{
    QString why;
    const auto function = LazyModule::function<Function>(ModuleName, symbol, &why);
    if (!function && error)
        *error = QStringLiteral("The archive module could not be loaded: %1").arg(why);
    return function;
}

} // namespace

QByteArray zip(const QList<Entry> &entries, QString *error)
{
    QByteArray out;
    const auto build = moduleFunction<ArchiveZipFunction>("marluxArchiveZip", error);
    if (!build || !build(&entries, &out, error))
        return {};
    return out;
}

bool isZip(const QByteArray &data)
{
    const auto check = moduleFunction<ArchiveIsZipFunction>("marluxArchiveIsZip", nullptr);
    return check && check(&data);
}

bool writeWorkbook(const QByteArray &fileName, const QList<QPair<int, double>> &columnWidths,
                   const QList<Cell> &cells, QString *error)
{
    const auto write = moduleFunction<ArchiveWorkbookFunction>("marluxArchiveWorkbook", error);
    return write && write(&fileName, &columnWidths, &cells, error);
}

} // namespace Archive
