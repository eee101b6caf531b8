#include "clstooltip.h"

#include "platform/base/colors.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QHelpEvent>
#include <QPropertyAnimation>
#include <QWidget>

namespace {

// The system's delays: half a second to show, ten times that to hide, a tenth to reshow.
constexpr int DefaultShow = 500;
constexpr int DefaultAutoHide = 5000;
constexpr int DefaultReShow = 100;
constexpr quint32 InfoText = 0x80000017;
constexpr quint32 InfoBackground = 0x80000018;

TooltipWindow *g_window = nullptr;
int g_instances = 0;

QColor translateColor(quint32 value)
{
    return Colors::fromBgr(value, QApplication::palette());
}

} // namespace

clsTooltip::clsTooltip(QObject *parent) : QObject(parent)
{
    if (!g_window)
        g_window = new TooltipWindow;
    ++g_instances;
    m_showTimer.setSingleShot(true);
    m_hideTimer.setSingleShot(true);
    connect(&m_showTimer, &QTimer::timeout, this, [this] {
        if (m_pendingTool)
            showTip(m_pendingTool, m_pendingPos);
    });
    connect(&m_hideTimer, &QTimer::timeout, this, &clsTooltip::hideTip);
    SetDelayTimes();
}

clsTooltip::~clsTooltip()
{
    hideTip();
    for (const Record &record : std::as_const(m_tools))
        if (record.tool)
            watch(record.tool, false);
    if (--g_instances == 0) {
        delete g_window;
        g_window = nullptr;
    }
}

TooltipWindow *clsTooltip::tipWindow()
{
    return g_window;
}

void clsTooltip::watch(QWidget *tool, bool on)
{
    QList<QObject *> targets{tool};
    // Lists and other scroll areas take their pointer events on the viewport.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(tool))
        targets.append(area->viewport());
    for (QObject *target : targets) {
        if (on)
            target->installEventFilter(this);
        else
            target->removeEventFilter(this);
    }
}

bool clsTooltip::AddTool(QWidget *tool, const Tool &options)
{
    if (!tool || recordOf(tool))
        return false;
    Record record;
    record.tool = tool;
    record.options = options;
    record.background = translateColor(options.backColor.value_or(InfoBackground));
    record.text = translateColor(options.foreColor.value_or(InfoText));
    m_tools.append(record);
    watch(tool, true);
    connect(tool, &QObject::destroyed, this, [this, tool] {
        m_tools.removeIf([tool](const Record &r) { return !r.tool || r.tool == tool; });
    });
    return true;
}

void clsTooltip::UpdateTool(QWidget *tool, const ToolUpdate &update)
{
    Record *record = recordOf(tool);
    if (!record)
        return;
    Tool &options = record->options;
    if (update.text) {
        // An empty text hands the tip back to NeedText.
        options.text = update.text->isEmpty() ? std::nullopt : update.text;
    }
    if (update.foreColor) {
        options.foreColor = update.foreColor;
        record->text = translateColor(*update.foreColor);
    }
    if (update.backColor) {
        options.backColor = update.backColor;
        record->background = translateColor(*update.backColor);
    }
    if (update.balloon)
        options.balloon = *update.balloon;
    if (update.title)
        options.title = *update.title;
    if (update.icon)
        options.icon = *update.icon;
    if (update.showMode)
        options.showMode = *update.showMode;
    if (update.margin)
        options.margin = *update.margin;
    if (update.centered)
        options.centered = *update.centered;
    if (update.alignment)
        options.alignment = *update.alignment;
    if (update.width)
        options.width = *update.width;
    if (m_shownTool == tool)
        showTip(tool, g_window->pos());
}

void clsTooltip::RemoveTool(QWidget *tool)
{
    if (!recordOf(tool))
        return;
    if (m_shownTool == tool)
        hideTip();
    watch(tool, false);
    // The record stays in the list; the tool only stops showing tips.
    recordOf(tool)->removed = true;
}

void clsTooltip::SetDelayTimes(std::optional<int> show, std::optional<int> autoHide,
                               std::optional<int> reShow)
{
    if (!show && !autoHide && !reShow) {
        m_showDelay = DefaultShow;
        m_autoHideDelay = DefaultAutoHide;
        m_reShowDelay = DefaultReShow;
        return;
    }
    if (show)
        m_showDelay = std::max(0, *show);
    if (autoHide)
        m_autoHideDelay = std::max(0, *autoHide);
    if (reShow)
        m_reShowDelay = std::max(0, *reShow);
}

