#include "editor/recordspeech.h"

#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "platform/base/checkedwrite.h"
#include "platform/richtext/richtextbox.h"
#include "platform/richtext/rtfwriter.h"
#include "shell/messagebox.h"
#include "shell/shellspeech.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int ListenButton = 12;
constexpr int RestingImage = 12;

RecordSpeech::DocumentOpener &documentOpener()
{
    static RecordSpeech::DocumentOpener opener = [](const QString &path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    return opener;
}

// Documents of earlier days are the word processor's no longer; they would pile up.
void removeOldDocuments(const QDir &folder)
{
    const QDateTime limit = QDateTime::currentDateTime().addDays(-1);
    const QFileInfoList old = folder.entryInfoList(
        {RecordSpeech::documentPrefix() + QStringLiteral("*.rtf")}, QDir::Files);
    for (const QFileInfo &info : old)
        if (info.lastModified() < limit)
            QFile::remove(info.absoluteFilePath());
}

QString plainQuestion(const QPlainTextEdit *box)
{
    return box->toPlainText();
}

} // namespace

void RecordSpeech::setDocumentOpener(DocumentOpener opener)
{
    documentOpener() = opener ? std::move(opener) : [](const QString &path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
}

RecordSpeech::RecordSpeech(FrmRecord *form, FrmMain *main)
    : QObject(form), m_form(form), m_main(main)
{
    TimerListen = new QTimer(this);
    TimerListen->setInterval(800);
    connect(TimerListen, &QTimer::timeout, this, &RecordSpeech::TimerListen_Timer);
    TimerCheckSaying = new QTimer(this);
    TimerCheckSaying->setInterval(1500);
    connect(TimerCheckSaying, &QTimer::timeout, this, &RecordSpeech::TimerCheckSaying_Timer);
}

QString RecordSpeech::textToSpeak() const
{
    const QWidget *active = m_form->focusWidget();
    if (active == m_form->RTBAnswer && m_form->RTBAnswer->selLength() >= 1)
        return QStringLiteral("Your selected sentence is - ") + m_form->RTBAnswer->selText();
    if (active == m_form->RTBQuestion && m_form->RTBQuestion->textCursor().hasSelection()) {
        QString selected = m_form->RTBQuestion->textCursor().selectedText();
        selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        return QStringLiteral("Your selected sentence is - ") + selected;
    }
    return QStringLiteral("The topic title is - ") + plainQuestion(m_form->RTBQuestion) +
           QStringLiteral(" .") + QStringLiteral(". The content is - ") + QStringLiteral(" .") +
           m_form->RTBAnswer->text();
}

void RecordSpeech::Listen()
{
    TimerCheckSaying->start();
    if (m_listening) {
        StopListen();
        return;
    }
    SpeakText(textToSpeak());
    m_listening = true;
    TimerListen->start();
}

void RecordSpeech::setListenImage(int index)
{
    if (!m_main)
        return;
    if (QAction *button = m_main->ToolBarMainButton(ListenButton))
        button->setIcon(FrmMain::imlMainToolbarImage(index));
}

void RecordSpeech::TimerListen_Timer()
{
    if (!m_listening) {
        StopListen();
        return;
    }
    setListenImage(m_blinkPhase ? 23 : 24);
    m_blinkPhase = !m_blinkPhase;
}

void RecordSpeech::TimerCheckSaying_Timer()
{
    if (!IsSpeaking() && m_listening) {
        StopListen();
        TimerCheckSaying->stop();
    }
}

void RecordSpeech::StopListen()
{
    // Stopping speech can run the event loop, where the timers look at the flag.
    m_listening = false;
    setListenImage(RestingImage);
    TimerListen->stop();
    StopSpeaking();
}

QByteArray RecordSpeech::recordDocument(const QString &question, const QString &answer)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat format;
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(true);
    cursor.insertText(question, format);
    format.setFontWeight(QFont::Bold);
    format.setFontItalic(false);
    cursor.insertBlock(QTextBlockFormat(), format);
    cursor.insertBlock(QTextBlockFormat(), format);
    QString body = answer;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cursor.insertText(body, format);
    return RtfWriter::write(&document);
}

void RecordSpeech::PrintWithWord()
{
    const QString question = plainQuestion(m_form->RTBQuestion);
    const QString answer = m_form->RTBAnswer->text();
    if (question.isEmpty() && answer.isEmpty()) {
        MsgBoxEx(QStringLiteral("This is an empty record! Not available for openning to WORD."),
                 105, 4, QStringLiteral("FAILED"));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QDir folder(QDir::tempPath());
    removeOldDocuments(folder);
    // The word processor reads the file after we hand it over, so it stays; a failed
    // hand-over removes it at once.
    QString path;
    {
        QTemporaryFile reserved(folder.filePath(documentPrefix() + QStringLiteral("XXXXXX.rtf")));
        reserved.setAutoRemove(false);
        if (reserved.open())
            path = reserved.fileName();
    }
    bool started = false;
    if (!path.isEmpty()) {
        const QByteArray rtf = recordDocument(question, answer);
        const bool written = writeWholeFile(path, rtf);
        started = written && documentOpener()(path);
        if (!started)
            QFile::remove(path);
    }
    QApplication::restoreOverrideCursor();
    if (!started)
        MsgBoxEx(QStringLiteral("Word can not be start!"), 105, 4,
                 QStringLiteral("OPEN WORD FAILED"));
}
