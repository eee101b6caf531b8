#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class DocxWriter;
class FrmMain;
class QGroupBox;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QVariant;
class XlsxWriterBook;

namespace db {
class Database;
class Recordset;
} // namespace db

// Copies knowledge-base records into a new word-processing document or workbook: the whole
// current topic or only the record shown. The file is written whole and then handed to the
// desktop's handler. Nothing in the database is changed.
class FrmConvert : public QDialog
{
    Q_OBJECT

public:
    // Opens a written document for the user; false when nothing could open it.
    using DocumentOpener = std::function<bool(const QString &fileName)>;

    explicit FrmConvert(QWidget *parent = nullptr);
    ~FrmConvert() override;

    // Replaces the desktop's handler (tests); an empty opener restores it.
    static void setDocumentOpener(DocumentOpener opener);
    // The main window's conversion command for its active child window, target
    // "Microsoft Word" or "Microsoft Excel".
    static void DBConvert(FrmMain *main, const QString &target);
    // Hands the window what the active child shows; false when no child is active.
    static bool prepareFor(FrmMain *main, const QString &target, FrmConvert &window);

    // Set by the opener before the window is shown.
    bool ToWord = true;
    QString DatabaseName;
    QString TopicName;
    QString QuestionText;
    QString AnswerText;

    QGroupBox *Frame = nullptr;
    QRadioButton *OptConvAll = nullptr;
    QRadioButton *Option1 = nullptr;
    QPushButton *CmdConv = nullptr;
    QPushButton *CmdCancel = nullptr;
    QProgressBar *PBConv = nullptr;

    void CmdConv_Click();
    void CmdCancel_Click();

    bool isConverting() const { return m_converting; }
    // The file the last conversion wrote, empty when none.
    QString writtenFile() const { return m_writtenFile; }

    // The answer's stored rich text as plain text; a null field gives "".
    static QString plainText(const QVariant &stored);

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Mode { TopicToWord, TopicToExcel };

    void ConvertTopicToWord();
    void ConvertTopicToExcel();
    void ConvertRecordToWord();
    void ConvertRecordToExcel();

    bool startTopic(Mode mode);
    void convertNextRecord();
    void finishTopic();
    void appendRecord(int number, const QString &question, const QString &answer);
    std::optional<QString> chooseFile();
    bool saveAndOpen(const std::function<bool(const QString &)> &save,
                     const std::function<QString()> &error);
    void beginRun();
    void endRun();
    void closeTopic();
    void showError(const QString &description);
    void unload();

    Mode m_mode = Mode::TopicToWord;
    bool m_converting = false;
    bool m_abortRequested = false;
    bool m_asking = false;
    QString m_fileName;
    QString m_writtenFile;
    int m_record = 0;
    int m_row = 2;
    QTimer m_tick;
    std::shared_ptr<db::Database> m_database;
    std::shared_ptr<db::Recordset> m_topic;
    std::unique_ptr<DocxWriter> m_docx;
    std::unique_ptr<XlsxWriterBook> m_xlsx;
};
