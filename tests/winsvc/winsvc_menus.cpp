#include "soundrecorder.h"
#include "winsvc/coolmenustyle.h"
#include "winsvc/mcoolmenu.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSignalSpy>
#include <QStyleOptionMenuItem>
#include <QTest>

class TestMenus : public QObject
{
    Q_OBJECT

private slots:
    void captionsParseAndRoundTrip()
    {
        CMyItemData toolbar = ParseMenuCaption(QStringLiteral("#|D|&Toolbar"));
        QVERIFY(toolbar.bAsMark);
        QVERIFY(toolbar.bAsCheck);
        QCOMPARE(toolbar.sMenuHelp, QStringLiteral("D"));
        QCOMPARE(toolbar.sMenuText, QStringLiteral("&Toolbar"));
        QCOMPARE(FormatMenuCaption(toolbar), QStringLiteral("#|D|&Toolbar"));

        CMyItemData dash = ParseMenuCaption(QStringLiteral("-"));
        QVERIFY(dash.separator);
        QVERIFY(dash.sMenuText.isEmpty());
        CMyItemData face = ParseMenuCaption(QStringLiteral("-<='.'=>"));
        QVERIFY(face.separator);
        QCOMPARE(face.sMenuText, QStringLiteral("<='.'=>"));
        QCOMPARE(FormatMenuCaption(face), QStringLiteral("-<='.'=>"));

        CMyItemData radio = ParseMenuCaption(QStringLiteral("*|Pick|&Large"));
        QVERIFY(radio.bAsMark && !radio.bAsCheck);
        QCOMPARE(FormatMenuCaption(radio), QStringLiteral("*|Pick|&Large"));

        // Window-list entries are radio items and keep their caption.
        CMyItemData entry = ParseMenuCaption(QStringLiteral("&2 C++.mdb"));
        QVERIFY(entry.bAsMark && !entry.bAsCheck);
        QCOMPARE(FormatMenuCaption(entry), QStringLiteral("&2 C++.mdb"));

        // A lone bar is text, not a help part.
        CMyItemData bar = ParseMenuCaption(QStringLiteral("A|B"));
        QCOMPARE(bar.sMenuText, QStringLiteral("A|B"));
        QVERIFY(bar.sMenuHelp.isEmpty());
        QCOMPARE(ParseMenuCaption(QStringLiteral("&Open")).sMenuText, QStringLiteral("&Open"));
    }

    void imagesByTag()
    {
        const QList<MenuImage> images{{QString(), {}}, {"open", {}}, {"Save", {}}};
        QCOMPARE(GetImageIndexByKey(images, QStringLiteral("Save As...")), 2);
        QCOMPARE(GetImageIndexByKey(images, QStringLiteral("OPEN file")), 1);
        QCOMPARE(GetImageIndexByKey(images, QStringLiteral("Print")), -1);
        // An empty text matches the first image that has a tag.
        QCOMPARE(GetImageIndexByKey(images, QString()), 1);
        QCOMPARE(GetImageIndexByKey({}, QStringLiteral("open")), -1);
    }

