#pragma once

#include "winsvc/flatcontrols.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class FrmMain;
class QComboBox;
class QLabel;
class QPushButton;

// Moves the record shown in a record window into another topic of the same database.
class FrmTrans : public QDialog
{
    Q_OBJECT

public:
    explicit FrmTrans(QWidget *parent = nullptr);

    // Set by the opener before the window is shown.
    QString AnswerText;
    QString QuestionText;
    QString DatabaseName;
    // Where the record lives: the copy is made from the stored row, not from the shown text.
    QString SourceTopic;
    qint64 SourceKey = -1;
    // Deletes the source record; called only after the copy was stored.
    std::function<void()> afterCopy;

    // Shows the question and lists every topic but the current one.
    void Form_Load(const QString &currentTopic, const QStringList &topics);
    // True when the record was moved.
    bool CmdTrans_Click();
    void CmdCancel_Click();

    QLabel *LblQuestion = nullptr;
    QLabel *LblTopic = nullptr;
    QComboBox *Combo = nullptr;
    QPushButton *CmdTrans = nullptr;
    QPushButton *CmdCancel = nullptr;

    // The main window's entry: sets the window up from the active record window and shows it.
    static void showFor(FrmMain *main);

    // The flat look of the window's text and combo boxes, released with the window.
    FlatControls flatControls;

private:
    // Returns the key of the stored copy.
    qint64 copyRecord(const QString &target);
    bool sourceStillStored() const;
};

// Opens one of the database maintenance windows for the main window: "FrmTrans",
// "FrmCompactDB", "FrmExportDBTextFile" or "FrmImportFromText".
void openDbMaintenanceWindow(FrmMain *main, const QString &window);

// Runs one of these windows modally; tests put a driver of their own in its place.
using DbMaintenanceModalRunner = std::function<void(QDialog *window)>;
void setDbMaintenanceModalRunner(DbMaintenanceModalRunner runner);
void runDbMaintenanceModal(QDialog *window);
