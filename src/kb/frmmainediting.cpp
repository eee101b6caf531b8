// The main window's commands on the active record window's text: the clipboard, the format
// buttons, print preview and printing, and saving the answer as a text or rich-text file.

#include "kb/frmmain.h"
#include "kb/recordverbs.h"
#include "platform/base/apppaths.h"
#include "platform/base/checkedwrite.h"
#include "platform/base/externalprogram.h"
#include "platform/base/settingsstore.h"
#include "platform/prompt/prompter.h"
#include "platform/richtext/richtextbox.h"
#include "shell/frmcd.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPrinterInfo>

namespace {

// The desktops' printer settings programs, looked for on PATH in this order.
QList<ExternalProgram::Candidate> printerSettingsPrograms()
{
    return {{QStringLiteral("system-config-printer"), {}},
            {QStringLiteral("gnome-control-center"),
             {QStringLiteral("printers")},
             {QStringLiteral("GNOME"), QStringLiteral("Unity")}},
            {QStringLiteral("kde-add-printer"), {QStringLiteral("--add-printer")}}};
}

FrmMain::PreviewWindowFactory &previewFactory()
{
    static FrmMain::PreviewWindowFactory factory;
    return factory;
}

// The selection of the controls a record window's focus can rest on; nullopt for others.
std::optional<QString> selectedText(QWidget *control)
{
    if (auto *rich = qobject_cast<RichTextBox *>(control))
        return rich->selText();
    if (auto *edit = qobject_cast<QTextEdit *>(control))
        return edit->textCursor().selectedText();
    if (auto *plain = qobject_cast<QPlainTextEdit *>(control))
        return plain->textCursor().selectedText().replace(QChar(0x2029), QLatin1Char('\n'));
    if (auto *line = qobject_cast<QLineEdit *>(control))
        return line->selectedText();
    return std::nullopt;
}

// Replaces the selection of a control that the user may edit; a locked box (a record shown
// for browsing) is left alone, so a shortcut cannot change an answer that is not being edited.
bool replaceSelection(QWidget *control, const QString &text)
{
    if (auto *rich = qobject_cast<RichTextBox *>(control)) {
        if (rich->locked())
            return false;
        rich->setSelText(text);
        return true;
    }
    if (auto *edit = qobject_cast<QTextEdit *>(control)) {
        if (edit->isReadOnly())
            return false;
        edit->textCursor().insertText(text);
        return true;
    }
    if (auto *plain = qobject_cast<QPlainTextEdit *>(control)) {
        if (plain->isReadOnly())
            return false;
        plain->textCursor().insertText(text);
        return true;
    }
    if (auto *line = qobject_cast<QLineEdit *>(control)) {
        if (line->isReadOnly())
            return false;
        line->insert(text);
        return true;
    }
    return false;
}

bool writeWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    return writeWholeFile(path, bytes, error);
}

// Removes the preview's temporary file however the preview ends.
struct TemporaryFile
{
    QString path;
    ~TemporaryFile()
    {
        if (!path.isEmpty())
            QFile::remove(path);
    }
};

} // namespace

void FrmMain::setPreviewWindowFactory(PreviewWindowFactory factory)
{
    previewFactory() = std::move(factory);
}

QWidget *FrmMain::activeFormControl() const
{
    QMdiSubWindow *child = m_mdiArea->currentSubWindow();
    if (!child || !child->widget())
        return nullptr;
    return child->widget()->focusWidget();
}

RichTextBox *FrmMain::activeAnswerBox() const
{
    QMdiSubWindow *child = m_mdiArea->currentSubWindow();
    if (!child || !child->widget())
        return nullptr;
    return child->widget()->findChild<RichTextBox *>(QStringLiteral("RTBAnswer"));
}

void FrmMain::mnuEditCopy_Click()
{
    QWidget *control = activeFormControl();
    if (!control)
        return;
    const std::optional<QString> text = selectedText(control);
    if (!text)
        return;
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(*text);
    menuItem(QStringLiteral("mnuEditPaste"))->setEnabled(true);
}