    void installConvertsAndReportsHelp()
    {
        QVERIFY(InstallCoolMenu(nullptr));
        QMainWindow window;
        QMenu *view = window.menuBar()->addMenu(QStringLiteral("&View"));
        QAction *toolbar = view->addAction(QStringLiteral("&Toolbar"));
        toolbar->setProperty("menuCaption", QStringLiteral("#|D|&Toolbar"));
        QAction *separator = view->addSeparator();
        separator->setProperty("menuCaption", QStringLiteral("-^__^"));
        QAction *hidden = view->addAction(QStringLiteral("!secret"));
        QMenu *more = view->addMenu(QStringLiteral("&More"));
        more->addAction(QStringLiteral("&Open"));
        window.show();

        HelpCallBack help;
        QPixmap picture(16, 16);
        picture.fill(Qt::red);
        QVERIFY(InstallCoolMenu(&window, &help, {{QStringLiteral("&open"), QIcon(picture)}}));
        WndCoolMenu *state = CoolMenuOf(&window);
        QVERIFY(state);
        // The bar is converted at once, a drop-down menu as it is about to show; items and
        // menus added in between are converted like the others.
        QCOMPARE(state->itemData(view->menuAction())->iButton, -1);
        QVERIFY(state->itemData(view->menuAction())->bMainMenu);
        QVERIFY(!state->itemData(toolbar));
        QAction *late = view->addAction(QStringLiteral("*|Pick|&Late"));
        QMenu *later = window.menuBar()->addMenu(QStringLiteral("&Later"));
        QAction *face = later->addAction(QStringLiteral("-<='.'=>"));
        QAction *open = later->addAction(QStringLiteral("&Open later"));
        QVERIFY(state->itemData(later->menuAction())->bMainMenu);
        const auto showAndHide = [](QMenu *menu) {
            menu->popup(QPoint(10, 10));
            QTRY_VERIFY(menu->isVisible());
            menu->hide();
        };
        showAndHide(view);
        QCOMPARE(toolbar->text(), QStringLiteral("&Toolbar"));
        QVERIFY(toolbar->isCheckable());
        // The help is kept for the help receiver, and shown in no status bar.
        QCOMPARE(state->itemData(toolbar)->sMenuHelp, QStringLiteral("D"));
        QVERIFY(toolbar->statusTip().isEmpty());
        QCOMPARE(separator->text(), QStringLiteral("^__^"));
        QCOMPARE(late->text(), QStringLiteral("&Late"));
        QVERIFY(late->isCheckable());
        QCOMPARE(state->itemData(late)->sMenuHelp, QStringLiteral("Pick"));
        QVERIFY(state->itemData(more->menuAction())->bTrueSub);
        QVERIFY(!state->itemData(more->actions().first()));
        showAndHide(more);
        QCOMPARE(state->itemData(more->actions().first())->iButton, 0);
        QVERIFY(!more->actions().first()->icon().isNull());
        showAndHide(later);
        QCOMPARE(later->style(), view->style());
        QVERIFY(face->isSeparator());
        QCOMPARE(face->text(), QStringLiteral("<='.'=>"));
        QVERIFY(!open->icon().isNull());
        // A caption set later is read again at the next showing.
        late->setText(QStringLiteral("#|New|&Renamed"));
        showAndHide(view);
        QCOMPARE(late->text(), QStringLiteral("&Renamed"));
        QCOMPARE(state->itemData(late)->sMenuHelp, QStringLiteral("New"));
        QVERIFY(state->itemData(late)->bAsCheck);

        // Settings come back when asked without a value.
        QCOMPARE(SetMenuFontName(&window, QStringLiteral("Arial Black")).toString(),
                 QStringLiteral("Arial Black"));
        QCOMPARE(SetMenuFontSize(&window, 9).toInt(), 9);
        QCOMPARE(SetMenuSelectColor(&window, 0x8080FF).toUInt(), 0x8080FFu);
        QCOMPARE(SetMenuForeColor(&window).toUInt(), 0u);
        QCOMPARE(view->font().weight(), QFont::Black);

        QSignalSpy helpEvents(&help, &HelpCallBack::MenuHelp);
        emit view->hovered(toolbar);
        emit view->hovered(more->menuAction());
        QCOMPARE(helpEvents.count(), 2);
        QCOMPARE(helpEvents.at(0).at(1).toString(), QStringLiteral("D"));
        QCOMPARE(helpEvents.at(1).at(0).toString(), QString());

        // Invisible items take no room; items and text separators are drawn.
        QStyleOptionMenuItem option;
        option.initFrom(view);
        option.text = hidden->text();
        option.menuItemType = QStyleOptionMenuItem::Normal;
        QCOMPARE(view->style()->sizeFromContents(QStyle::CT_MenuItem, &option, {}, view),
                 QSize(0, 0));
        option.text = QStringLiteral("&Toolbar");
        QVERIFY(view->style()->sizeFromContents(QStyle::CT_MenuItem, &option, {}, view).width() >
                CoolMenuStyle::TextIndent);
        QVERIFY(!view->grab().isNull());

        QVERIFY(UninstallCoolMenu(&window));
        QVERIFY(!CoolMenuOf(&window));
        QVERIFY(!UninstallCoolMenu(&window));
        QVERIFY(SetMenuFontSize(&window).isNull());
    }

