#pragma once

#include "winsvc/flatcontrols.h"

#include <QDialog>
#include <QPair>
#include <QString>
#include <QVariant>

class DirListBox;
class FrmMain;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

// Writes knowledge-base records to text files: every record of a topic, one file each,
// or the current record into one file.
class FrmExportDBTextFile : public QDialog
{
    Q_OBJECT

public:
    explicit FrmExportDBTextFile(QWidget *parent = nullptr);
    void reject() override;

    // Set by the opener before the window is shown.
    QString DatabaseName;
    QString TopicName;
    QString QuestionText;
    QString AnswerText;

    void Drive1_Change();
    void Dir1_Click();      // a click in the folder list or a change of its folder
    void CmdBrowse_Click(); // picks the folder through the prompter
    void CmdPrevious_Click();
    void CmdConv_Click();
    void CmdCancel_Click();
    bool isExporting() const { return m_exporting; }

    QGroupBox *Frame1 = nullptr;
    QRadioButton *Opt[2] = {nullptr, nullptr};
    QGroupBox *Frame2 = nullptr;
    QComboBox *Drive1 = nullptr;
    DirListBox *Dir1 = nullptr;
    QPushButton *CmdBrowse = nullptr;
    QLineEdit *TxtFullPath = nullptr;
    QPushButton *CmdPrevious = nullptr;
    QPushButton *CmdConv = nullptr;
    QPushButton *CmdCancel = nullptr;
    QProgressBar *PBConv = nullptr;

    static void showFor(FrmMain *main);

    // Shared with the other record windows of this folder.
    // The database file of the main window's active record window.
    static QString activeDatabaseName(FrmMain *main);
    // Question and answer of a stored record as plain text; empty texts when it is gone.
    static QPair<QString, QString> storedTexts(const QString &database, const QString &topic,
                                               qint64 key);
    // Stored text as a reader sees it: rich text flattened, then as fileText.
    static QString plainText(const QVariant &stored);
    // Stored text as it is, with line breaks as CR LF and no control characters but tabs and
    // line breaks; a null value is empty.
    static QString fileText(const QVariant &stored);
    // The bytes of one exported file.
    static QByteArray fileContent(const QString &question, const QString &answer);

    // The flat look of the window's text and combo boxes, released with the window.
    FlatControls flatControls;

signals:
    void exportFinished(bool ok);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showPage(int page);
    void ExportTopic(const QString &folder);
    void ExportCurrentRecord(const QString &folder);
    void writeNext();
    void endExport(bool ok);

    struct Row
    {
        QVariant question;
        QVariant answer;
    };
    QList<Row> m_rows;
    QString m_folder;
    int m_written = 0;
    bool m_exporting = false;
};
