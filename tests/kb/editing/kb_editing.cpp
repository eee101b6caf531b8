#include "../../editor/layout/recordwindowfixture.h"
#include "editor/frmrecord.h"
#include "editor/keywordcolourer.h"
#include "kb/frmmain.h"
#include "platform/base/apppaths.h"
#include "platform/base/externalprogram.h"
#include "platform/base/settingsstore.h"
#include "platform/richtext/richtextbox.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>

// The main window's clipboard, format, save and preview commands on a real record window.
class TestEditing : public QObject
{
    Q_OBJECT

private:
    static RichTextBox *focusAnswer(RecordWindowFixture &f)
    {
        f.main->show();
        RichTextBox *answer = f.form()->RTBAnswer;
        answer->setFocus();
        return answer;
    }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void clipboardChangesTextOnlyWhileEditing()
    {
        RecordWindowFixture f;
        RichTextBox *answer = focusAnswer(f);
        QCOMPARE(f.main->mdiArea()->currentSubWindow()->widget()->focusWidget(), answer);
        const QString original = answer->text();
        QClipboard *clipboard = QApplication::clipboard();

        // Browsing: copy works, cut only copies, paste changes nothing.
        answer->setSelStart(0);
        answer->setSelLength(3);
        f.main->mnuEditCopy_Click();
        QCOMPARE(clipboard->text(), QStringLiteral("Use"));
        clipboard->setText(QStringLiteral("XYZ"));
        f.main->mnuEditCut_Click();
        QCOMPARE(clipboard->text(), QStringLiteral("Use"));
        f.main->mnuEditPaste_Click();
        QCOMPARE(answer->text(), original);

        f.form()->EditRec();
        answer->setFocus();
        answer->setSelStart(0);
        answer->setSelLength(4);
        f.main->mnuEditCut_Click();
        QCOMPARE(clipboard->text(), QStringLiteral("Use "));
        QCOMPARE(answer->text(), original.mid(4));
        QVERIFY(f.main->menuItem(QStringLiteral("mnuEditPaste"))->isEnabled());
        answer->setSelStart(answer->textLength());
        f.main->mnuEditPaste_Click();
        QCOMPARE(answer->text(), original.mid(4) + QStringLiteral("Use "));

        // Cut with nothing selected clears the clipboard and still enables paste.
        answer->setSelLength(0);
        f.main->menuItem(QStringLiteral("mnuEditPaste"))->setEnabled(false);
        f.main->mnuEditCut_Click();
        QCOMPARE(clipboard->text(), QString());
        QVERIFY(f.main->menuItem(QStringLiteral("mnuEditPaste"))->isEnabled());
        f.form()->CancelChange(true);
    }

    void formatButtonsChangeTheSelection()
    {
        RecordWindowFixture f;
        RichTextBox *answer = focusAnswer(f);
        f.form()->EditRec();
        answer->setFocus();
        answer->setSelStart(0);
        answer->setSelLength(3);
        QCOMPARE(answer->selBold(), std::optional<bool>(false));

        f.main->TBEdit_ButtonClick(QStringLiteral("Bold"));
        QCOMPARE(answer->selBold(), std::optional<bool>(true));
        QVERIFY(f.main->toolbarButton(QStringLiteral("Bold"))->isChecked());
        f.main->TBEdit_ButtonClick(QStringLiteral("Bold"));
        QCOMPARE(answer->selBold(), std::optional<bool>(false));
        QVERIFY(!f.main->toolbarButton(QStringLiteral("Bold"))->isChecked());

        f.main->TBEdit_ButtonClick(QStringLiteral("Italic"));
        f.main->TBEdit_ButtonClick(QStringLiteral("Underline"));
        QCOMPARE(answer->selItalic(), std::optional<bool>(true));
        QCOMPARE(answer->selUnderline(), std::optional<bool>(true));
        // only the selection changed
        answer->setSelStart(5);
        answer->setSelLength(2);
        QCOMPARE(answer->selItalic(), std::optional<bool>(false));

        f.main->TBEdit_ButtonClick(QStringLiteral("Center"));
        QCOMPARE(answer->selAlignment(), int(RichTextBox::AlignCentre));
        f.main->TBEdit_ButtonClick(QStringLiteral("Align Right"));
        QCOMPARE(answer->selAlignment(), int(RichTextBox::AlignRight));
        f.main->TBEdit_ButtonClick(QStringLiteral("Align Left"));
        QCOMPARE(answer->selAlignment(), int(RichTextBox::AlignLeft));

        // The question box has no character formats.
        f.form()->RTBQuestion->setFocus();
        const QString question = f.form()->RTBQuestion->toPlainText();
        f.main->TBEdit_ButtonClick(QStringLiteral("Bold"));
        QCOMPARE(f.form()->RTBQuestion->toPlainText(), question);
        f.form()->CancelChange(true);
    }

