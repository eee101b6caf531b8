#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class FrmMain;
class QWidget;

// The one owner of the main window's left panel and of the tools' place in the top band.
// Each tool window registers the pieces it lends: a toolbar for the top band, a tree or frame
// for the left panel, a caption of the band it writes into. Whenever the active child window
// changes (and after tiling, cascading and closing) the service shows the active tool's
// pieces, or the database tabs, and sends every other tool's pieces home, so what shows never
// depends on the order in which the windows hear of an activation.
class ToolDock : public QObject
{
    Q_OBJECT

public:
    struct Pieces
    {
        QWidget *toolbar = nullptr;
        QWidget *leftPart = nullptr;
        QWidget *caption = nullptr;
        // Puts the toolbar and the left part back into the tool's own window.
        std::function<void()> takeBack;
    };

    explicit ToolDock(FrmMain *main);

    void add(QWidget *tool, const Pieces &pieces);
    // The tool closes: its pieces go home for good, and the left panel hides.
    void remove(QWidget *tool);
    // The tool asks for its pieces to show (its docking call): they do while it is the active
    // child, or while no child window is on view.
    void dock(QWidget *tool);
    // The pieces go home now; a panel they were shown in hides.
    void undock(QWidget *tool);
    bool isDocked(const QWidget *tool) const;
    // The tool that shows its pieces, nullptr when the database tabs hold the panel.
    QWidget *shownTool() const { return m_shown; }
    // The tool's caption shows in the top band while the tool's pieces do.
    void setCaptionShown(QWidget *tool, bool shown);

    // The left panel as the user, the top band's tabs and the record windows set it; a tool
    // with a left part shows it regardless while that tool is active.
    void setPanelShown(bool shown);
    // Shows the active child's pieces, or the database tabs.
    void update();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Entry
    {
        QPointer<QWidget> tool;
        QPointer<QWidget> toolbar;
        QPointer<QWidget> leftPart;
        QPointer<QWidget> caption;
        std::function<void()> takeBack;
        bool docked = false;
        bool captionWanted = false;
    };

    Entry *entry(const QWidget *tool);
    const Entry *entry(const QWidget *tool) const;
    QWidget *activeTool() const;
    void apply(QWidget *tool);
    void sendHome(Entry &entry);
    void showPanel(bool shown);

    FrmMain *m_main;
    std::vector<Entry> m_tools;
    QPointer<QWidget> m_shown;
    QPointer<QWidget> m_requested;
    bool m_panelWanted = true;
    // The panel's width while it was last on view, given back when it shows again.
    int m_panelWidth = 0;
    bool m_applying = false;
    bool m_again = false;
};
