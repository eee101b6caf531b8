#pragma once

#include <QObject>
#include <QString>

#include <functional>

class FrmMain;
class FrmRecord;
class QTimer;

// Reading a record aloud (with the main toolbar's Listen button blinking meanwhile) and
// handing it to the desktop's word processor.
class RecordSpeech : public QObject
{
    Q_OBJECT

public:
    // Opens a written document with the program the desktop associates with it; false when
    // none could be started.
    using DocumentOpener = std::function<bool(const QString &path)>;
    static void setDocumentOpener(DocumentOpener opener);
    // The file name start of the documents handed to the word processor.
    static QString documentPrefix() { return QStringLiteral("MarluxRecord-"); }

    RecordSpeech(FrmRecord *form, FrmMain *main);

    void Listen();
    void StopListen();
    void PrintWithWord();
    bool Listening() const { return m_listening; }

    // The RTF document the word processor gets: the question in italics, a blank line, the
    // answer's plain text in bold.
    static QByteArray recordDocument(const QString &question, const QString &answer);

    QTimer *TimerListen = nullptr;
    QTimer *TimerCheckSaying = nullptr;

    void TimerListen_Timer();
    void TimerCheckSaying_Timer();

private:
    QString textToSpeak() const;
    void setListenImage(int index);

    FrmRecord *m_form;
    FrmMain *m_main;
    bool m_listening = false;
    bool m_blinkPhase = false;
};
