#include "shell/frmcd.h"

#include "platform/prompt/prompter.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

#include <memory>

namespace {

std::unique_ptr<CommonDialog> host;

QString startPath(const CommonDialogOptions &options)
{
    if (options.InitDir.isEmpty())
        return options.FileName;
    if (options.FileName.isEmpty())
        return options.InitDir;
    return QDir(options.InitDir).filePath(options.FileName);
}

} // namespace

template <typename T> std::optional<T> CommonDialog::finish(std::optional<T> result)
{
    if (result)
        m_lastError = {};
    else
        m_lastError = {CancelError, QStringLiteral("Cancel was selected."),
                       QStringLiteral("CommonDialog")};
    return result;
}

std::optional<QString> CommonDialog::ShowOpen(const CommonDialogOptions &options)
{
    return finish(Prompter::instance().openFileName(options.DialogTitle, startPath(options),
                                                    toDialogFilter(options.Filter)));
}

std::optional<QString> CommonDialog::ShowSave(const CommonDialogOptions &options)
{
    Prompter &prompter = Prompter::instance();
    const QString start = startPath(options);
    const QString filter = toDialogFilter(options.Filter);
    return finish(options.OverwritePrompt
                      ? prompter.saveFileName(options.DialogTitle, start, filter)
                      : prompter.saveFileNameNoConfirm(options.DialogTitle, start, filter));
}

std::optional<QFont> CommonDialog::ShowFont(const QFont &initial, const QString &title)
{
    return finish(Prompter::instance().font(initial, title));
}

bool CommonDialog::ShowPrinter(QPrinter *printer, const QString &title)
{
    const bool chosen = printer && Prompter::instance().printSetup(printer, title);
    finish(chosen ? std::optional<bool>(true) : std::nullopt);
    return chosen;
}

QString CommonDialog::toDialogFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // The dialogs read the patterns from the last brackets of the description, so
        // a description that names its own patterns loses them to ours.
        static const QRegularExpression ownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
        QString description = parts.at(i).trimmed();
        description.remove(ownPatterns);
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            pattern = pattern.trimmed();
        entries.append(QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' '))));
    }
    return entries.join(QStringLiteral(";;"));
}

CommonDialog &FrmCD::CD()
{
    if (!host)
        host = std::make_unique<CommonDialog>();
    return *host;
}

bool FrmCD::isLoaded()
{
    return host != nullptr;
}

void FrmCD::Unload()
{
    host.reset();
}