void FrmMain::mnuEditCut_Click()
{
    QWidget *control = activeFormControl();
    if (!control || !selectedText(control))
        return;
    // Moving text out of a locked box would only copy it on the original; copy it here too.
    mnuEditCopy_Click();
    replaceSelection(control, QString());
}

void FrmMain::mnuEditPaste_Click()
{
    if (QWidget *control = activeFormControl())
        replaceSelection(control, QApplication::clipboard()->text());
}

void FrmMain::FormatActiveControl(const QString &key)
{
    // Only the rich answer has character and paragraph formats; the question box has none.
    auto *box = qobject_cast<RichTextBox *>(activeFormControl());
    if (!box || box->locked())
        return;
    auto toggle = [&](std::optional<bool> current, void (RichTextBox::*set)(bool)) {
        // A mixed selection counts as not set, so the first press sets it throughout.
        const bool on = !current.value_or(false);
        (box->*set)(on);
        if (QAction *button = toolbarButton(key))
            button->setChecked(on);
    };
    if (key == QLatin1String("Bold"))
        toggle(box->selBold(), &RichTextBox::setSelBold);
    else if (key == QLatin1String("Italic"))
        toggle(box->selItalic(), &RichTextBox::setSelItalic);
    else if (key == QLatin1String("Underline"))
        toggle(box->selUnderline(), &RichTextBox::setSelUnderline);
    else if (key == QLatin1String("Align Left"))
        box->setSelAlignment(RichTextBox::AlignLeft);
    else if (key == QLatin1String("Align Right"))
        box->setSelAlignment(RichTextBox::AlignRight);
    else if (key == QLatin1String("Center"))
        box->setSelAlignment(RichTextBox::AlignCentre);
}

void FrmMain::connectFontCombos()
{
    // Only the user's choices format the text: the record window writes the selection's font
    // back into the boxes, and that must not format anything.
    connect(ComboFont, &QComboBox::textActivated, this, [this] {
        ComboFont_Click();
        if (RichTextBox *box = activeAnswerBox())
            box->setFocus(Qt::OtherFocusReason);
    });
    connect(ComboFontSize, &QComboBox::textActivated, this, [this] {
        ComboFontSize_Click();
        if (RichTextBox *box = activeAnswerBox())
            box->setFocus(Qt::OtherFocusReason);
    });
    // A typed size applies as it is typed.
    connect(ComboFontSize->lineEdit(), &QLineEdit::textEdited, this,
            [this] { ComboFontSize_Click(); });
}

void FrmMain::ComboFont_Click()
{
    RichTextBox *box = activeAnswerBox();
    const QString family = ComboFont->currentText();
    if (!box || box->locked() || family.isEmpty())
        return;
    box->setSelFontName(family);
}

void FrmMain::ComboFontSize_Click()
{
    RichTextBox *box = activeAnswerBox();
    if (!box || box->locked())
        return;
    // Sizes outside what the text can hold are ignored, as are words.
    bool ok = false;
    const double size = ComboFontSize->currentText().trimmed().toDouble(&ok);
    if (!ok || size < 1 || size > 1638)
        return;
    box->setSelFontSize(size);
}

bool FrmMain::PrinterCheck()
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        return true;
    const QString answer = Prompter::instance().messageBox(
        QStringLiteral("There is no printer currently installed on your computer, would you "
                       "like to install one now?"),
        102, 1, QStringLiteral("PRINTER ERROR"));
    // While the printer settings are up the preview waits for the next try. Without a printer
    // (declined, or nothing to install one with) the print dialog still prints to a PDF file.
    return !(answer == QLatin1String("Yes") && AddPrinter());
}

