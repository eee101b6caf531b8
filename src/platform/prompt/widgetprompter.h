#pragma once

#include "platform/prompt/prompter.h"

// The interactive prompter: standard Qt dialogs, parented to the active window.
class WidgetPrompter : public Prompter
{
public:
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

protected:
    static QWidget *dialogParent();
};
