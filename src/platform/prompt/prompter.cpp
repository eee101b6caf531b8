#include "platform/prompt/prompter.h"

#include "platform/prompt/widgetprompter.h"

namespace {
Prompter *installedPrompter = nullptr;
} // namespace

Prompter &Prompter::instance()
{
    if (!installedPrompter) {
        static WidgetPrompter defaultPrompter;
        installedPrompter = &defaultPrompter;
    }
    return *installedPrompter;
}

void Prompter::setInstance(Prompter *prompter)
{
    installedPrompter = prompter;
}

namespace MsgButtons {

QStringList captions(int buttonSet)
{
    switch (buttonSet) {
    case 1:
        return {QStringLiteral("Yes"), QStringLiteral("No")};
    case 2:
        return {QStringLiteral("Retry"), QStringLiteral("Cancel")};
    case 3:
        return {QStringLiteral("Ok"), QStringLiteral("Cancel")};
    case 5:
        return {QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Cancel")};
    default:
        return {QStringLiteral("Ok")};
    }
}

QString escapeValue(int buttonSet)
{
    switch (buttonSet) {
    case 1:
        return QStringLiteral("No");
    case 2:
    case 3:
    case 5:
        return QStringLiteral("Cancel");
    default:
        return QStringLiteral("Ok");
    }
}

QString defaultValue(int buttonSet)
{
    return captions(buttonSet).constFirst();
}

} // namespace MsgButtons