bool FrmMain::AddPrinter()
{
    // The program the settings name comes first, then the desktops' own on PATH.
    const QString command = SettingsStore::instance()
                                .value(AppPaths::applicationTitle(), QStringLiteral("Shared Tools"),
                                       QStringLiteral("AddPrinter"))
                                .toString();
    QList<ExternalProgram::Candidate> candidates{ExternalProgram::fromCommand(command)};
    candidates += printerSettingsPrograms();
    if (ExternalProgram::startFirst(candidates))
        return true;
    Prompter::instance().messageBox(
        QStringLiteral("Error during install printer, please try again!"), 105, 4,
        QStringLiteral("ERROR INSTALL"));
    return false;
}

QString FrmMain::answerRtfForCopy(const RichTextBox *answer) const
{
    // Copies that leave the screen carry the colours the user sees.
    const RecordVerbs *verbs = activeRecordVerbs(m_mdiArea);
    const QString coloured = verbs ? verbs->ColouredAnswerRtf() : QString();
    return coloured.isEmpty() ? answer->textRtf() : coloured;
}

void FrmMain::PreviewActiveAnswer(bool directPrint)
{
    RichTextBox *answer = activeAnswerBox();
    if (!answer || !previewFactory() || !PrinterCheck())
        return;
    TemporaryFile temporary{GetAppPath() + QStringLiteral("PrinTemp.rtf")};
    QString error;
    // The rich text as one line, ended by CR LF.
    const QByteArray rtf = answerRtfForCopy(answer).toLatin1() + "\r\n";
    if (!writeWhole(temporary.path, rtf, &error))
        return;
    previewFactory()(this, temporary.path, directPrint);
}

void FrmMain::mnuFilePrintPreview_Click()
{
    PreviewActiveAnswer(false);
}

void FrmMain::mnuFilePrint_Click()
{
    // The mode travels with the call, so a later preview never prints by itself.
    PreviewActiveAnswer(true);
}

void FrmMain::mnuFileSave_Click()
{
    Prompter &prompter = Prompter::instance();
    const QString filter = QStringLiteral("Text File (*.txt)|*.txt|Rich Text File (*.rtf)|*.rtf");
    QString path;
    bool richText = false;
    for (;;) {
        if (!activeAnswerBox())
            return;
        CommonDialogOptions options;
        options.DialogTitle = QStringLiteral("Save");
        options.Filter = filter;
        // The question about an existing file is asked once, below, also for the name
        // the chosen type's extension completes.
        options.ConfirmOverwrite = false;
        options.AddFilterExtension = true;
        const std::optional<QString> chosen = FrmCD::CD().ShowSave(options);
        if (!chosen || chosen->isEmpty())
            return;
        path = *chosen;
        // The file type chosen decides the format, whatever the name ends with.
        richText = FrmCD::CD().FilterIndex() == 2;
        if (!QFileInfo::exists(path))
            break;
        const QString answer =
            prompter.messageBox(QStringLiteral("File already exist, do you want to overwrite it? "),
                                106, 5, QStringLiteral("WARNING"));
        if (answer == QLatin1String("Yes"))
            break; // replaced whole on writing: a failed write keeps the old file
        if (answer != QLatin1String("No"))
            return;
    }
    RichTextBox *answer = activeAnswerBox();
    if (!answer)
        return;
    QString error;
    bool saved = false;
    if (richText) {
        auto *save = m_mdiArea->currentSubWindow()->widget()->findChild<RichTextBox *>(
            QStringLiteral("RTBSave"));
        if (save) {
            save->setTextRtf(answerRtfForCopy(answer));
            saved = save->saveFile(path, RichTextBox::RtfFile, &error);
        } else {
            saved = writeWhole(path, answerRtfForCopy(answer).toLatin1(), &error);
        }
    } else {
        saved = writeWhole(path, (answer->text() + QStringLiteral("\r\n")).toUtf8(), &error);
    }
    if (!saved) {
        prompter.messageBox(error + QStringLiteral("\r\nPlease try again!"), 105, 4,
                            QStringLiteral("ERROR"));
        return;
    }
    prompter.messageBox(QStringLiteral("File ") + path + QStringLiteral(" has been saved!"), 104, 4,
                        QStringLiteral("FILE SAVED"));
}
