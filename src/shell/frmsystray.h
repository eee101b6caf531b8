#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

class QAction;
class QMenu;
class QWidget;

// The program's icon in the notification area with its popup menu. The menu, its
// default item and the dispatch of clicks work whether or not the desktop has a tray;
// without one nothing is shown and the rest still answers.
class FrmSysTray : public QObject
{
    Q_OBJECT

public:
    // What the desktop is told about the icon.
    enum class Operation { Add, ModifyIcon, ModifyTip, Delete };
    using Notifier = std::function<void(Operation, const QIcon &, const QString &)>;

    // Adds the icon with the program's icon and description. Without a notifier the
    // desktop's tray is used when there is one.
    explicit FrmSysTray(QObject *parent = nullptr, Notifier notifier = {});
    ~FrmSysTray() override;

    // The desktop's icon, or nullptr when there is no tray (or a notifier was given).
    QSystemTrayIcon *systemTrayIcon() const { return m_trayIcon; }
    // The popup menu (mnuPopup).
    QMenu *menu() const { return m_menu; }

    QString ToolTip() const { return m_tip; }
    // At most 63 characters are kept.
    void setToolTip(const QString &text);
    QIcon IconHandle() const { return m_icon; }
    // Tells the desktop only when the icon really changes.
    void setIconHandle(const QIcon &icon);

    // Adds an item and returns its index (0, 1, 2 ...). A caption of "-" is a separator.
    int AddMenuItem(const QString &caption, const QString &key, bool isDefault = false);
    void EnableMenuItem(int index, bool enabled);
    // The items after it move up one place, with their key, state and default mark; the first
    // item only loses its caption.
    void RemoveMenuItem(int index);
    int DefaultMenuIndex() const { return m_defaultIndex; }
    // An index outside the menu stores 0.
    void setDefaultMenuIndex(int index);

    int menuItemCount() const { return int(m_items.size()); }
    QAction *menuItem(int index) const;
    QString menuKey(int index) const;

    // Pops the menu up at the mouse, its default item in bold; a negative default index
    // shows no default item.
    void ShowMenu();

    // Choosing an item: raises MenuClick with its index and key.
    void mnuSysTray_Click(int index);
    // What the desktop reports about clicks on the icon.
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

signals:
    // Button: 1 left, 2 right.
    void SysTrayMouseDown(int button);
    void SysTrayMouseUp(int button);
    void SysTrayMouseMove();
    void SysTrayDoubleClick(int button);
    void MenuClick(int index, const QString &key);

private:
    bool validIndex(int index) const;
    void notify(Operation operation);
    void applyDefault();

    Notifier m_notifier;
    QPointer<QSystemTrayIcon> m_trayIcon;
    QMenu *m_menu = nullptr;
    QList<QAction *> m_items;
    int m_defaultIndex = 0;
    QIcon m_icon;
    QString m_tip;
};

// The main window's answers to the tray. Restoring shows a window in front; a
// minimised one comes back maximised.
void RestoreMainWindow(QWidget *window);
// A double click: a minimised window comes back maximised, a maximised one is
// minimised, a normal one stays as it is.
void ToggleMainWindow(QWidget *window);