    void newRecordStartsInTheDefaultFormat()
    {
        RecordWindowFixture f;
        RichTextBox *answer = focusAnswer(f);
        f.form()->EditRec();
        answer->setFocus();
        answer->setSelStart(0);
        answer->setSelLength(6);
        f.main->TBEdit_ButtonClick(QStringLiteral("Bold"));
        f.main->TBEdit_ButtonClick(QStringLiteral("Italic"));
        answer->setSelFontName(QStringLiteral("Courier New")); // as the font combo does
        f.prompter.answer(QStringLiteral("Ok"));
        f.form()->SaveChange();
        // The caret stands in the formatted words; a new record starts in the box's own format.
        QCOMPARE(answer->selStart(), 0);
        f.form()->AddRec();
        f.form()->RTBQuestion->setPlainText(QStringLiteral("A new question"));
        answer->setFocus();
        QTest::keyClicks(answer, QStringLiteral("Plain answer text."));
        answer->setSelStart(0);
        answer->setSelLength(answer->textLength());
        QCOMPARE(answer->selText(), QStringLiteral("Plain answer text."));
        QCOMPARE(answer->selBold(), std::optional<bool>(false));
        QCOMPARE(answer->selItalic(), std::optional<bool>(false));
        QCOMPARE(answer->selFontName(), QStringLiteral("Times New Roman"));
        f.form()->CancelChange(true);
    }

