#include "lazymodule.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QLibrary>
#include <QMutex>

namespace LazyModule {

QFunctionPointer resolve(const QString &name, const char *symbol, QString *error)
{
    static QMutex mutex;
    static QHash<QString, QLibrary *> modules;
    QMutexLocker lock(&mutex);
    QLibrary *&module = modules[name];
    if (!module)
        module = new QLibrary;
    if (!module->isLoaded()) {
        // Beside the program; programs built elsewhere in the tree (tests, benchmarks) find
        // the modules in the build's own program folder.
        QStringList folders;
        if (QCoreApplication::instance())
            folders << QCoreApplication::applicationDirPath();
#ifdef MARLUX_MODULE_DIR
        folders << QStringLiteral(MARLUX_MODULE_DIR);
#endif
        for (const QString &folder : std::as_const(folders)) {
            module->setFileName(QDir(folder).filePath(name));
            if (module->load())
                break;
        }
    }
    const QFunctionPointer function = module->isLoaded() ? module->resolve(symbol) : nullptr;
    if (!function && error)
        *error = module->errorString();
    return function;
}

} // namespace LazyModule