bool clsTooltip::hasTool(const QWidget *tool) const
{
    return recordOf(tool) != nullptr;
}

clsTooltip::Record *clsTooltip::recordOf(const QWidget *widget)
{
    for (Record &record : m_tools)
        if (record.tool && record.tool == widget && !record.removed)
            return &record;
    return nullptr;
}

const clsTooltip::Record *clsTooltip::recordOf(const QWidget *widget) const
{
    return const_cast<clsTooltip *>(this)->recordOf(widget);
}

QString clsTooltip::toolText(QWidget *tool)
{
    const Record *record = recordOf(tool);
    if (!record)
        return {};
    if (record->options.text)
        return *record->options.text;
    QString text;
    emit NeedText(tool, text);
    return text;
}

TooltipWindow::Look clsTooltip::toolLook(const QWidget *tool) const
{
    TooltipWindow::Look look;
    if (const Record *record = recordOf(tool)) {
        look.background = record->background;
        look.text = record->text;
        look.balloon = record->options.balloon;
        look.title = record->options.title.left(80);
        look.icon = record->options.icon;
        look.margin = record->options.margin;
        look.alignment = record->options.alignment;
        look.width = record->options.width;
    }
    return look;
}

bool clsTooltip::showTip(QWidget *tool, const QPoint &globalPos)
{
    m_showTimer.stop();
    const Record *record = recordOf(tool);
    if (!record || !g_window)
        return false;
    const QString text = toolText(tool);
    if (text.isEmpty()) {
        hideTip();
        return false;
    }
    const bool reshow = g_window->isVisible();
    g_window->setLook(toolLook(tool));
    g_window->setText(text);
    QPoint anchor = globalPos;
    if (record->options.centered)
        anchor = tool->mapToGlobal(QPoint(tool->width() / 2, tool->height()));
    m_lastAnimated = record->options.showMode != 0 && !record->options.balloon && !reshow;
    g_window->setWindowOpacity(m_lastAnimated ? 0.0 : 1.0);
    g_window->showAt(anchor);
    if (m_lastAnimated) {
        auto *animation = new QPropertyAnimation(g_window, "windowOpacity", g_window);
        animation->setDuration(200);
        animation->setStartValue(0.0);
        animation->setEndValue(1.0);
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    }
    m_shownTool = tool;
    if (m_autoHideDelay > 0)
        m_hideTimer.start(m_autoHideDelay);
    emit Show();
    return true;
}

void clsTooltip::hideTip()
{
    m_showTimer.stop();
    m_hideTimer.stop();
    m_pendingTool = nullptr;
    if (!m_shownTool)
        return;
    m_shownTool = nullptr;
    if (g_window)
        g_window->hide();
    emit Hide();
}

QWidget *clsTooltip::toolOf(QObject *watched) const
{
    for (const Record &record : m_tools) {
        if (!record.tool || record.removed)
            continue;
        if (record.tool == watched)
            return record.tool;
        if (auto *area = qobject_cast<QAbstractScrollArea *>(record.tool.data()))
            if (area->viewport() == watched)
                return record.tool;
    }
    return nullptr;
}

bool clsTooltip::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *tool = nullptr;
    switch (event->type()) {
    case QEvent::Enter:
        if (toolOf(watched))
            m_entered.start();
        break;
    case QEvent::ToolTip: {
        tool = toolOf(watched);
        if (!tool)
            break;
        // A control's own tip for the spot under the pointer (a list item) comes first.
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && !widget->toolTip().isEmpty()) {
            hideTip();
            return false;
        }
        const QPoint pos = static_cast<QHelpEvent *>(event)->globalPos();
        const qint64 rested = m_entered.isValid() ? m_entered.elapsed() : m_showDelay;
        const int wait = m_shownTool ? m_reShowDelay : int(m_showDelay - rested);
        if (wait > 0) {
            m_pendingTool = tool;
            m_pendingPos = pos;
            m_showTimer.start(wait);
        } else {
            showTip(tool, pos);
        }
        return true;
    }
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
        if (toolOf(watched)) {
            m_entered.invalidate();
            hideTip();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
