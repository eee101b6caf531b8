#pragma once

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class FrmMain;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QThread;

// Compacts and repairs the database files of the knowledge-base folder, one checked box per
// file. Each file is compacted into a checked copy that then replaces it.
class FrmCompactDB : public QDialog
{
    Q_OBJECT

public:
    // folder: the knowledge-base folder, ending with a separator.
    explicit FrmCompactDB(const QString &folder, QWidget *parent = nullptr);
    ~FrmCompactDB() override;

    // Reopens what the main window closed before; called once when the window goes.
    std::function<void()> restoreForm;

    void Check_Click(int index);
    void CheckAll_Click();
    void CmdGo_Click();
    void CmdExit_Click();
    bool isRunning() const { return m_worker != nullptr; }

    QList<QCheckBox *> Check;
    QWidget *Label1 = nullptr; // the 3D label
    QGroupBox *FrameSelect = nullptr;
    QCheckBox *CheckAll = nullptr;
    QPushButton *CmdGo = nullptr;
    QPushButton *CmdExit = nullptr;
    QProgressBar *PB = nullptr;
    // Names of the databases compacted in this window's life, in box order.
    QStringList compactedNames() const;

    static void showFor(FrmMain *main);

signals:
    // The run stopped: after the last box, or at a failure.
    void runFinished(bool ok);

protected:
    void closeEvent(QCloseEvent *event) override;
    void done(int result) override;

private:
    void LayoutChecks();
    void setSelectedCount(int count);
    void setRunning(bool running);
    void compactNext();
    void ShowRepairedList();

    QString m_folder;
    int m_selectedCount = 0;
    int m_next = 0;
    bool m_unloaded = false;
    QList<bool> m_done; // compacted in this window's life, by box
    QThread *m_worker = nullptr;
    QString m_workerError;
};
