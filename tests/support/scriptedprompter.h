#pragma once

#include "platform/prompt/prompter.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QVariant>

// A Prompter for tests: answers come from a script, every call is recorded.
// An unscripted message box returns its set's Esc value; an unscripted dialog cancels.
class ScriptedPrompter : public Prompter
{
public:
    struct Call
    {
        QString kind; // "messageBox", "plain", "open", "save", "folder", "font", "print", "input",
                      // "password"
        QString prompt;
        QString title;
        int icon = 0;
        int buttonSet = 0;
        bool confirmsOverwrite = true; // a save dialog that asks about an existing file itself
        QString chosenFilter = {};     // the filter entry a save dialog was left with
    };

    ScriptedPrompter();           // installs itself
    ~ScriptedPrompter() override; // restores the previous prompter

    // Queue answers: a caption for message boxes, a text for dialogs, or cancel().
    void answer(const QString &text) { m_answers.enqueue(text); }
    // A save dialog's answer: the name and the filter entry (from 1) it is left with. A save
    // answered by answer() is left with the first entry, as the dialog opens on it.
    void answerSave(const QString &name, int filterIndex)
    {
        m_answers.enqueue(QVariantList{name, filterIndex});
    }
    void cancel() { m_answers.enqueue(QVariant()); }

    const QList<Call> &calls() const { return m_calls; }
    QStringList prompts() const;
    int remainingAnswers() const { return int(m_answers.size()); }
    // The filters of the open and save dialogs, in order, as the dialogs got them.
    const QStringList &dialogFilters() const { return m_filters; }
    void clear();

    QString messageBox(const QString &prompt, int icon, int buttonSet,
                       const QString &title) override;
    void plainMessage(const QString &text, const QString &title, PlainIcon icon) override;
    QString plainQuestion(const QString &text, const QString &title, int buttonSet) override;
    std::optional<QString> openFileName(const QString &title, const QString &folder,
                                        const QString &filter) override;
    std::optional<QString> saveFileName(const QString &title, const QString &fileName,
                                        const QString &filter,
                                        QString *chosenFilter = nullptr) override;
    std::optional<QString> saveFileNameNoReplaceQuestion(const QString &title,
                                                         const QString &fileName,
                                                         const QString &filter,
                                                         QString *chosenFilter = nullptr) override;
    std::optional<QString> folderName(const QString &title, const QString &folder) override;
    std::optional<QFont> font(const QFont &initial, const QString &title) override;
    bool printSetup(QPrinter *printer, const QString &title) override;
    std::optional<QString> inputText(const QString &prompt, const QString &title,
                                     const QString &defaultText) override;
    std::optional<QString> password(const QString &prompt, const QString &title) override;

private:
    std::optional<QString> nextText(const Call &call);
    std::optional<QString> nextSave(Call call, const QString &filter, QString *chosenFilter);

    QQueue<QVariant> m_answers;
    QList<Call> m_calls;
    QStringList m_filters;
    Prompter *m_previous = nullptr;
};
