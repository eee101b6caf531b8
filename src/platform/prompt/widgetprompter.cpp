#include "platform/prompt/widgetprompter.h"

#include "platform/prompt/fixeddialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>

QWidget *WidgetPrompter::dialogParent()
{
    return QApplication::activeWindow();
}

QString WidgetPrompter::messageBox(const QString &prompt, int icon, int buttonSet,
                                   const QString &title)
{
    QMessageBox box(dialogParent());
    box.setWindowTitle(title);
    box.setText(prompt);
    switch (icon) {
    case 101:
    case 106:
        box.setIcon(QMessageBox::Warning);
        break;
    case 102:
    case 107:
        box.setIcon(QMessageBox::Question);
        break;
    case 103:
    case 105:
        box.setIcon(QMessageBox::Critical);
        break;
    case 104:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    const QStringList captions = MsgButtons::captions(buttonSet);
    QList<QPushButton *> buttons;
    for (const QString &caption : captions)
        buttons.append(box.addButton(caption, QMessageBox::ActionRole));
    box.setDefaultButton(buttons.constFirst());
    box.exec();
    const int pressed = buttons.indexOf(qobject_cast<QPushButton *>(box.clickedButton()));
    return pressed >= 0 ? captions.at(pressed) : MsgButtons::escapeValue(buttonSet);
}

void WidgetPrompter::plainMessage(const QString &text, const QString &title, PlainIcon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case PlainIcon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case PlainIcon::Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case PlainIcon::Critical:
        boxIcon = QMessageBox::Critical;
        break;
    case PlainIcon::Question:
        boxIcon = QMessageBox::Question;
        break;
    case PlainIcon::None:
        break;
    }
    QMessageBox box(boxIcon, title, text, QMessageBox::Ok, dialogParent());
    box.exec();
}

QString WidgetPrompter::plainQuestion(const QString &text, const QString &title, int buttonSet)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (buttonSet == 5)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, title, text, buttons, dialogParent());
    switch (box.exec()) {
    case QMessageBox::Yes:
        return QStringLiteral("Yes");
    case QMessageBox::No:
        return QStringLiteral("No");
    case QMessageBox::Cancel:
        return QStringLiteral("Cancel");
    default:
        return MsgButtons::escapeValue(buttonSet);
    }
}

static std::optional<QString> nonEmpty(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

std::optional<QString> WidgetPrompter::openFileName(const QString &title, const QString &folder,
                                                    const QString &filter)
{
    return nonEmpty(QFileDialog::getOpenFileName(dialogParent(), title, folder, filter));
}

// The platform's save box; the filter entry it was left with goes to chosenFilter.
static std::optional<QString> askSaveName(QWidget *parent, const QString &title,
                                          const QString &fileName, const QString &filter,
                                          QString *chosenFilter, QFileDialog::Options options)
{
    QString chosen; // empty, so the box opens on its first entry
    const std::optional<QString> name =
        nonEmpty(QFileDialog::getSaveFileName(parent, title, fileName, filter, &chosen, options));
    if (chosenFilter)
        *chosenFilter = chosen;
    return name;
}

std::optional<QString> WidgetPrompter::saveFileName(const QString &title, const QString &fileName,
                                                    const QString &filter, QString *chosenFilter)
{
    return askSaveName(dialogParent(), title, fileName, filter, chosenFilter, {});
}

std::optional<QString> WidgetPrompter::saveFileNameNoReplaceQuestion(const QString &title,
                                                                     const QString &fileName,
                                                                     const QString &filter,
                                                                     QString *chosenFilter)
{
    return askSaveName(dialogParent(), title, fileName, filter, chosenFilter,
                       QFileDialog::DontConfirmOverwrite);
}

std::optional<QString> WidgetPrompter::folderName(const QString &title, const QString &folder)
{
    return nonEmpty(QFileDialog::getExistingDirectory(dialogParent(), title, folder));
}

std::optional<QFont> WidgetPrompter::font(const QFont &initial, const QString &title)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, dialogParent(), title);
    if (!ok)
        return std::nullopt;
    return chosen;
}

bool WidgetPrompter::printSetup(QPrinter *printer, const QString &title)
{
    QPrintDialog dialog(printer, dialogParent());
    dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}

// An input box of a fixed size (the window manager then offers no resizing), wide enough that
// its title shows whole in the caption bar beside the bar's buttons.
static std::optional<QString> askText(QWidget *parent, const QString &prompt, const QString &title,
                                      QLineEdit::EchoMode echo, const QString &defaultText)
{
    QInputDialog box(parent);
    FixedDialog::apply(&box);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextEchoMode(echo);
    box.setTextValue(defaultText);
    box.sizeHint(); // builds the box's layout
    box.layout()->setSizeConstraint(QLayout::SetFixedSize);
    if (auto *edit = box.findChild<QLineEdit *>())
        FixedDialog::fitToCaption(&box, edit);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

std::optional<QString> WidgetPrompter::inputText(const QString &prompt, const QString &title,
                                                 const QString &defaultText)
{
    return askText(dialogParent(), prompt, title, QLineEdit::Normal, defaultText);
}

std::optional<QString> WidgetPrompter::password(const QString &prompt, const QString &title)
{
    return askText(dialogParent(), prompt, title, QLineEdit::Password, {});
}
