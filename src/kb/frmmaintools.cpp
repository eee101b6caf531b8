// The main window's side of the tool windows: the tool toolbar, the Tools menu, the
// top band's tabs, and the containers the tools dock their controls into.
#include "kb/frmmain.h"

#include "kb/dockabletool.h"
#include "kb/tooldock.h"
#include "platform/base/apppaths.h"
#include "shell/mainfunctions.h"
#include "shell/nsnd.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QToolBar>

namespace {

QHash<QString, FrmMain::ToolWindowFactory> &toolFactories()
{
    static QHash<QString, FrmMain::ToolWindowFactory> factories;
    return factories;
}

QHash<QString, QPointer<QWidget>> &toolInstances()
{
    static QHash<QString, QPointer<QWidget>> instances;
    return instances;
}

struct ToolCommand
{
    const char *key;
    const char *menuItem;
};

constexpr ToolCommand toolCommands[] = {{"Internet", "mnuWebSurf"},
                                        {"FTP", "mnuFTP"},
                                        {"Telnet", "mnuTelnet"},
                                        {"Image Navigator", "mnuImageNavi"}};

} // namespace

void FrmMain::setToolWindowFactory(const QString &key, ToolWindowFactory factory)
{
    if (factory)
        toolFactories().insert(key, std::move(factory));
    else
        toolFactories().remove(key);
}

void FrmMain::connectToolControls()
{
    // A tool that is not built into the program keeps its button and menu item disabled.
    for (const ToolCommand &command : toolCommands) {
        const bool available = toolFactories().contains(QLatin1String(command.key));
        if (QAction *button = toolbarButton(QLatin1String(command.key)))
            button->setEnabled(available);
        if (QAction *item = menuItem(QLatin1String(command.menuItem)))
            item->setEnabled(available);
    }
    connect(SSTabTop, &QTabWidget::currentChanged, this, &FrmMain::SSTabTop_Click);
}

QWidget *FrmMain::toolWindow(const QString &key)
{
    QPointer<QWidget> &instance = toolInstances()[key];
    if (instance && instance->window() == window())
        return instance;
    const auto factory = toolFactories().value(key);
    if (!factory)
        return nullptr;
    instance = factory(this);
    if (!instance)
        return nullptr;
    QMdiSubWindow *frame = m_mdiArea->addSubWindow(instance);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    return instance;
}

void FrmMain::TBTool_ButtonClick(const QString &key)
{
    CloseAllChildren();
    QWidget *tool = toolWindow(key);
    if (!tool)
        return;
    LockWindow(tool, true);
    if (QWidget *frame = tool->parentWidget())
        frame->showMaximized();
    tool->show();
    if (auto *dockable = dynamic_cast<DockableTool *>(tool))
        dockable->SetPar();
    LockWindow(tool, false);
}

static void showTool(FrmMain *main, const QString &key)
{
    main->SSTabTop->setCurrentIndex(1);
    QWidget *tool = main->toolWindow(key);
    if (!tool)
        return;
    if (QWidget *frame = tool->parentWidget())
        frame->showMaximized();
    tool->show();
}

void FrmMain::mnuWebSurf_Click()
{
    showTool(this, QStringLiteral("Internet"));
}

void FrmMain::mnuFTP_Click()
{
    showTool(this, QStringLiteral("FTP"));
}

void FrmMain::mnuTelnet_Click()
{
    showTool(this, QStringLiteral("Telnet"));
}

void FrmMain::mnuImageNavi_Click()
{
    showTool(this, QStringLiteral("Image Navigator"));
}

void FrmMain::SSTabTop_Click(int tab)
{
    CloseAllChildren();
    // The database tabs come with the panel.
    setPanelLeftVisible(tab == 0);
    // The band's caption under the database toolbar, which the image navigator borrowed for
    // its pictures' descriptions and hid as it closed.
    if (tab == 0) {
        LabelPicDesc->setProperty("Caption", AppPaths::applicationTitle());
        LabelPicDesc->show();
    }
    if (QApplication::activeWindow() == this) {
        SetSndName(QStringLiteral("TABCLICK"));
        PlaySnd();
    }
}

void FrmMain::CloseAllChildren()
{
    // A child that keeps unsaved work refuses and stays; the others go.
    const QList<QMdiSubWindow *> children = m_mdiArea->subWindowList();
    for (QMdiSubWindow *child : children) {
        QWidget *form = child->widget();
        // A closed tool window is on its way out: the next use makes a new one.
        if (child->close()) {
            for (QPointer<QWidget> &instance : toolInstances())
                if (instance == form)
                    instance = nullptr;
        }
    }
    ComboTable->setCurrentIndex(-1);
    ComboTable->setEditText(QString());
}

void FrmMain::ReleaseToolParents()
{
    const QList<QMdiSubWindow *> children = m_mdiArea->subWindowList();
    for (QMdiSubWindow *child : children) {
        if (auto *dockable = dynamic_cast<DockableTool *>(child->widget()))
            dockable->SetParBack();
        child->hide();
    }
}

void FrmMain::ShowRecordForms(bool show)
{
    for (int i = 1; i <= DatabaseButtons; ++i) {
        QWidget *form = RecordForms[i];
        if (!form)
            continue;
        QWidget *frame = form->parentWidget() ? form->parentWidget() : form;
        frame->setVisible(show);
    }
}

void FrmMain::ShowPanelCaption()
{
    // A tool's tree in place of the database tabs: the tool's caption names it.
    QWidget *tool = m_toolDock ? m_toolDock->shownTool() : nullptr;
    m_panelCaption->setText(tool && SSTabMain->isHidden() ? tool->windowTitle()
                                                          : QStringLiteral("Knowledge Base"));
}

void FrmMain::setPanelLeftVisible(bool visible)
{
    m_toolDock->setPanelShown(visible);
}
