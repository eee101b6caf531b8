#pragma once

#include "kb/dockabletool.h"
#include "shell/dialog.h"
#include "winsvc/closeguard.h"

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <functional>

class FrmMain;
class QFrame;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class ToolDock;

// The image navigator: a drive and folder tree (lent to the main window's left panel)
// and a grid of thumbnails of the pictures of the folder chosen in the tree.
class FrmImageNavi : public QWidget, public DockableTool
{
    Q_OBJECT

public:
    explicit FrmImageNavi(FrmMain *main, QWidget *parent = nullptr);
    ~FrmImageNavi() override;

    void SetPar() override;
    void SetParBack() override;

    // How a double-clicked picture is opened, false when no program takes it; tests put
    // their own in its place.
    using FileOpener = std::function<bool(const QString &path)>;
    static void setFileOpener(FileOpener opener);

    static const QStringList &filePattern();

    void Explorer_NodeClick(QTreeWidgetItem *node);
    void Explorer_Expand(QTreeWidgetItem *node);
    void MSFG_SelChange();
    void MSFG_DblClick();

    const QString &CurrentPath() const { return m_currentPath; }
    int ThumbColumns() const { return m_thumbColumns; }
    // The picture files of the shown folder, in list order, as shown.
    const QStringList &fileList() const { return m_file1; }
    bool isBuilding() const { return m_building; }
    bool isDocked() const;
    // The program's busy window while thumbnails are built, else null.
    Dialog *busyWindow() const { return m_dialog; }
    // The file of a grid cell, empty after the last file.
    QString cellFile(int row, int column) const;

    QFrame *FrameImageNavi;
    QTreeWidget *Explorer;
    QTableWidget *MSFG;

    // Data of a grid cell.
    static constexpr int ThumbRole = Qt::UserRole + 10;
    static constexpr int FailedRole = Qt::UserRole + 11;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void LoadTree();
    void ShowFolder(const QString &path);
    void ShowThumbs(const QString &path);
    void BuildThumbGrid(const QString &path);
    void clearGrid();
    void cancelBuild();
    void unloadBusyWindow();
    void thumbReady(int generation, int index, const QImage &thumb);
    // Carries out a close that waited for our operations.
    void closeFrame();
    void Form_QueryUnload();
    void Form_Unload();
    // The index in the file list of a cell; -1 after the last file.
    int cellIndex(int row, int column) const;
    // Says that no program took the file a double click asked to open.
    void reportNoProgram(const QString &full);
    // Puts the lent frame back into this window.
    void takeBackFrame();

    FrmMain *m_main;
    QPointer<ToolDock> m_dock;
    QPointer<QFrame> m_frameGuard;
    QPointer<Dialog> m_dialog;
    // A close asked for while a message box of ours is up is carried out when the last of
    // our operations on the stack ends.
    CloseGuard m_closeGuard{[this] { closeFrame(); }, this};
    QString m_currentPath;
    QStringList m_file1;
    QList<QByteArray> m_nativeFiles; // each file of m_file1 by its own bytes
    int m_thumbColumns = 0;
    bool m_building = false;
    int m_thumbsDone = 0;
    std::atomic<int> m_generation{0};
    QThreadPool m_pool;
};
