#pragma once

#include <QString>
#include <QtGlobal>

// Parts of the program that bring large libraries with them (audio, speech, archives, the web
// engine) live in modules beside the program and load on first use, so that starting the
// program does not pay for them.
namespace LazyModule {

// The function `symbol` of the module `name` (a file name without extension, e.g.
// "marlux_media"), loading the module the first time; nullptr with *error set when the module
// or the function is missing. A loaded module stays loaded.
QFunctionPointer resolve(const QString &name, const char *symbol, QString *error = nullptr);

template <typename Function>
Function function(const QString &name, const char *symbol, QString *error = nullptr)
{
    return reinterpret_cast<Function>(resolve(name, symbol, error));
}

} // namespace LazyModule
