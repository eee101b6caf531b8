#include "shell/frmcd.h"

#include "platform/prompt/prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
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
    const QString filter = toDialogFilter(options.Filter);
    QString chosen;
    std::optional<QString> name =
        options.ConfirmOverwrite
            ? prompter.saveFileName(options.DialogTitle, startPath(options), filter, &chosen)
            : prompter.saveFileNameNoReplaceQuestion(options.DialogTitle, startPath(options),
                                                     filter, &chosen);
    m_filterIndex =
        int(std::max<qsizetype>(filter.split(QStringLiteral(";;")).indexOf(chosen), 0)) + 1;
    if (name && options.AddFilterExtension)
        name = withFilterExtension(*name, options.Filter, m_filterIndex);
    return finish(name);
}

QString CommonDialog::withFilterExtension(const QString &name, const QString &filter, int index)
{
    if (QFileInfo(name).fileName().contains(QLatin1Char('.')))
        return name;
    // The first pattern of the entry, when it names one extension ("*.rtf").
    const QString patterns = filter.split(QLatin1Char('|')).value(2 * index - 1);
    static const QRegularExpression oneExtension(QStringLiteral("^\\*(\\.[^*?.;\\s]+)$"));
    const QRegularExpressionMatch match =
        oneExtension.match(patterns.split(QLatin1Char(';')).value(0).trimmed());
    return match.hasMatch() ? name + match.captured(1) : name;
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
