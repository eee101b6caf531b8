#include "shell/frmsystray.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>

namespace {

constexpr int TipLength = 63;

} // namespace

FrmSysTray::FrmSysTray(QObject *parent, Notifier notifier)
    : QObject(parent), m_notifier(std::move(notifier)), m_menu(new QMenu)
{
    setObjectName(QStringLiteral("FrmSysTray"));
    m_menu->setObjectName(QStringLiteral("mnuPopup"));
    m_menu->setTitle(QStringLiteral("&Popup"));
    if (!m_notifier && QSystemTrayIcon::isSystemTrayAvailable()) {
        m_trayIcon = new QSystemTrayIcon(this);
        connect(m_trayIcon, &QSystemTrayIcon::activated, this, &FrmSysTray::trayActivated);
    }
    m_icon = QGuiApplication::windowIcon();
    m_tip = QGuiApplication::applicationDisplayName().left(TipLength);
    notify(Operation::Add);
}

FrmSysTray::~FrmSysTray()
{
    notify(Operation::Delete);
    delete m_menu;
}

void FrmSysTray::setToolTip(const QString &text)
{
    m_tip = text.left(TipLength);
    notify(Operation::ModifyTip);
}

void FrmSysTray::setIconHandle(const QIcon &icon)
{
    if (icon.cacheKey() == m_icon.cacheKey())
        return;
    m_icon = icon;
    notify(Operation::ModifyIcon);
}

int FrmSysTray::AddMenuItem(const QString &caption, const QString &key, bool isDefault)
{
    auto *item = new QAction(m_menu);
    if (caption == QLatin1String("-"))
        item->setSeparator(true);
    else
        item->setText(caption);
    item->setData(key);
    const int index = int(m_items.size());
    connect(item, &QAction::triggered, this,
            [this, item] { mnuSysTray_Click(int(m_items.indexOf(item))); });
    m_items.append(item);
    m_menu->addAction(item);
    if (isDefault)
        m_defaultIndex = index;
    applyDefault();
    return index;
}

void FrmSysTray::EnableMenuItem(int index, bool enabled)
{
    if (validIndex(index))
        m_items.at(index)->setEnabled(enabled);
}

void FrmSysTray::RemoveMenuItem(int index)
{
    if (!validIndex(index))
        return;
    if (index == 0) {
        // The first item is never taken out: it only loses its caption.
        m_items.at(0)->setSeparator(false);
        m_items.at(0)->setText(QString());
        return;
    }
    delete m_items.takeAt(index);
    // The default mark stays with its item; removing that item leaves no default.
    if (m_defaultIndex == index)
        m_defaultIndex = -1;
    else if (m_defaultIndex > index)
        --m_defaultIndex;
    applyDefault();
}

void FrmSysTray::setDefaultMenuIndex(int index)
{
    m_defaultIndex = validIndex(index) ? index : 0;
    applyDefault();
}

QAction *FrmSysTray::menuItem(int index) const
{
    return validIndex(index) ? m_items.at(index) : nullptr;
}

QString FrmSysTray::menuKey(int index) const
{
    return validIndex(index) ? m_items.at(index)->data().toString() : QString();
}

void FrmSysTray::ShowMenu()
{
    applyDefault();
    m_menu->popup(QCursor::pos());
    m_menu->activateWindow();
}

void FrmSysTray::mnuSysTray_Click(int index)
{
    if (validIndex(index))
        emit MenuClick(index, menuKey(index));
}

void FrmSysTray::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        emit SysTrayMouseDown(1);
        break;
    case QSystemTrayIcon::Context:
        emit SysTrayMouseDown(2);
        emit SysTrayMouseUp(2);
        break;
    case QSystemTrayIcon::DoubleClick:
        emit SysTrayDoubleClick(1);
        break;
    default:
        break;
    }
}

bool FrmSysTray::validIndex(int index) const
{
    return index >= 0 && index < m_items.size();
}

void FrmSysTray::notify(Operation operation)
{
    if (m_notifier) {
        m_notifier(operation, m_icon, m_tip);
        return;
    }
    if (!m_trayIcon)
        return;
    switch (operation) {
    case Operation::Add:
    case Operation::ModifyIcon:
        // The desktop shows no icon without a picture; it appears with the first one.
        m_trayIcon->setIcon(m_icon);
        m_trayIcon->setToolTip(m_tip);
        m_trayIcon->setVisible(!m_icon.isNull());
        break;
    case Operation::ModifyTip:
        m_trayIcon->setToolTip(m_tip);
        break;
    case Operation::Delete:
        m_trayIcon->hide();
        break;
    }
}

void FrmSysTray::applyDefault()
{
    m_menu->setDefaultAction(validIndex(m_defaultIndex) ? m_items.at(m_defaultIndex) : nullptr);
}

void RestoreMainWindow(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized()) {
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) |
                               Qt::WindowMaximized);
        window->show();
        window->activateWindow();
        return;
    }
    window->show();
    window->raise();
}

void ToggleMainWindow(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        RestoreMainWindow(window);
    else if (window->isMaximized())
        window->showMinimized();
}
