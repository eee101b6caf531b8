#include "platform/base/apppaths.h"

#include "platform/base/checkedwrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QStandardPaths>

namespace AppPaths {

QString applicationTitle()
{
    return QStringLiteral("Marlux");
}

QString shippedRoot()
{
    return QCoreApplication::applicationDirPath();
}

void seedDataRoot(const QString &root, const QString &shipped)
{
    if (root == shipped)
        return;
    QDir source(shipped);
    const QStringList folders = {QStringLiteral("Database"), QStringLiteral("DataLog")};
    for (const QString &folder : folders) {
        if (!source.exists(folder))
            continue;
        QDirIterator it(source.filePath(folder), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString to = root + QLatin1Char('/') + source.relativeFilePath(from);
            if (QFileInfo::exists(to))
                continue;
            QDir().mkpath(QFileInfo(to).absolutePath());
            // One whole-file write: a half-copied file would count as the user's own and
            // never be seeded again.
            copyWholeFile(from, to);
        }
    }
}

QString dataRoot()
{
    const QString overridden = qEnvironmentVariable("MARLUX_HOME");
    if (!overridden.isEmpty()) {
        const QString root = QDir::cleanPath(QDir(overridden).absolutePath());
        // A chosen root gets the shipped files it lacks, once per run, as the per-user one.
        static QMutex mutex;
        static QSet<QString> seeded;
        const QMutexLocker lock(&mutex);
        if (!seeded.contains(root)) {
            seeded.insert(root);
            QDir().mkpath(root);
            seedDataRoot(root, shippedRoot());
        }
        return root;
    }

    const QString exeDir = shippedRoot();
    if (QFileInfo(exeDir).isWritable())
        return exeDir;

    static const QString perUser = [] {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(dir);
        seedDataRoot(dir, shippedRoot());
        return dir;
    }();
    return perUser;
}

QString databaseFolder()
{
    return GetAppPath() + QStringLiteral("Database/");
}

} // namespace AppPaths

QString GetAppPath()
{
    QString path = AppPaths::dataRoot();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QString StripBackslash(const QString &text)
{
    QString path = text.trimmed();
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}
