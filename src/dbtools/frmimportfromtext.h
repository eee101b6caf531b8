#pragma once

#include "winsvc/flatcontrols.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class DirListBox;
class FrmMain;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QProgressBar;
class QPushButton;

namespace db {
class Database;
}

// A three-step wizard that turns text files into records of one topic: the file's name becomes
// the question and its text the answer.
class FrmImportFromText : public QDialog
{
    Q_OBJECT

public:
    // databaseFolder: where the wizard lists the databases.
    explicit FrmImportFromText(const QString &databaseFolder, QWidget *parent = nullptr);
    ~FrmImportFromText() override;
    void reject() override;

    // Step 1: the folder, the pattern and the chosen files.
    void Drive1_Change();
    void Dir1_Change();
    void CmdBrowse_Click(); // picks the folder through the prompter
    // Moves the folder list there (and lists the folder's files).
    void setFolder(const QString &folder);
    QString folder() const;
    void TxtPatn_Change();
    void File1_DblClick(int row);
    void CheckSelectAll_Click();
    void mnuMoveOut_Click();
    // Step 2: the database and the topic.
    void File2_Click(int row);
    void List2_Click();
    void CmdNext_Click();
    void CmdPrevious_Click();
    void CmdClose_Click();
    bool isImporting() const { return m_database != nullptr; }

    QGroupBox *Frame1 = nullptr;
    QComboBox *Drive1 = nullptr;
    DirListBox *Dir1 = nullptr;
    QPushButton *CmdBrowse = nullptr;
    QListWidget *File1 = nullptr;
    QLineEdit *TxtPatn = nullptr;
    QCheckBox *CheckSelectAll = nullptr;
    QListWidget *List1 = nullptr; // full paths
    QStringList List3;            // bare names, same order as List1
    QGroupBox *Frame2 = nullptr;
    QListWidget *File2 = nullptr;
    QLabel *LblDBName = nullptr;
    QListWidget *List2 = nullptr;
    QLabel *LblToRec = nullptr;
    QGroupBox *Frame3 = nullptr;
    QListWidget *ListFinalFile = nullptr;
    QLabel *LblDataBaseName = nullptr;
    QLabel *LblRecordset = nullptr;
    QLabel *LblDesript = nullptr;
    QProgressBar *PBar = nullptr;
    QPushButton *CmdClose = nullptr;
    QPushButton *CmdPrevious = nullptr;
    QPushButton *CmdNext = nullptr;
    QMenu *mnuEdit = nullptr;

    // The answer a file gives: rich text flattened, other text read as UTF-8 or else
    // Windows-1252. The path is the file system's own bytes. Throws when the file cannot be
    // read.
    static QString readFileText(const QByteArray &nativePath);

    static void showFor(FrmMain *main);

    // The flat look of the window's text and combo boxes, released with the window.
    FlatControls flatControls;

signals:
    void importFinished(int imported, int failed);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    int visibleStep() const;
    void addFile(const QListWidgetItem *file);
    void removeChosen(int row);
    void Import();
    void importNext();

    QString m_databaseFolder;
    std::shared_ptr<db::Database> m_database;
    QString m_topic;
    int m_next = 0;
    int m_imported = 0;
    QStringList m_failures;
};
