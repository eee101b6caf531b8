// The left panel: its tabs, the sounds of its controls, the schema tree's events and the
// splitter bar that sizes it.
#include "kb/frmmain.h"

#include "kb/datatree.h"
#include "kb/dataviewlink.h"
#include "platform/base/apperror.h"
#include "platform/base/colors.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/prompt/prompter.h"
#include "shell/frmcd.h"
#include "shell/mainfunctions.h"
#include "shell/nsnd.h"
#include "winsvc/splitter.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>

namespace {

constexpr int SliderLeftMin = 2600;
constexpr int SliderLeftMax = 6240;
constexpr int SliderWidth = 4; // pixels

// Sounds of the left panel's buttons and drop-downs, and the schema tree's keys and mouse.
class LeftPanelFilter : public QObject
{
public:
    explicit LeftPanelFilter(FrmMain *main) : QObject(main), m_main(main) {}

    void watchDropDown(QComboBox *combo)
    {
        // The drop-down list lives in a popup of its own, made with the view.
        QWidget *popup = combo->view()->parentWidget();
        m_dropDowns.append(popup ? popup : combo->view());
        m_dropDowns.last()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && m_dropDowns.contains(watched)) {
            FrmMain::PlayDropDownSound();
            return false;
        }
        if (event->type() == QEvent::MouseButtonPress &&
            (watched == m_main->CmdSrh || watched == m_main->CmdAndOrNot)) {
            FrmMain::PlayClickDownSound();
            return false;
        }
        if (watched == m_main->PanelLeft && event->type() == QEvent::Resize) {
            m_main->LayoutLeftPanel();
            return false;
        }
        if (watched == m_main->DataTree && event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            // While a label is edited the keys go to its edit box, not here.
            if (key->key() == Qt::Key_Delete) {
                m_main->DataTree_KeyDown(46, key->modifiers());
                return true;
            }
        }
        if (watched == m_main->DataTree->viewport() && event->type() == QEvent::MouseButtonPress) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::RightButton) {
                m_main->DataTree_MouseDown(mouse->button(), mouse->position().toPoint());
                return true;
            }
        }
        return false;
    }

private:
    FrmMain *m_main;
    QList<QObject *> m_dropDowns;
};

} // namespace

void FrmMain::connectLeftPanel()
{
    auto *filter = new LeftPanelFilter(this);
    for (QComboBox *combo : {ComboFont, ComboFontSize, ComboKeyWord, ComboSrhDBName, ComboTable})
        filter->watchDropDown(combo);
    CmdSrh->installEventFilter(filter);
    CmdAndOrNot->installEventFilter(filter);
    DataTree->installEventFilter(filter);
    DataTree->viewport()->installEventFilter(filter);
    // The double click details a leaf; the tree's own toggle would fold those details away,
    // and a label is edited by a click on the selected node or F2, not by a double click.
    DataTree->setExpandsOnDoubleClick(false);
    DataTree->setEditTriggers(QAbstractItemView::SelectedClicked |
                              QAbstractItemView::EditKeyPressed);
    connect(DataTree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *node) {
        if (node && node->childCount() > 0)
            node->setExpanded(!node->isExpanded());
        else
            DataTree_DblClick();
    });
    // The bar between the panel and the work area: a thin strip on the panel's right edge,
    // and the panel never wider than the bar's right limit.
    PicSlider->setFixedWidth(SliderWidth);
    PanelLeft->installEventFilter(filter);
    // The panel, dragged by the bar or by its edge, keeps within the bar's two limits; its
    // tabs scroll rather than hold it wider than the lower one (it starts wide enough for all).
    const int narrowest = Twips::toPixels(SliderLeftMin) + SliderWidth;
    PanelLeft->setMinimumWidth(narrowest);
    PanelLeftDock->setMinimumWidth(narrowest);
    PanelLeftDock->setMaximumWidth(Twips::toPixels(SliderLeftMax) + SliderWidth);
    SSTabMain->setUsesScrollButtons(true);
    int previous = SSTabMain->currentIndex();
    connect(SSTabMain, &QTabWidget::currentChanged, this, [this, previous](int tab) mutable {
        SSTabMain_Click(previous);
        previous = tab;
    });
    UpdateCloseAllMenu(SSTabMain->currentIndex());
}

// ---- Tabs ----