    void separatorsTakeRoomAndUntickedMarksShowTheirBox()
    {
        QMainWindow window;
        QMenu *file = window.menuBar()->addMenu(QStringLiteral("&File"));
        QAction *open = file->addAction(QStringLiteral("&Open"));
        QAction *separator = file->addSeparator();
        separator->setProperty("menuCaption", QStringLiteral("-^__^"));
        QAction *close = file->addAction(QStringLiteral("&Close"));
        QAction *mark = file->addAction(QStringLiteral("&Toolbar"));
        mark->setProperty("menuCaption", QStringLiteral("#|D|&Toolbar"));
        window.show();
        QVERIFY(InstallCoolMenu(&window));
        file->popup(QPoint(10, 10));
        QTRY_VERIFY(file->isVisible());

        // The separator has a row of its own between the items around it.
        const QRect line = file->actionGeometry(separator);
        QVERIFY(line.height() > 0);
        QVERIFY(file->actionGeometry(open).bottom() < line.top());
        QVERIFY(line.bottom() < file->actionGeometry(close).top());

        // Its caption interrupts the etched line: the middle of the row holds more than the
        // two line colours.
        const QImage shot = file->grab().toImage();
        QSet<QRgb> colours;
        for (int x = line.center().x() - 10; x <= line.center().x() + 10; ++x)
            for (int y = line.top(); y <= line.bottom(); ++y)
                colours.insert(shot.pixel(x, y));
        QVERIFY(colours.size() > 3);

        // An unticked mark item shows its empty box with complex checks, nothing without.
        const auto markBox = [&] {
            const QRect row = file->actionGeometry(mark);
            return file->grab(QRect(row.topLeft(), QSize(CoolMenuStyle::ImageBox, row.height())))
                .toImage();
        };
        QVERIFY(!mark->isChecked());
        const QImage withBox = markBox();
        CoolMenuOf(&window)->ComplexChecks = false;
        file->update();
        const QImage plain = markBox();
        QVERIFY(withBox != plain);
        QCOMPARE(plain.pixel(CoolMenuStyle::ImageBox / 2, plain.height() / 2), plain.pixel(1, 1));
        // A ticked item shows its tick in either look.
        mark->setChecked(true);
        QVERIFY(markBox() != plain);
        CoolMenuOf(&window)->ComplexChecks = true;
        QVERIFY(markBox() != withBox);
        file->hide();
    }

    void closingPlaysMenuOnce()
    {
        TestSupport::SoundRecorder sounds;
        TestSupport::SoundGate gate(true);
        QMainWindow window;
        QMenu *file = window.menuBar()->addMenu(QStringLiteral("&File"));
        QMenu *recent = file->addMenu(QStringLiteral("&Recent"));
        recent->addAction(QStringLiteral("&1 one"));
        window.show();
        QVERIFY(InstallCoolMenu(&window));
        file->popup(QPoint(10, 10));
        recent->popup(QPoint(40, 40));
        QTRY_VERIFY(recent->isVisible());
        recent->hide();
        file->hide();
        QTRY_COMPARE(sounds.played, QStringList{QStringLiteral("MENU")});
        QTest::qWait(20);
        QCOMPARE(sounds.played.size(), 1);
        QCOMPARE(CoolMenuOf(&window)->MainPopedIndex, -1);

        // A command chosen from the bar's menu, by mouse or by its key: the menu's sound
        // comes before the command's own.
        QAction *exit = file->addAction(QStringLiteral("E&xit"));
        connect(exit, &QAction::triggered, this, [] {
            SetSndName(QStringLiteral("106"));
            PlaySnd();
        });
        const QStringList menuThenCommand{QStringLiteral("MENU"), QStringLiteral("106")};
        for (const bool byKey : {false, true}) {
            sounds.played.clear();
            QTest::mouseClick(window.menuBar(), Qt::LeftButton, {},
                              window.menuBar()->actionGeometry(file->menuAction()).center());
            QTRY_VERIFY(file->isVisible());
            if (byKey)
                QTest::keyClick(file, Qt::Key_X);
            else
                QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(exit).center());
            QTRY_VERIFY(!file->isVisible());
            QTest::qWait(20);
            QCOMPARE(sounds.played, menuThenCommand);
        }

        // Moving along the bar leaves no menu: one sound, as the last one closes.
        QMenu *edit = window.menuBar()->addMenu(QStringLiteral("&Edit"));
        QMenu *help = window.menuBar()->addMenu(QStringLiteral("&Help"));
        edit->addAction(QStringLiteral("&Undo"));
        help->addAction(QStringLiteral("&About"));
        sounds.played.clear();
        QTest::mouseClick(window.menuBar(), Qt::LeftButton, {},
                          window.menuBar()->actionGeometry(file->menuAction()).center());
        for (QMenu *next : {edit, help}) {
            QTRY_VERIFY(!next->isVisible() && QApplication::activePopupWidget());
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
            QTRY_VERIFY(next->isVisible());
        }
        QTest::keyClick(help, Qt::Key_Escape);
        QTRY_VERIFY(!help->isVisible());
        QTest::qWait(20);
        QCOMPARE(sounds.played, QStringList{QStringLiteral("MENU")});
    }
};

QTEST_MAIN(TestMenus)
#include "winsvc_menus.moc"
