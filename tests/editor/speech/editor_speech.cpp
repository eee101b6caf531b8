#include "../layout/recordwindowfixture.h"
#include "editor/frmrecord.h"
#include "editor/recordspeech.h"
#include "kb/frmmain.h"
#include "platform/richtext/richtextbox.h"
#include "platform/richtext/rtfreader.h"
#include "soundrecorder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

namespace {

QImage picture(const QIcon &icon)
{
    return icon.pixmap(32, 32).toImage();
}

bool showsImage(FrmMain *main, int index)
{
    return picture(main->ToolBarMainButton(12)->icon()) ==
           picture(FrmMain::imlMainToolbarImage(index));
}

// Catches the documents handed to the word processor, and removes them afterwards.
struct OpenerSpy
{
    QStringList opened;
    QByteArray content;
    bool succeed = true;

    OpenerSpy()
    {
        RecordSpeech::setDocumentOpener([this](const QString &path) {
            opened.append(path);
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                content = file.readAll();
            return succeed;
        });
    }
    ~OpenerSpy()
    {
        RecordSpeech::setDocumentOpener(nullptr);
        for (const QString &path : std::as_const(opened))
            QFile::remove(path);
    }
};

} // namespace

class TestSpeech : public QObject
{
    Q_OBJECT

private slots:
    void listenSpeaksTheRecordAndASecondPressStops()
    {
        RecordWindowFixture f;
        TestSupport::SoundGate gate(true);
        TestSupport::SpeechRecording speech;
        FrmRecord *form = f.form();
        RecordSpeech *listen = form->speech();
        QAction *button = f.main->ToolBarMainButton(12);
        QCOMPARE(button, f.main->toolbarButton(QStringLiteral("Listen")));

        // The caret in the answer without a selection reads the whole record.
        form->RTBAnswer->setFocus();
        form->RTBAnswer->setSelStart(2);
        f.main->ToolBarMain_ButtonClick(QStringLiteral("Listen"));
        QCOMPARE(speech.engine().spoken,
                 QStringList{QStringLiteral("The topic title is - First question .. The content "
                                            "is -  .Use it. Then")});
        QCOMPARE(button->property("Tag").toString(), QStringLiteral("OnSaying"));
        QVERIFY(listen->Listening());
        QVERIFY(listen->TimerListen->isActive());
        QCOMPARE(listen->TimerListen->interval(), 800);
        QCOMPARE(listen->TimerCheckSaying->interval(), 1500);

        // The button blinks 24, 23, 24 while speech goes on.
        listen->TimerListen_Timer();
        QVERIFY(showsImage(f.main.get(), 24));
        listen->TimerListen_Timer();
        QVERIFY(showsImage(f.main.get(), 23));
        listen->TimerCheckSaying_Timer(); // still speaking: nothing changes
        QVERIFY(listen->Listening());
        listen->TimerListen_Timer();
        QVERIFY(showsImage(f.main.get(), 24));

        // A second press stops speech and puts the resting picture back.
        f.main->ToolBarMain_ButtonClick(QStringLiteral("Listen"));
        QVERIFY(!listen->Listening());
        QVERIFY(!speech.engine().speaking);
        QVERIFY(!listen->TimerListen->isActive());
        QVERIFY(showsImage(f.main.get(), 12));
        QCOMPARE(speech.engine().spoken.size(), 1);
    }

