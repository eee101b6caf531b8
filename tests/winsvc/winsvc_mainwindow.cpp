#include "kb/frmmain.h"
#include "platform/controls/controlhost.h"
#include "scriptedprompter.h"
#include "testsupport.h"
#include "winsvc/clstooltip.h"
#include "winsvc/listboxtipbox.h"
#include "winsvc/mcoolmenu.h"
#include "winsvc/msubclass.h"
#include "winsvc/setcombowidth.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

class TestMainWindowLook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("MARLUX_CONTROL_REGISTRY", (m_registry.path() + "/controls.ini").toUtf8());
        ControlHost::instance().setLibraryFolder(TestSupport::buildDir() + QStringLiteral("/bin"));
        QCOMPARE(ControlHost::instance().registerControls(), QString());
    }

    void servicesInstalledAtLoad()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        FrmMain main;
        main.MDIForm_Load();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));

        // Balloon tips with the help texts on the three controls.
        const struct
        {
            QWidget *control;
            QString start;
        } tools[] = {
            {main.CHKExact, "Enable this option will only show the records\r\n"},
            {main.TxtKeyWord, "Type the first word of the record to locate it quickly, \r\n"},
            {main.ListRecords, "Here is all the records under the topic above,\r\n"},
        };
        for (const auto &tool : tools) {
            QVERIFY(tool.control->toolTip().isEmpty());
            QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), tool.control->mapToGlobal(QPoint(2, 2)));
            QWidget *target = tool.control;
            if (auto *list = qobject_cast<QListWidget *>(target))
                target = list->viewport();
            QCoreApplication::sendEvent(target, &help);
            TooltipWindow *tip = clsTooltip::tipWindow();
            QVERIFY(tip);
            QTRY_VERIFY(tip->isVisible());
            QVERIFY2(tip->text().startsWith(tool.start), qPrintable(tip->text()));
            QVERIFY(tip->look().balloon);
            QCOMPARE(tip->look().title, QStringLiteral("How to use?"));
            QCOMPARE(tip->look().icon, 1);
            QCOMPARE(tip->look().margin, 6);
            QCOMPARE(tip->look().alignment, 1);
            QCOMPARE(tip->look().text, QColor(0, 0, 0x80));
            QCOMPARE(tip->look().background, QColor(0xFF, 0xC0, 0xFF));
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(target, &leave);
            QVERIFY(!tip->isVisible());
        }
        QVERIFY(clsTooltip::tipWindow()->look().width == 0);

        // Flat look on the text and combo boxes; the tiled background on the client area.
        QVERIFY(MSubClass::IsWatched(main.TxtKeyWord));
        QVERIFY(MSubClass::IsWatched(main.ComboTable));
        QVERIFY(!MSubClass::IsWatched(main.ComboFontSize->lineEdit()) ||
                MSubClass::IsWatched(main.ComboFontSize));
        QVERIFY(MSubClass::IsWatched(main.mdiArea()->viewport()));
        QVERIFY(QFile::exists(root.filePath("BackGround/Ombrel.bmp")));
        QVERIFY(prompter.calls().isEmpty());

        // Quitting releases every window object.
        prompter.answer(QStringLiteral("Yes"));
        QVERIFY(main.close());
        QVERIFY(!MSubClass::IsWatched(main.TxtKeyWord));
        QVERIFY(!MSubClass::IsWatched(main.mdiArea()->viewport()));
        QVERIFY(!clsTooltip::tipWindow());
    }

    void sharedServicesOnTheMainWindow()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        FrmMain main;
        main.MDIForm_Load();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));

        // The menus get their pictures from the window's tagged image list.
        const WndCoolMenu *menus = CoolMenuOf(&main);
        QVERIFY(menus);
        QVERIFY(!menus->images.isEmpty());
        for (const char *name : {"mnuFileOpen", "mnuFileSave", "mnuFilePrint", "mnuEditCopy",
                                 "mnuFindWord", "mnuHelpAbout"}) {
            const QAction *item = main.menuItem(QString::fromLatin1(name));
            // Converted as its menu is about to show.
            auto *menu = qobject_cast<QMenu *>(item->parent());
            QVERIFY2(menu, name);
            menu->popup(QPoint(10, 10));
            QTRY_VERIFY(menu->isVisible());
            menu->hide();
            QVERIFY2(menus->itemData(item) && menus->itemData(item)->iButton >= 0, name);
            QVERIFY2(!item->icon().isNull(), name);
        }
        QCOMPARE(menus->itemData(main.menuItem(QStringLiteral("mnuFileExit")))->iButton, -1);

        // The font list is widened by the shared rule: widest item + 30, at most the screen.
        const QFontMetrics metrics(main.ComboFont->font());
        int widest = 0;
        for (int i = 0; i < main.ComboFont->count(); ++i)
            widest = std::max(widest, metrics.horizontalAdvance(main.ComboFont->itemText(i)) + 30);
        widest = std::min(widest, main.ComboFont->screen()->geometry().width() - 20);
        QCOMPARE(comboDropWidth(main.ComboFont), std::max(widest, main.ComboFont->width()));

        // The question list's tips come from the shared tip service.
        for (int i = 0; i < 25; ++i)
            main.ListRecords->addItem(QStringLiteral("Question %1").arg(i + 1));
        main.ListRecords->scrollToItem(main.ListRecords->item(21));
        const QPoint at = main.ListRecords->visualItemRect(main.ListRecords->item(21)).center();
        main.ListRecords_MouseMove(at);
        QCOMPARE(main.ListRecords->toolTip(), QStringLiteral("The 22nd record: Question 22"));
        QCOMPARE(main.ListRecords->toolTip(), QStringLiteral("The ") + listTipOrdinal(21, 25) +
                                                  QStringLiteral(" record: Question 22"));
    }

private:
    QTemporaryDir m_registry;
};

QTEST_MAIN(TestMainWindowLook)
#include "winsvc_mainwindow.moc"
