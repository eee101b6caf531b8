#include "platform/base/fontsubstitutes.h"

#include <QFont>
#include <QStringList>

void InstallFontSubstitutes()
{
    const QStringList sans = {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                              QStringLiteral("Sans Serif")};
    const QStringList serif = {QStringLiteral("DejaVu Serif"), QStringLiteral("Liberation Serif"),
                               QStringLiteral("Serif")};
    const QStringList mono = {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                              QStringLiteral("Monospace")};
    for (const char *name : {"Arial", "Arial Black", "MS Sans Serif", "Microsoft Sans Serif",
                             "Tahoma", "Verdana", "Small Fonts", "System"})
        QFont::insertSubstitutions(QString::fromLatin1(name), sans);
    for (const char *name : {"Times New Roman", "Times", "MS Serif"})
        QFont::insertSubstitutions(QString::fromLatin1(name), serif);
    for (const char *name : {"Courier New", "Courier", "Fixedsys", "Lucida Console", "Terminal"})
        QFont::insertSubstitutions(QString::fromLatin1(name), mono);
}