    void saveWritesTextAndRichText()
    {
        RecordWindowFixture f;
        RichTextBox *answer = focusAnswer(f);
        f.form()->EditRec();
        answer->setSelStart(0);
        answer->setSelLength(3);
        answer->setSelBold(true);
        answer->setSelStart(answer->textLength());
        answer->setSelText(QStringLiteral("\r\nsecond line \u00e9"));
        QTemporaryDir dir;

        const QString text = dir.filePath(QStringLiteral("answer.txt"));
        f.prompter.answer(text);
        f.main->mnuFileSave_Click();
        // Two entries the dialog can show, not one garbled one.
        QCOMPARE(f.prompter.dialogFilters(),
                 QStringList{QStringLiteral("Text File (*.txt);;Rich Text File (*.rtf)")});
        QCOMPARE(readAll(text), (answer->text() + QStringLiteral("\r\n")).toUtf8());
        QCOMPARE(f.prompter.calls().last().prompt,
                 QStringLiteral("File ") + text + QStringLiteral(" has been saved!"));

        // The file type chosen decides the format, and completes a name without extension.
        const QString rtf = dir.filePath(QStringLiteral("notes.rtf"));
        f.prompter.clear();
        f.prompter.answerSave(dir.filePath(QStringLiteral("notes")), 2);
        f.main->mnuFileSave_Click();
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("notes"))));
        QVERIFY(readAll(rtf).startsWith("{\\rtf1"));
        QCOMPARE(f.prompter.calls().last().prompt,
                 QStringLiteral("File ") + rtf + QStringLiteral(" has been saved!"));
        // Over an existing file (the completed name too) the question comes once: the dialog
        // leaves it to the program.
        f.prompter.clear();
        f.prompter.answerSave(dir.filePath(QStringLiteral("notes")), 2);
        f.prompter.answer(QStringLiteral("Yes"));
        f.main->mnuFileSave_Click();
        QVERIFY(!f.prompter.calls().first().confirmsOverwrite);
        QCOMPARE(f.prompter.prompts().count(
                     QStringLiteral("File already exist, do you want to overwrite it? ")),
                 1);
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("FILE SAVED"));
        // A name with an extension keeps it; the chosen type still decides.
        const QString plainRtf = dir.filePath(QStringLiteral("plain.rtf"));
        f.prompter.answerSave(plainRtf, 1);
        f.main->mnuFileSave_Click();
        QCOMPARE(readAll(plainRtf), (answer->text() + QStringLiteral("\r\n")).toUtf8());
        RichTextBox reread;
        QVERIFY(reread.loadFile(rtf));
        QCOMPARE(reread.text(), answer->text());
        reread.setSelStart(0);
        reread.setSelLength(3);
        QCOMPARE(reread.selBold(), std::optional<bool>(true));
        reread.setSelStart(4);
        reread.setSelLength(2);
        QCOMPARE(reread.selBold(), std::optional<bool>(false));

        // "No" returns to the dialog as often as asked; "Cancel" keeps the file.
        f.prompter.clear();
        f.prompter.answer(text);
        f.prompter.answer(QStringLiteral("No"));
        f.prompter.answer(text);
        f.prompter.answer(QStringLiteral("No"));
        f.prompter.answer(text);
        f.prompter.answer(QStringLiteral("Cancel"));
        const QByteArray before = readAll(text);
        answer->setText(QStringLiteral("changed"));
        f.main->mnuFileSave_Click();
        QCOMPARE(readAll(text), before);
        QCOMPARE(f.prompter.remainingAnswers(), 0);
        QCOMPARE(f.prompter.prompts().count(
                     QStringLiteral("File already exist, do you want to overwrite it? ")),
                 3);

        // "Yes" replaces it.
        f.prompter.answer(text);
        f.prompter.answer(QStringLiteral("Yes"));
        f.main->mnuFileSave_Click();
        QCOMPARE(readAll(text), QByteArray("changed\r\n"));

        // A failed write reports and saves nothing.
        f.prompter.clear();
        f.prompter.answer(dir.filePath(QStringLiteral("missing/answer.txt")));
        f.main->mnuFileSave_Click();
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("ERROR"));
        QVERIFY(f.prompter.calls().last().prompt.endsWith(QStringLiteral("Please try again!")));
        f.form()->CancelChange(true);
    }

    void previewGetsTheAnswerAndRemovesTheFile()
    {
        RecordWindowFixture f;
        focusAnswer(f);
        const QString path = GetAppPath() + QStringLiteral("PrinTemp.rtf");
        QList<bool> modes;
        QString shown;
        FrmMain::setPreviewWindowFactory([&](FrmMain *, const QString &file, bool direct) {
            modes.append(direct);
            QCOMPARE(file, path);
            QFile written(file);
            // The rich text (its own last line ended) as one line, followed by CR LF.
            QVERIFY(written.open(QIODevice::ReadOnly) && written.readAll().endsWith("}\r\n\r\n"));
            RichTextBox box;
            QVERIFY(box.loadFile(file));
            shown = box.text();
        });
        f.main->mnuFilePrintPreview_Click();
        f.main->mnuFilePrint_Click();
        f.main->ToolBarMain_ButtonClick(QStringLiteral("Print"));
        // A print never leaves the next preview printing.
        QCOMPARE(modes, (QList<bool>{false, true, false}));
        QCOMPARE(shown, f.form()->RTBAnswer->text());
        QVERIFY(!QFile::exists(path));
        FrmMain::setPreviewWindowFactory({});
    }

    void copiesCarryTheColoursShown()
    {
        RecordWindowFixture f;
        focusAnswer(f);
        f.form()->colouring()->setKeywords({QStringLiteral("Use")});
        const QString stored = f.form()->RTBAnswer->textRtf();
        const auto colourAt = [](const QString &rtf, int position) {
            RichTextBox box;
            box.setTextRtf(rtf);
            box.setSelStart(position);
            box.setSelLength(1);
            return box.selColor();
        };
        const auto checkColours = [&](const QString &rtf) {
            QCOMPARE(colourAt(rtf, 0), KeywordColourer::keywordColour());
            QCOMPARE(colourAt(rtf, 5), KeywordColourer::baseColour());
        };

        QString previewed;
        FrmMain::setPreviewWindowFactory([&](FrmMain *, const QString &file, bool) {
            QFile in(file);
            QVERIFY(in.open(QIODevice::ReadOnly));
            previewed = QString::fromLatin1(in.readAll());
        });
        f.main->mnuFilePrintPreview_Click();
        checkColours(previewed);
        previewed.clear();
        f.main->mnuFilePrint_Click();
        checkColours(previewed);
        FrmMain::setPreviewWindowFactory({});

        QTemporaryDir dir;
        const QString rtf = dir.filePath(QStringLiteral("answer.rtf"));
        f.prompter.answerSave(rtf, 2);
        f.main->mnuFileSave_Click();
        checkColours(QString::fromLatin1(readAll(rtf)));

        // The stored answer stays as it was.
        QCOMPARE(f.form()->RTBAnswer->textRtf(), stored);
        QVERIFY(colourAt(stored, 0) != KeywordColourer::keywordColour());
    }

    void withoutAPrinterThePreviewOffersToInstallOne()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed here");
        RecordWindowFixture f;
        focusAnswer(f);
        MemorySettingsStore settings;
        SettingsStore::setInstance(&settings);
        TestSupport::FakePrograms programs;
        QList<QStringList> started;
        ExternalProgram::setStarter([&](const QString &program, const QStringList &arguments) {
            started.append(QStringList{program} + arguments);
            return true;
        });
        int previews = 0;
        FrmMain::setPreviewWindowFactory([&](FrmMain *, const QString &, bool) { ++previews; });
        const QString question = QStringLiteral("There is no printer currently installed on your "
                                                "computer, would you like to install one now?");

        // "Yes" with nothing to install a printer with: the failure is reported, and the
        // preview still comes, as after "No", since its print dialog can print to a file.
        f.prompter.answer(QStringLiteral("Yes"));
        f.main->mnuFilePrintPreview_Click();
        QCOMPARE(previews, 1);
        QCOMPARE(f.prompter.prompts(),
                 (QStringList{question,
                              QStringLiteral("Error during install printer, please try again!")}));
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("ERROR INSTALL"));
        f.prompter.clear();
        f.prompter.answer(QStringLiteral("No"));
        f.main->mnuFilePrint_Click();
        QCOMPARE(previews, 2);
        QVERIFY(started.isEmpty());

        // "Yes" starts the desktop's printer settings, the configured program first, and the
        // preview waits for the next try.
        const QString desktops = programs.add(QStringLiteral("system-config-printer"));
        const QString kde = programs.add(QStringLiteral("kde-add-printer"));
        for (const QString &command : {QString(), QStringLiteral("kde-add-printer --wizard")}) {
            settings.setValue(QStringLiteral("Marlux"), QStringLiteral("Shared Tools"),
                              QStringLiteral("AddPrinter"), command);
            f.prompter.clear();
            f.prompter.answer(QStringLiteral("Yes"));
            f.main->mnuFilePrintPreview_Click();
            QCOMPARE(f.prompter.prompts(), QStringList{question});
        }
        QCOMPARE(previews, 2);
        QCOMPARE(started, (QList<QStringList>{{desktops}, {kde, QStringLiteral("--wizard")}}));
        FrmMain::setPreviewWindowFactory({});
        ExternalProgram::setStarter({});
        SettingsStore::setInstance(nullptr);
    }
};

QTEST_MAIN(TestEditing)
#include "kb_editing.moc"
