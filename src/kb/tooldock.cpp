#include "kb/tooldock.h"

#include "kb/frmmain.h"

#include <QAction>
#include <QBoxLayout>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QTabWidget>

ToolDock::ToolDock(FrmMain *main) : QObject(main), m_main(main)
{
    connect(main->mdiArea(), &QMdiArea::subWindowActivated, this, &ToolDock::update);
    main->PanelLeftDock->installEventFilter(this);
}

ToolDock::Entry *ToolDock::entry(const QWidget *tool)
{
    for (Entry &candidate : m_tools)
        if (tool && candidate.tool == tool)
            return &candidate;
    return nullptr;
}

const ToolDock::Entry *ToolDock::entry(const QWidget *tool) const
{
    return const_cast<ToolDock *>(this)->entry(tool);
}

void ToolDock::add(QWidget *tool, const Pieces &pieces)
{
    if (!tool || entry(tool))
        return;
    const bool captionShown = pieces.caption && !pieces.caption->isHidden();
    m_tools.push_back({tool, pieces.toolbar, pieces.leftPart, pieces.caption, pieces.takeBack,
                       false, captionShown});
}

void ToolDock::remove(QWidget *tool)
{
    Entry *gone = entry(tool);
    if (!gone)
        return;
    undock(tool);
    m_tools.erase(m_tools.begin() + (gone - m_tools.data()));
    // A closing tool takes the left panel with it.
    setPanelShown(false);
    update();
}

void ToolDock::dock(QWidget *tool)
{
    if (!entry(tool))
        return;
    m_requested = tool;
    update();
}

void ToolDock::undock(QWidget *tool)
{
    Entry *leaving = entry(tool);
    if (!leaving)
        return;
    if (m_requested == tool)
        m_requested = nullptr;
    sendHome(*leaving);
    // The panel the pieces were shown in hides rather than stand empty.
    if (m_shown == tool) {
        m_shown = nullptr;
        setPanelShown(false);
    }
}

bool ToolDock::isDocked(const QWidget *tool) const
{
    const Entry *found = entry(tool);
    return found && found->docked;
}

void ToolDock::setCaptionShown(QWidget *tool, bool shown)
{
    Entry *owner = entry(tool);
    if (!owner)
        return;
    owner->captionWanted = shown;
    if (owner->caption && m_shown == tool)
        owner->caption->setVisible(shown);
}

QWidget *ToolDock::activeTool() const
{
    QMdiSubWindow *current = m_main->mdiArea()->currentSubWindow();
    if (current && !current->isHidden()) {
        for (const Entry &candidate : m_tools)
            if (candidate.tool && candidate.tool->parentWidget() == current)
                return candidate.tool;
        return nullptr;
    }
    // No child on view: the tool that asked last.
    return m_requested;
}

void ToolDock::update()
{
    // A change that arrives while the pieces move (a focus or activation they cause) is
    // looked at again once they have.
    if (m_applying) {
        m_again = true;
        return;
    }
    for (int round = 0; round < 3; ++round) {
        m_again = false;
        apply(activeTool());
        if (!m_again)
            break;
    }
}

void ToolDock::sendHome(Entry &leaving)
{
    if (!leaving.docked)
        return;
    leaving.docked = false;
    if (leaving.takeBack)
        leaving.takeBack();
}

void ToolDock::apply(QWidget *tool)
{
    m_applying = true;
    // Everyone else's pieces first, so that nothing of theirs is left beside the new ones.
    for (Entry &other : m_tools) {
        if (other.tool == tool)
            continue;
        sendHome(other);
        if (other.caption && m_shown == other.tool)
            other.caption->hide();
    }
    Entry *shown = entry(tool);
    m_shown = shown ? tool : nullptr;
    if (shown) {
        if (!shown->docked) {
            shown->docked = true;
            if (shown->toolbar)
                m_main->PanelHolder->layout()->addWidget(shown->toolbar);
            if (shown->leftPart)
                static_cast<QBoxLayout *>(m_main->PanelLeft->layout())
                    ->addWidget(shown->leftPart, 1);
        }
        if (shown->toolbar)
            shown->toolbar->show();
        if (shown->leftPart)
            shown->leftPart->show();
        if (shown->caption)
            shown->caption->setVisible(shown->captionWanted);
        const bool leftPart = shown->leftPart;
        m_main->SSTabMain->setVisible(!leftPart);
        // A tool without a left part has no use for the panel while it is active.
        showPanel(leftPart);
    } else {
        m_main->SSTabMain->setVisible(m_panelWanted);
        showPanel(m_panelWanted);
    }
    m_main->ShowPanelCaption();
    m_applying = false;
}

void ToolDock::setPanelShown(bool shown)
{
    m_panelWanted = shown;
    if (!m_shown)
        m_main->SSTabMain->setVisible(shown);
    showPanel(shown);
    m_main->ShowPanelCaption();
}

void ToolDock::showPanel(bool shown)
{
    QDockWidget *dock = m_main->PanelLeftDock;
    const bool wasHidden = dock->isHidden();
    m_main->PanelLeft->setVisible(shown);
    dock->setVisible(shown);
    // The View menu's mark follows the panel, whoever shows or hides it.
    if (QAction *viewer = m_main->menuItem(QStringLiteral("mnuDbViewer"))) {
        const QSignalBlocker blocker(viewer);
        viewer->setChecked(shown);
    }
    // Shown again, the panel takes the width it had, not what was left of it while hidden.
    if (shown && wasHidden && m_panelWidth > 0)
        m_main->resizeDocks({dock}, {m_panelWidth}, Qt::Horizontal);
}

bool ToolDock::eventFilter(QObject *watched, QEvent *event)
{
    QDockWidget *dock = m_main->PanelLeftDock;
    if (watched == dock && event->type() == QEvent::Resize && !dock->isHidden() &&
        dock->isVisible())
        m_panelWidth = static_cast<QResizeEvent *>(event)->size().width();
    return QObject::eventFilter(watched, event);
}