void FrmMain::SSTabMain_Click(int previousTab)
{
    Q_UNUSED(previousTab);
    const int tab = SSTabMain->currentIndex();
    UpdateCloseAllMenu(tab);
    if (tab == 0)
        SSTab0();
    else if (tab == 1)
        SSTab1();
    else if (tab == 2)
        SSTab2();
    PlayTabSound(QStringLiteral("TBTABCLICK"));
}

void FrmMain::UpdateCloseAllMenu(int tab)
{
    if (QAction *closeAll = menuItem(QStringLiteral("mnuCloseAll")))
        closeAll->setEnabled(tab < 1);
}

void FrmMain::activateShown(QWidget *preferred)
{
    // The shown window must also be the active one: the lists steer the active child.
    QMdiSubWindow *window = subWindowOf(preferred);
    if (!window || !window->isVisible())
        return;
    if (m_mdiArea->activeSubWindow() != window)
        m_mdiArea->setActiveSubWindow(window);
}

void FrmMain::SSTab0()
{
    QWidget *view = dataViewForm();
    if (QMdiSubWindow *window = subWindowOf(view))
        window->hide();
    if (QMdiSubWindow *window = subWindowOf(SearchResultForm))
        window->hide();
    ShowRecordForms(true);
    // The record window the user worked in last, else the first one open.
    QWidget *preferred = nullptr;
    if (QMdiSubWindow *current = m_mdiArea->currentSubWindow()) {
        for (const QPointer<QWidget> &form : RecordForms)
            if (form && form == current->widget())
                preferred = form;
    }
    int loaded = 0;
    for (int i = 1; i <= DatabaseButtons; ++i) {
        if (!RecordForms[i])
            continue;
        ++loaded;
        if (!preferred)
            preferred = RecordForms[i];
    }
    // A maximised Data View or search window restored the one record window it covered.
    if (loaded == 1)
        if (QMdiSubWindow *window = subWindowOf(preferred))
            window->showMaximized();
    if (preferred)
        activateShown(preferred);
    ToolBarMain->setVisible(true);
    EnableControls(13, 18);
    DisableControls(17, 18);
    // A record still being edited keeps its Save Record and Discard, or its change could
    // only be lost.
    if (RecordWindowLink *record = activeRecordWindow(); record && record->hasPendingChange()) {
        DisableControls(14, 16);
        EnableControls(17, 18);
    }
}

void FrmMain::SSTab1()
{
    ToolBarMain->setVisible(true);
    DisableControls(13, 18);
    ShowRecordForms(false);
    if (QMdiSubWindow *window = subWindowOf(SearchResultForm)) {
        window->show();
        activateShown(SearchResultForm);
    }
    if (QMdiSubWindow *window = subWindowOf(dataViewForm()))
        window->hide();
}

void FrmMain::SSTab2()
{
    ToolBarMain->setVisible(false);
    ShowRecordForms(false);
    if (QMdiSubWindow *window = subWindowOf(SearchResultForm))
        window->hide();
    QWidget *view = dataViewForm();
    if (QMdiSubWindow *window = subWindowOf(view)) {
        window->show();
        activateShown(view);
    }
}

void FrmMain::PlayTabSound(const QString &name)
{
    // Only while the main window itself is active: a child window keeps its quiet.
    if (QApplication::activeWindow() != this || m_mdiArea->activeSubWindow())
        return;
    SetSndName(name);
    PlaySnd();
}

void FrmMain::PlayDropDownSound()
{
    SetSndName(QStringLiteral("COMBODROPDOWN"));
    PlaySnd();
}

void FrmMain::PlayClickDownSound()
{
    SetSndName(QStringLiteral("CLICKDOWN"));
    PlaySnd();
}

// ---- Schema tree ----

void FrmMain::DataTree_DblClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QTreeWidgetItem *node = DataTree->currentItem();
    DataViewLink *view = dataView();
    if (view && node && node->parent() && node->childCount() == 0) {
        LockWindow(DataTree, true);
        try {
            ::DataTree details;
            details.setDatabaseName(view->dataControl()->DatabaseName());
            details.ShowDetails(node, DataTree, view->password());
        } catch (const AppException &) {
            // A database that cannot be read has no details to add.
        }
        LockWindow(DataTree, false);
    }
    QApplication::restoreOverrideCursor();
}

