#include "scriptedprompter.h"

#include <QFont>

ScriptedPrompter::ScriptedPrompter() : m_previous(&Prompter::instance())
{
    Prompter::setInstance(this);
}

ScriptedPrompter::~ScriptedPrompter()
{
    Prompter::setInstance(m_previous);
}

QStringList ScriptedPrompter::prompts() const
{
    QStringList result;
    for (const Call &call : m_calls)
        result.append(call.prompt);
    return result;
}

void ScriptedPrompter::clear()
{
    m_answers.clear();
    m_calls.clear();
    m_filters.clear();
}

std::optional<QString> ScriptedPrompter::nextText(const Call &call)
{
    m_calls.append(call);
    if (m_answers.isEmpty())
        return std::nullopt;
    const QVariant next = m_answers.dequeue();
    if (!next.isValid())
        return std::nullopt;
    return next.toString();
}

QString ScriptedPrompter::messageBox(const QString &prompt, int icon, int buttonSet,
                                     const QString &title)
{
    const auto answer = nextText({QStringLiteral("messageBox"), prompt, title, icon, buttonSet});
    return answer.value_or(MsgButtons::escapeValue(buttonSet));
}

void ScriptedPrompter::plainMessage(const QString &text, const QString &title, PlainIcon icon)
{
    m_calls.append({QStringLiteral("plain"), text, title, int(icon), 0});
}

QString ScriptedPrompter::plainQuestion(const QString &text, const QString &title, int buttonSet)
{
    const auto answer =
        nextText({QStringLiteral("plain"), text, title, int(PlainIcon::Question), buttonSet});
    return answer.value_or(MsgButtons::escapeValue(buttonSet));
}

std::optional<QString> ScriptedPrompter::openFileName(const QString &title, const QString &,
                                                      const QString &filter)
{
    m_filters.append(filter);
    return nextText({QStringLiteral("open"), {}, title, 0, 0});
}

std::optional<QString> ScriptedPrompter::nextSave(Call call, const QString &filter,
                                                  QString *chosenFilter)
{
    m_filters.append(filter);
    int index = 1;
    if (!m_answers.isEmpty() && m_answers.head().typeId() == QMetaType::QVariantList) {
        // answerSave's pair: the name stays queued for nextText
        const QVariantList pair = m_answers.head().toList();
        index = pair.value(1).toInt();
        m_answers.head() = pair.value(0);
    }
    call.chosenFilter = filter.split(QStringLiteral(";;")).value(index - 1);
    if (chosenFilter)
        *chosenFilter = call.chosenFilter;
    return nextText(call);
}

std::optional<QString> ScriptedPrompter::saveFileName(const QString &title, const QString &,
                                                      const QString &filter, QString *chosenFilter)
{
    return nextSave({QStringLiteral("save"), {}, title, 0, 0}, filter, chosenFilter);
}

std::optional<QString> ScriptedPrompter::saveFileNameNoReplaceQuestion(const QString &title,
                                                                       const QString &,
                                                                       const QString &filter,
                                                                       QString *chosenFilter)
{
    return nextSave({QStringLiteral("save"), {}, title, 0, 0, false}, filter, chosenFilter);
}

std::optional<QString> ScriptedPrompter::folderName(const QString &title, const QString &)
{
    return nextText({QStringLiteral("folder"), {}, title, 0, 0});
}

std::optional<QFont> ScriptedPrompter::font(const QFont &initial, const QString &title)
{
    const auto family = nextText({QStringLiteral("font"), {}, title, 0, 0});
    if (!family)
        return std::nullopt;
    QFont chosen = initial;
    chosen.setFamily(*family);
    return chosen;
}

bool ScriptedPrompter::printSetup(QPrinter *, const QString &title)
{
    return nextText({QStringLiteral("print"), {}, title, 0, 0}).has_value();
}

std::optional<QString> ScriptedPrompter::inputText(const QString &prompt, const QString &title,
                                                   const QString &)
{
    return nextText({QStringLiteral("input"), prompt, title, 0, 0});
}

std::optional<QString> ScriptedPrompter::password(const QString &prompt, const QString &title)
{
    return nextText({QStringLiteral("password"), prompt, title, 0, 0});
}