    void selectionIsReadAndTheEndOfSpeechEndsListening()
    {
        RecordWindowFixture f;
        TestSupport::SoundGate gate(true);
        TestSupport::SpeechRecording speech;
        FrmRecord *form = f.form();
        RecordSpeech *listen = form->speech();

        form->RTBQuestion->setFocus();
        QTextCursor cursor = form->RTBQuestion->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(5, QTextCursor::KeepAnchor);
        form->RTBQuestion->setTextCursor(cursor);
        form->Listen();
        QCOMPARE(speech.engine().spoken.last(),
                 QStringLiteral("Your selected sentence is - First"));

        form->Listen(); // stop
        form->RTBAnswer->setFocus();
        form->RTBAnswer->setSelStart(0);
        form->RTBAnswer->setSelLength(6);
        form->Listen();
        QCOMPARE(speech.engine().spoken.last(),
                 QStringLiteral("Your selected sentence is - Use it"));

        // Speech that ends by itself ends listening at the next check.
        speech.engine().finish();
        listen->TimerCheckSaying_Timer();
        QVERIFY(!listen->Listening());
        QVERIFY(!listen->TimerCheckSaying->isActive());
        QVERIFY(showsImage(f.main.get(), 12));
    }

    void withoutSoundNothingIsSpokenAndTheFirstCheckEnds()
    {
        RecordWindowFixture f;
        TestSupport::SoundGate gate(false);
        TestSupport::SpeechRecording speech;
        RecordSpeech *listen = f.form()->speech();
        f.form()->Listen();
        QVERIFY(speech.engine().spoken.isEmpty());
        QVERIFY(listen->Listening());
        listen->TimerCheckSaying_Timer();
        QVERIFY(!listen->Listening());
        QVERIFY(showsImage(f.main.get(), 12));
    }

    void printWithWordWritesTheDocumentAndOpensIt()
    {
        RecordWindowFixture f;
        OpenerSpy opener;
        FrmRecord *form = f.form();
        f.prompter.clear();
        form->PrintWithWord();
        QCOMPARE(f.prompter.calls().size(), 0);
        QCOMPARE(opener.opened.size(), 1);
        const QString path = opener.opened.first();
        QVERIFY(path.endsWith(QStringLiteral(".rtf")));
        QVERIFY(QFileInfo(path).fileName().startsWith(RecordSpeech::documentPrefix()));

        QTextDocument document;
        RtfReader::read(opener.content, &document);
        QCOMPARE(document.toPlainText(), QStringLiteral("First question\n\nUse it. Then"));
        const QTextBlock question = document.firstBlock();
        QVERIFY(question.begin().fragment().charFormat().fontItalic());
        QVERIFY(question.begin().fragment().charFormat().fontWeight() < QFont::Bold);
        const QTextBlock answer = document.lastBlock();
        QVERIFY(!answer.begin().fragment().charFormat().fontItalic());
        QCOMPARE(answer.begin().fragment().charFormat().fontWeight(), int(QFont::Bold));

        // An empty question with an answer still opens.
        form->EditRec();
        form->RTBQuestion->clear();
        form->PrintWithWord();
        QCOMPARE(opener.opened.size(), 2);
        RtfReader::read(opener.content, &document);
        QCOMPARE(document.toPlainText(), QStringLiteral("\n\nUse it. Then"));

        // Both empty: refused before anything is written.
        form->RTBAnswer->setText(QString());
        form->PrintWithWord();
        QCOMPARE(opener.opened.size(), 2);
        QCOMPARE(f.prompter.calls().last().prompt,
                 QStringLiteral("This is an empty record! Not available for openning to WORD."));
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("FAILED"));
        form->CancelChange(true);
    }

    void aWordProcessorThatCannotStartIsReportedAndLeavesNoFile()
    {
        RecordWindowFixture f;
        OpenerSpy opener;
        opener.succeed = false;
        f.prompter.clear();
        f.form()->PrintWithWord();
        QCOMPARE(opener.opened.size(), 1);
        QVERIFY(!QFile::exists(opener.opened.first()));
        QCOMPARE(f.prompter.calls().size(), 1);
        QCOMPARE(f.prompter.calls().first().prompt, QStringLiteral("Word can not be start!"));
        QCOMPARE(f.prompter.calls().first().title, QStringLiteral("OPEN WORD FAILED"));
    }
};

QTEST_MAIN(TestSpeech)
#include "editor_speech.moc"
