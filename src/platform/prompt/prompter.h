#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

class QPrinter;
class QWidget;

// Every modal question and dialog of the program goes through one Prompter,
// so that tests can script the answers instead of driving modal windows.
class Prompter
{
public:
    enum class PlainIcon { None, Information, Warning, Critical, Question };

    virtual ~Prompter() = default;

    // The program's message box: icon 101..107, button set 1..5; returns the
    // caption of the pressed button ("Yes", "No", "Cancel", "Retry", "Ok").
    virtual QString messageBox(const QString &prompt, int icon, int buttonSet,
                               const QString &title) = 0;

    // The platform's plain message box, used by the few places that bypass the above.
    virtual void plainMessage(const QString &text, const QString &title, PlainIcon icon) = 0;
    // Its question form, with the question icon: button set 1 (Yes, No) or 5 (Yes, No, Cancel);
    // returns the pressed button's caption, the set's Esc value when closed any other way.
    virtual QString plainQuestion(const QString &text, const QString &title, int buttonSet) = 0;

    // Common dialogs; an empty optional means the user cancelled. A save box reports the
    // filter entry (as the filter lists it) the user left it with in chosenFilter.
    virtual std::optional<QString> openFileName(const QString &title, const QString &folder,
                                                const QString &filter) = 0;
    virtual std::optional<QString> saveFileName(const QString &title, const QString &fileName,
                                                const QString &filter,
                                                QString *chosenFilter = nullptr) = 0;
    // A save box that leaves the question about an existing file to its caller.
    virtual std::optional<QString> saveFileNameNoReplaceQuestion(const QString &title,
                                                                 const QString &fileName,
                                                                 const QString &filter,
                                                                 QString *chosenFilter = nullptr)
    {
        return saveFileName(title, fileName, filter, chosenFilter);
    }
    virtual std::optional<QString> folderName(const QString &title, const QString &folder) = 0;
    virtual std::optional<QFont> font(const QFont &initial, const QString &title) = 0;
    virtual bool printSetup(QPrinter *printer, const QString &title) = 0;

    // Input box and password prompt.
    virtual std::optional<QString> inputText(const QString &prompt, const QString &title,
                                             const QString &defaultText) = 0;
    virtual std::optional<QString> password(const QString &prompt, const QString &title) = 0;

    // The prompter the program uses; tests install a scripted one.
    static Prompter &instance();
    static void setInstance(Prompter *prompter);
};

// Button captions of the program's message box.
namespace MsgButtons {

QStringList captions(int buttonSet); // sets outside 1..5 behave as set 4
QString escapeValue(int buttonSet);  // what closing the box any other way returns
QString defaultValue(int buttonSet); // the button that has the focus at first

} // namespace MsgButtons
