#include "shell/frmsystray.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

using Operation = FrmSysTray::Operation;

struct Sent
{
    Operation operation;
    QString tip;
};

QIcon filledIcon(Qt::GlobalColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

} // namespace

class TestTray : public QObject
{
    Q_OBJECT

private slots:
    void iconRecordGoesToTheDesktop()
    {
        QList<Sent> sent;
        auto *tray =
            new FrmSysTray(nullptr, [&sent](Operation op, const QIcon &, const QString &tip) {
                sent.append({op, tip});
            });
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.at(0).operation, Operation::Add);
        QVERIFY(!tray->systemTrayIcon()); // a notifier replaces the desktop's tray

        // The same icon sends nothing; a new one is sent once.
        const QIcon red = filledIcon(Qt::red);
        tray->setIconHandle(red);
        tray->setIconHandle(red);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(1).operation, Operation::ModifyIcon);
        QCOMPARE(tray->IconHandle().cacheKey(), red.cacheKey());

        // The same tip is sent again.
        tray->setToolTip(QStringLiteral("Marlux"));
        tray->setToolTip(QStringLiteral("Marlux"));
        QCOMPARE(sent.size(), 4);
        QCOMPARE(sent.at(3).operation, Operation::ModifyTip);
        QCOMPARE(sent.at(3).tip, QStringLiteral("Marlux"));
        QCOMPARE(tray->ToolTip(), QStringLiteral("Marlux"));
        tray->setToolTip(QString(70, 'x'));
        QCOMPARE(tray->ToolTip(), QString(63, 'x'));

        delete tray;
        QCOMPARE(sent.last().operation, Operation::Delete);
    }

    void menuItemsAndDefault()
    {
        FrmSysTray tray(nullptr, [](Operation, const QIcon &, const QString &) {});
        QCOMPARE(tray.AddMenuItem("&Open Marlux", "Open", true), 0);
        QCOMPARE(tray.AddMenuItem("&Start new search", "Search"), 1);
        QCOMPARE(tray.AddMenuItem("-", ""), 2);
        QCOMPARE(tray.AddMenuItem("&Close", "Close"), 3);
        QCOMPARE(tray.menu()->actions().size(), 4);
        QVERIFY(tray.menuItem(2)->isSeparator());
        QCOMPARE(tray.DefaultMenuIndex(), 0);
        QCOMPARE(tray.menu()->defaultAction(), tray.menuItem(0));

        tray.setDefaultMenuIndex(3);
        QCOMPARE(tray.menu()->defaultAction(), tray.menuItem(3));
        tray.setDefaultMenuIndex(9); // outside: stores 0
        QCOMPARE(tray.DefaultMenuIndex(), 0);
        tray.setDefaultMenuIndex(-1);
        QCOMPARE(tray.DefaultMenuIndex(), 0);

        tray.EnableMenuItem(1, false);
        QVERIFY(!tray.menuItem(1)->isEnabled());
        tray.EnableMenuItem(7, false); // ignored
        tray.EnableMenuItem(-1, false);
        QCOMPARE(tray.menuItemCount(), 4);

        tray.ShowMenu();
        QTRY_VERIFY(tray.menu()->isVisible());
        QCOMPARE(tray.menu()->defaultAction()->text(), QStringLiteral("&Open Marlux"));
        tray.menu()->hide();
    }

    void removingMovesTheLaterItemsUp()
    {
        FrmSysTray tray(nullptr, [](Operation, const QIcon &, const QString &) {});
        tray.AddMenuItem("One", "1");
        tray.AddMenuItem("Two", "2");
        tray.AddMenuItem("Three", "3", true);
        tray.EnableMenuItem(2, false);
        tray.RemoveMenuItem(1);
        QCOMPARE(tray.menuItemCount(), 2);
        QCOMPARE(tray.menuItem(1)->text(), QStringLiteral("Three"));
        QCOMPARE(tray.menuKey(1), QStringLiteral("3"));
        // Its state and default mark move with it.
        QVERIFY(!tray.menuItem(1)->isEnabled());
        QCOMPARE(tray.DefaultMenuIndex(), 1);
        QCOMPARE(tray.menu()->defaultAction(), tray.menuItem(1));

        tray.RemoveMenuItem(5); // ignored
        QCOMPARE(tray.menuItemCount(), 2);

        // The first item stays, only its caption goes.
        tray.RemoveMenuItem(0);
        QCOMPARE(tray.menuItemCount(), 2);
        QCOMPARE(tray.menuItem(0)->text(), QString());
        QCOMPARE(tray.menuKey(0), QStringLiteral("1"));
        QCOMPARE(tray.DefaultMenuIndex(), 1);

        // Removing the default item leaves no default.
        tray.RemoveMenuItem(1);
        QCOMPARE(tray.DefaultMenuIndex(), -1);
        QVERIFY(!tray.menu()->defaultAction());
        QCOMPARE(tray.AddMenuItem("Again", "A"), 1);
        tray.ShowMenu(); // no default item: nothing bold, no failure
        QVERIFY(!tray.menu()->defaultAction());
        tray.menu()->hide();
    }

    void choicesAndClicksBecomeEvents()
    {
        FrmSysTray tray(nullptr, [](Operation, const QIcon &, const QString &) {});
        tray.AddMenuItem("&Open", "Open", true);
        tray.AddMenuItem("-", "");
        tray.AddMenuItem("&Close", "Close");
        QSignalSpy menu(&tray, &FrmSysTray::MenuClick);
        tray.menuItem(2)->trigger();
        tray.mnuSysTray_Click(0);
        tray.mnuSysTray_Click(1);
        tray.mnuSysTray_Click(3); // no such item
        QCOMPARE(menu.size(), 3);
        QCOMPARE(menu.at(0), (QVariantList{2, QStringLiteral("Close")}));
        QCOMPARE(menu.at(1), (QVariantList{0, QStringLiteral("Open")}));
        QCOMPARE(menu.at(2), (QVariantList{1, QString()}));

        QSignalSpy down(&tray, &FrmSysTray::SysTrayMouseDown);
        QSignalSpy up(&tray, &FrmSysTray::SysTrayMouseUp);
        QSignalSpy doubleClick(&tray, &FrmSysTray::SysTrayDoubleClick);
        tray.trayActivated(QSystemTrayIcon::Trigger);
        tray.trayActivated(QSystemTrayIcon::Context);
        tray.trayActivated(QSystemTrayIcon::DoubleClick);
        tray.trayActivated(QSystemTrayIcon::MiddleClick);
        QCOMPARE(down.size(), 2);
        QCOMPARE(down.at(0).at(0).toInt(), 1);
        QCOMPARE(down.at(1).at(0).toInt(), 2);
        QCOMPARE(up.size(), 1);
        QCOMPARE(up.at(0).at(0).toInt(), 2);
        QCOMPARE(doubleClick.size(), 1);
    }

    void withoutADesktopTray()
    {
        // Offscreen there is no tray: nothing is shown and everything else still works.
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        FrmSysTray tray;
        QVERIFY(!tray.systemTrayIcon());
        QCOMPARE(tray.AddMenuItem("&Open", "Open", true), 0);
        tray.setToolTip(QStringLiteral("Marlux"));
        tray.setIconHandle(filledIcon(Qt::blue));
        QCOMPARE(tray.ToolTip(), QStringLiteral("Marlux"));
    }
};

QTEST_MAIN(TestTray)
#include "shell_smallwin_tray.moc"
