#include "sqlitecli.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

namespace BenchSupport {

double sqliteCliSeconds(const QString &file, const QString &script, qint64 *wallMs)
{
    QProcess process;
    QElapsedTimer wall;
    wall.start();
    process.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), file});
    process.waitForStarted();
    process.write(QByteArrayLiteral(".output /dev/null\n.timer on\n") + script.toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(-1);
    if (wallMs)
        *wallMs = wall.elapsed();
    static const QRegularExpression real(QStringLiteral("Run Time: real ([0-9.]+)"));
    double total = 0;
    auto it = real.globalMatch(
        QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError()));
    while (it.hasNext())
        total += it.next().captured(1).toDouble();
    return total;
}

} // namespace BenchSupport
