#pragma once

#include "platform/base/apperror.h"

#include <QFont>
#include <QString>

#include <optional>

class QPrinter;

// What one open or save dialog shows. Every call starts from its own options, so a
// title, filter or name one caller set never shows up in another caller's dialog.
struct CommonDialogOptions
{
    QString DialogTitle;
    QString InitDir;
    QString FileName;
    // "Description|pattern[;pattern]|Description|pattern..."
    QString Filter;
    // False when the caller asks about an existing file itself.
    bool ConfirmOverwrite = true;
    // A saved name without an extension gets the one of the file type chosen.
    bool AddFilterExtension = false;
};

// The program's common dialogs: open, save, font and printer. Each goes through the
// Prompter. A cancelled dialog returns nothing (false for the printer) and leaves error
// 32755 in lastError(), which callers take as a silent cancel.
class CommonDialog
{
public:
    static constexpr int CancelError = 32755;

    std::optional<QString> ShowOpen(const CommonDialogOptions &options);
    std::optional<QString> ShowSave(const CommonDialogOptions &options);
    std::optional<QFont> ShowFont(const QFont &initial, const QString &title = {});
    bool ShowPrinter(QPrinter *printer, const QString &title = QStringLiteral("Print"));

    // 32755 after a cancelled dialog, no error after a chosen one.
    AppError lastError() const { return m_lastError; }
    // The entry of the filter (from 1) the last save dialog was left with.
    int FilterIndex() const { return m_filterIndex; }

    // "Text Files|*.txt;*.log" as the file dialogs take it: "Text Files (*.txt *.log)".
    static QString toDialogFilter(const QString &filter);
    // name with the extension of the filter's entry index (from 1) when it has none.
    static QString withFilterExtension(const QString &name, const QString &filter, int index);

private:
    template <typename T> std::optional<T> finish(std::optional<T> result);

    AppError m_lastError;
    int m_filterIndex = 1;
};

// The host of the common dialogs, loaded on the first use of CD() and never shown;
// the main window unloads it at shutdown.
class FrmCD
{
public:
    static CommonDialog &CD();
    static bool isLoaded();
    static void Unload();
};