void FrmMain::DataTree_KeyDown(int keyCode, Qt::KeyboardModifiers shift)
{
    Q_UNUSED(shift);
    if (keyCode != 46)
        return;
    QTreeWidgetItem *node = DataTree->currentItem();
    DataViewLink *view = dataView();
    // Only a table node names a table; any other node's text is no table to drop.
    if (!view || !node || !node->parent() ||
        node->data(0, SchemaTagRole).toString() != QLatin1String("Table"))
        return;
    const QString table = node->text(0);
    if (Prompter::instance().messageBox(QStringLiteral("Are you sure you want to delete table - ") +
                                            table,
                                        106, 1, QStringLiteral("DELETE")) != QLatin1String("Yes"))
        return;
    try {
        view->dropTable(table);
        delete node;
    } catch (const AppException &error) {
        Prompter::instance().messageBox(QStringLiteral("Delete failed because ") +
                                            error.description(),
                                        105, 4, QStringLiteral("FAILED"));
    }
}

void FrmMain::DataTree_MouseDown(Qt::MouseButton button, const QPoint &pos)
{
    if (button != Qt::RightButton)
        return;
    QTreeWidgetItem *node = DataTree->itemAt(pos);
    if (!node || !node->parent() || node->parent()->text(0) != QLatin1String("Tables"))
        return;
    DataTree->setCurrentItem(node);
    if (QMenu *query = subMenu(QStringLiteral("mnuEditDataTree")))
        query->exec(DataTree->viewport()->mapToGlobal(pos));
}

// ---- Splitter bar ----

void FrmMain::picSlider_MouseDown(const QPoint &pos)
{
    if (m_splitter)
        m_splitter->SplitterMouseDown(this, pos);
}

void FrmMain::MDIForm_MouseMove(const QPoint &cursor)
{
    if (m_splitter)
        m_splitter->SplitterFormMouseMove(cursor);
}

void FrmMain::MDIForm_MouseUp(const QPoint &cursor)
{
    // A moved bar reports its new place through splitterMoved, which sizes the panel.
    if (m_splitter)
        m_splitter->SplitterFormMouseUp(cursor);
}

int FrmMain::clampSliderLeft(int leftTwips)
{
    if (leftTwips <= SliderLeftMin)
        return SliderLeftMin;
    if (leftTwips >= SliderLeftMax)
        return SliderLeftMax;
    return leftTwips;
}

int FrmMain::LeftPanelDropped(int x)
{
    const int left = clampSliderLeft(Twips::fromPixels(x - PanelLeftDock->x()));
    const int width = left + Twips::fromPixels(PicSlider->width());
    resizeDocks({PanelLeftDock}, {Twips::toPixels(width)}, Qt::Horizontal);
    LayoutLeftPanel();
    return width;
}

void FrmMain::LayoutLeftPanel()
{
    // The panel's layouts size the tabs, lists and docked tool trees; only the bar, which
    // is no part of them, follows the panel's right edge.
    PicSlider->setGeometry(PanelLeft->width() - SliderWidth, 0, SliderWidth, PanelLeft->height());
    PicSlider->raise();
}

// ---- Procedures no operation runs ----

void FrmMain::ChooseTreeFont()
{
    ChooseControlFont(DataTree);
}

void FrmMain::ChooseControlFont(QWidget *control)
{
    if (!control)
        return;
    CommonDialog &dialog = FrmCD::CD();
    const std::optional<QFont> chosen = dialog.ShowFont(control->font());
    if (!chosen) {
        const AppError error = dialog.lastError();
        // Cancel and a system without fonts end quietly.
        if (error.number != 0 && error.number != CommonDialog::CancelError && error.number != 24574)
            Prompter::instance().messageBox(QString::number(error.number) + QStringLiteral(": ") +
                                                error.description,
                                            103, 4, QStringLiteral("ERROR"));
        return;
    }
    QFont font = control->font();
    font.setBold(chosen->bold());
    font.setFamily(chosen->family());
    font.setPointSizeF(chosen->pointSizeF());
    font.setItalic(chosen->italic());
    font.setStrikeOut(chosen->strikeOut());
    font.setUnderline(chosen->underline());
    control->setFont(font);
}

void FrmMain::DigitsOnlyKey(quint16 &keyAscii)
{
    if (keyAscii >= 48 && keyAscii <= 57)
        return;
    keyAscii = 0;
    QApplication::beep();
}
