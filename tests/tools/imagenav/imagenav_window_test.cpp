#include "kb/frmmain.h"
#include "scriptedprompter.h"
#include "shell/dialog.h"
#include "testsupport.h"
#include "tools/imagenav/FrmImageNavi.h"
#include "tools/imagenav/ImageNaviThumbs.h"
#include "tools/imagenav/cDrives.h"
#include "tools/imagenav/mExplorerTree.h"

#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <cstdio>

namespace {

const QString Key = QStringLiteral("Image Navigator");

void writeImage(const QString &path, const char *format, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY2(image.save(path, format), qPrintable(path));
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString caption(QWidget *label)
{
    if (label->metaObject()->indexOfProperty("Caption") >= 0)
        return label->property("Caption").toString();
    return qobject_cast<QLabel *>(label)->text();
}

QTreeWidgetItem *childNamed(QTreeWidgetItem *node, const QString &text)
{
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->text(0) == text)
            return node->child(i);
    }
    return nullptr;
}

// A message box that, like a real one, runs a nested event loop; while it is up a timer
// closes the window under test.
class ClosingPrompter : public ScriptedPrompter
{
public:
    std::function<void()> closer;
    bool survived = false;
    QPointer<QWidget> watched;
    QString messageBox(const QString &prompt, int icon, int buttonSet,
                       const QString &title) override
    {
        if (closer) {
            QTimer::singleShot(0, closer);
            QEventLoop loop;
            QTimer::singleShot(50, &loop, &QEventLoop::quit);
            loop.exec();
            survived = !watched.isNull() && watched->isVisible();
        }
        return ScriptedPrompter::messageBox(prompt, icon, buttonSet, title);
    }
};

int filledCells(QTableWidget *grid)
{
    int count = 0;
    for (int row = 0; row < grid->rowCount(); ++row) {
        for (int column = 0; column < grid->columnCount(); ++column)
            count += grid->item(row, column) ? 1 : 0;
    }
    return count;
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_pictures;
    QString m_root;
    QStringList m_opened;
    std::unique_ptr<TestSupport::TempDataRoot> m_data;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<FrmMain> m_main;

    // Double-clicked pictures are noted in m_opened; taken says whether a program took them.
    void recordOpens(bool taken)
    {
        FrmImageNavi::setFileOpener([this, taken](const QString &path) {
            m_opened.append(path);
            return taken;
        });
    }

    FrmImageNavi *openNavigator()
    {
        m_main->TBTool_ButtonClick(Key);
        return qobject_cast<FrmImageNavi *>(m_main->toolWindow(Key));
    }

    QTreeWidgetItem *driveNode(FrmImageNavi *navi)
    {
        return navi->Explorer->topLevelItem(0)->child(0);
    }

    // Shows a folder as a click on its node does, and waits for its thumbnails.
    bool showNode(FrmImageNavi *navi, QTreeWidgetItem *node)
    {
        navi->Explorer->setCurrentItem(node);
        return QTest::qWaitFor([navi] { return !navi->isBuilding(); }, 10000);
    }

private slots:
    void initTestCase()
    {
        m_root = m_pictures.path() + QLatin1Char('/');
        writeImage(m_root + QStringLiteral("a.bmp"), "BMP", {40, 30}, Qt::blue);
        writeImage(m_root + QStringLiteral("B.JPG"), "JPG", {300, 200}, Qt::red);
        // Qt reads GIF but does not write it: a 1 x 1 red picture by hand.
        writeBytes(m_root + QStringLiteral("c.gif"),
                   QByteArray::fromHex("47494638396101000100800000ff000000000021f90401000000002c"
                                       "00000000010001000002024401003b"));
        writeImage(m_root + QStringLiteral("d.ico"), "ICO", {32, 32}, Qt::yellow);
        writeImage(m_root + QStringLiteral("e.png"), "PNG", {20, 20}, Qt::black);
        writeImage(m_root + QStringLiteral("f.jpg"), "JPG", {50, 50}, Qt::cyan);
        writeBytes(m_root + QStringLiteral("broken.jpg"),
                   QByteArray("\xff\xd8\xff\xe0garbage", 12));
        writeImage(m_root + QStringLiteral("cut.jpg"), "JPG", {300, 200}, Qt::green);
        QFile::resize(m_root + QStringLiteral("cut.jpg"),
                      QFileInfo(m_root + QStringLiteral("cut.jpg")).size() / 2);
        writeBytes(m_root + QStringLiteral("drawing.wmf"), "no metafile here");
        writeBytes(m_root + QStringLiteral("notes.txt"), "text");
        QDir(m_root).mkdir(QStringLiteral("sub"));
        QDir(m_root).mkdir(QStringLiteral("empty"));
        QDir(m_root).mkdir(QStringLiteral("many"));
        QDir(m_root).mkdir(QStringLiteral("nodisc")); // the mount point of a drive without disc
        QDir(m_root + QStringLiteral("sub")).mkdir(QStringLiteral("deeper"));
        writeImage(m_root + QStringLiteral("sub/x.bmp"), "BMP", {10, 10}, Qt::magenta);
        for (int i = 0; i < 120; ++i)
            writeImage(m_root + QStringLiteral("many/p%1.jpg").arg(i, 3, 10, QLatin1Char('0')),
                       "JPG", {1600, 1200}, QColor::fromHsv(i * 3, 200, 200));

        FrmMain::setToolWindowFactory(Key, [](FrmMain *main) { return new FrmImageNavi(main); });
    }

    void cleanupTestCase()
    {
        FrmMain::setToolWindowFactory(Key, nullptr);
        cDrives::setVolumeSource(nullptr);
        FrmImageNavi::setFileOpener(nullptr);
    }

    void init()
    {
        m_data = std::make_unique<TestSupport::TempDataRoot>();
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_main = std::make_unique<FrmMain>();
        m_main->MDIForm_Load();
        m_main->resize(1200, 800);
        m_main->show();
        m_opened.clear();
        recordOpens(true);
        // The pictures folder is a ready drive; a missing folder under it a drive without disc.
        const QString root = m_pictures.path();
        cDrives::setVolumeSource([root] {
            return QList<DriveVolume>{
                {root, QStringLiteral("PICS"), QStringLiteral("ext4"), true},
                {root + QStringLiteral("/nodisc"), QString(), QStringLiteral("iso9660"), false}};
        });
    }

    void cleanup()
    {
        m_main.reset();
        m_prompter.reset();
        m_data.reset();
    }

    void docksItsTreeAndGivesItBack()
    {
        FrmImageNavi *navi = openNavigator();
        QVERIFY(navi);
        QCOMPARE(navi->windowTitle(), QStringLiteral("Image Navigation"));
        QVERIFY(navi->parentWidget()->isMaximized());
        QVERIFY(navi->isDocked());
        QCOMPARE(navi->FrameImageNavi->parentWidget(), m_main->PanelLeft);
        QCOMPARE(navi->Explorer->parentWidget(), navi->FrameImageNavi);
        QVERIFY(m_main->SSTabMain->isHidden());
        QVERIFY(!m_main->PanelLeftDock->isHidden());

        // The tree: the computer, its drives, and the first level of folders under them.
        QTreeWidgetItem *computer = navi->Explorer->topLevelItem(0);
        QVERIFY(computer->isExpanded());
        QCOMPARE(computer->childCount(), 2);
        QCOMPARE(computer->child(0)->text(0), QStringLiteral("PICS (%1)").arg(m_pictures.path()));
        QCOMPARE(computer->child(1)->text(0),
                 QStringLiteral(" (%1/nodisc)").arg(m_pictures.path()));
        QTreeWidgetItem *drive = driveNode(navi);
        QVERIFY(childNamed(drive, QStringLiteral("sub")));
        QVERIFY(childNamed(drive, QStringLiteral("empty")));
        QVERIFY(childNamed(drive, QStringLiteral("many")));
        QCOMPARE(navi->CurrentPath(), QString()); // nothing shown until a folder is clicked

        m_main->ReleaseToolParents();
        QVERIFY(!navi->isDocked());
        QCOMPARE(navi->FrameImageNavi->parentWidget(), navi);
        QVERIFY(!navi->parentWidget()->isVisible());
        QCOMPARE(m_main->PanelLeft->findChild<QFrame *>(QStringLiteral("FrameImageNavi")), nullptr);

        // Docking again lends the same frame once more.
        navi->SetPar();
        QCOMPARE(navi->FrameImageNavi->parentWidget(), m_main->PanelLeft);
        navi->SetPar();
        QCOMPARE(m_main->PanelLeft->findChildren<QFrame *>(QStringLiteral("FrameImageNavi")).size(),
                 1);

        // Closing gives the frame back and hides the left panel and the description.
        QPointer<FrmImageNavi> guard(navi);
        navi->parentWidget()->close();
        QVERIFY(m_main->PanelLeftDock->isHidden());
        QVERIFY(m_main->LabelPicDesc->isHidden());
        QTRY_VERIFY(!guard);
        QCOMPARE(m_main->PanelLeft->findChild<QFrame *>(QStringLiteral("FrameImageNavi")), nullptr);
    }

    void showsTheThumbnailsOfAFolder()
    {
        FrmImageNavi *navi = openNavigator();
        QVERIFY(showNode(navi, driveNode(navi)));
        QCOMPARE(navi->CurrentPath(), m_root);
        // Only the listed picture types, in list order; damaged ones still get a cell.
        QCOMPARE(navi->fileList(), (QStringList{"a.bmp", "B.JPG", "broken.jpg", "c.gif", "cut.jpg",
                                                "d.ico", "drawing.wmf", "f.jpg"}));
        QVERIFY(navi->ThumbColumns() >= 1);
        QCOMPARE(navi->MSFG->columnCount(), navi->ThumbColumns());
        QCOMPARE(navi->MSFG->rowCount(), ImageNaviThumbs::thumbRowCount(8, navi->ThumbColumns()));
        QCOMPARE(navi->MSFG->columnWidth(0), ImageNaviThumbs::CellSize);
        QCOMPARE(navi->MSFG->rowHeight(0), ImageNaviThumbs::CellSize);
        QCOMPARE(filledCells(navi->MSFG), 8);
        for (int index = 0; index < 8; ++index) {
            const int row = index / navi->ThumbColumns();
            const int column = index % navi->ThumbColumns();
            const QTableWidgetItem *item = navi->MSFG->item(row, column);
            QVERIFY(item);
            QVERIFY(!item->data(FrmImageNavi::ThumbRole).value<QImage>().isNull());
            const QString name = navi->cellFile(row, column);
            const bool damaged = name == QLatin1String("broken.jpg") ||
                                 name == QLatin1String("cut.jpg") ||
                                 name == QLatin1String("drawing.wmf");
            QCOMPARE(item->data(FrmImageNavi::FailedRole).toBool(), damaged);
        }
        // The picture after the damaged one is there, drawn unscaled and centred.
        const QImage bmp = navi->MSFG->item(0, 0)->data(FrmImageNavi::ThumbRole).value<QImage>();
        QCOMPARE(QColor(bmp.pixel(27, 32)), QColor(Qt::blue));
        // The program's busy window came and went; the pointer is the default again.
        QVERIFY(!navi->busyWindow());
        QTRY_VERIFY(!Dialog::isLoaded());
        QVERIFY(!QGuiApplication::overrideCursor());

        // Clicking the shown folder again does nothing.
        navi->Explorer->setCurrentItem(nullptr);
        navi->Explorer_NodeClick(driveNode(navi));
        QVERIFY(!navi->isBuilding());
        QCOMPARE(filledCells(navi->MSFG), 8);

        // A grid narrower than one box still gets one column, and the picture its cell.
        navi->parentWidget()->showNormal();
        navi->parentWidget()->resize(60, 400);
        QTRY_VERIFY(navi->MSFG->width() < ImageNaviThumbs::ThumbBox);
        QVERIFY(showNode(navi, childNamed(driveNode(navi), QStringLiteral("sub"))));
        QCOMPARE(navi->ThumbColumns(), 1);
        QCOMPARE(filledCells(navi->MSFG), 1);
    }

    void describesAndOpensTheSelectedPicture()
    {
        FrmImageNavi *navi = openNavigator();
        QTreeWidgetItem *sub = childNamed(driveNode(navi), QStringLiteral("sub"));
        QVERIFY(showNode(navi, sub));
        QCOMPARE(navi->fileList(), QStringList{QStringLiteral("x.bmp")});
        QVERIFY(navi->ThumbColumns() >= 2);

        const QString picture = m_root + QStringLiteral("sub/x.bmp");
        navi->MSFG->setCurrentCell(0, 1);
        navi->MSFG->setCurrentCell(0, 0);
        QVERIFY(!m_main->LabelPicDesc->isHidden());
        QCOMPARE(caption(m_main->LabelPicDesc),
                 ImageNaviThumbs::pictureDescription(picture, QFileInfo(picture).size()));
        navi->MSFG_DblClick();
        QCOMPARE(m_opened, QStringList{picture});

        // Expanding another node lists folders but keeps the shown folder.
        driveNode(navi)->setExpanded(true);
        childNamed(driveNode(navi), QStringLiteral("many"))->setExpanded(true);
        QCOMPARE(navi->CurrentPath(), m_root + QStringLiteral("sub/"));
        QVERIFY(childNamed(sub, QStringLiteral("deeper")));
        navi->MSFG_DblClick();
        QCOMPARE(m_opened.size(), 2);
        QCOMPARE(m_opened.last(), picture);

        // A cell after the last file describes nothing; a double click there opens the
        // shown folder itself.
        navi->MSFG->setCurrentCell(0, 1);
        QVERIFY(m_main->LabelPicDesc->isHidden());
        QCOMPARE(caption(m_main->LabelPicDesc), QString());
        navi->MSFG_DblClick();
        QCOMPARE(m_opened.size(), 3);
        QCOMPARE(m_opened.last(), m_root + QStringLiteral("sub/"));
    }

    void namesThatAreNotUtf8GetTheirCells()
    {
        QTemporaryDir dir;
        const QByteArray jpeg = QFile::encodeName(dir.path()) + "/caf\xe9.jpg"; // Latin-1
        writeImage(dir.filePath(QStringLiteral("a.jpg")), "JPG", {60, 40}, Qt::green);
        const qint64 jpegSize = QFileInfo(dir.filePath(QStringLiteral("a.jpg"))).size();
        QCOMPARE(::rename(QFile::encodeName(dir.filePath(QStringLiteral("a.jpg"))), jpeg), 0);
        const QString root = dir.path();
        cDrives::setVolumeSource([root] {
            return QList<DriveVolume>{{root, QStringLiteral("ODD"), QStringLiteral("ext4"), true}};
        });
        FrmImageNavi *navi = openNavigator();
        QVERIFY(showNode(navi, driveNode(navi)));
        QCOMPARE(filledCells(navi->MSFG), 1);
        const QImage thumb = navi->MSFG->item(0, 0)->data(FrmImageNavi::ThumbRole).value<QImage>();
        QCOMPARE(QColor(thumb.pixel(47, 47)).green(), 255);

        // Described with its real size, and opened by its own bytes.
        const QPoint cell = navi->MSFG->visualRect(navi->MSFG->model()->index(0, 0)).center();
        QTest::mouseClick(navi->MSFG->viewport(), Qt::LeftButton, {}, cell);
        QVERIFY(caption(m_main->LabelPicDesc).endsWith(ImageNaviThumbs::sizeText(jpegSize)));
        QTest::mouseDClick(navi->MSFG->viewport(), Qt::LeftButton, {}, cell);
        const QUrl address(m_opened.value(0), QUrl::StrictMode);
        QCOMPARE(address.scheme(), QStringLiteral("file"));
        QCOMPARE(QByteArray::fromPercentEncoding(address.path(QUrl::FullyEncoded).toLatin1()),
                 jpeg);
        QVERIFY(m_prompter->calls().isEmpty());
    }

    void saysWhenNoProgramOpensAPicture()
    {
        FrmImageNavi *navi = openNavigator();
        QVERIFY(showNode(navi, childNamed(driveNode(navi), QStringLiteral("sub"))));
        const QString picture = m_root + QStringLiteral("sub/x.bmp");
        const QString message = QStringLiteral("No program is set up to open \"%1\".").arg(picture);
        recordOpens(false);
        const QRect cell = navi->MSFG->visualRect(navi->MSFG->model()->index(0, 0));
        QTest::mouseClick(navi->MSFG->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(navi->MSFG->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(m_opened, QStringList{picture});
        QCOMPARE(m_prompter->prompts(), QStringList{message});
        QCOMPARE(m_prompter->calls().at(0).title, QStringLiteral("FAILED"));

        // The desktop's own opener tells later whether a program took the picture.
        FrmImageNavi::setFileOpener(nullptr);
        TestSupport::FakePrograms programs;
        programs.add(QStringLiteral("xdg-open"), 3);
        navi->MSFG_DblClick();
        QTRY_COMPARE(m_prompter->prompts(), (QStringList{message, message}));
    }

    void reportsADriveThatIsNotReady()
    {
        FrmImageNavi *navi = openNavigator();
        QTreeWidgetItem *disc = navi->Explorer->topLevelItem(0)->child(1);
        QVERIFY(showNode(navi, disc));
        QCOMPARE(m_prompter->calls().size(), 1);
        QCOMPARE(m_prompter->calls().at(0).prompt,
                 QStringLiteral("Driver not ready, please insert disk!"));
        QCOMPARE(m_prompter->calls().at(0).icon, 103);
        QCOMPARE(m_prompter->calls().at(0).buttonSet, 4);
        QCOMPARE(m_prompter->calls().at(0).title, QStringLiteral("ERROR"));
        QCOMPARE(navi->MSFG->rowCount(), 0);
    }

    void reportsAFolderGoneMeanwhile()
    {
        QVERIFY(QDir(m_root).mkdir(QStringLiteral("vanish")));
        FrmImageNavi *navi = openNavigator();
        QTreeWidgetItem *vanish = childNamed(driveNode(navi), QStringLiteral("vanish"));
        QVERIFY(vanish);
        QVERIFY(QDir(m_root).rmdir(QStringLiteral("vanish")));
        QVERIFY(showNode(navi, vanish));
        QCOMPARE(m_prompter->prompts(), QStringList{QStringLiteral("Path not found")});
        QCOMPARE(navi->MSFG->rowCount(), 0);
    }

    void showsNoBusyWindowForAFolderWithoutPictures()
    {
        FrmImageNavi *navi = openNavigator();
        navi->Explorer->setCurrentItem(childNamed(driveNode(navi), QStringLiteral("empty")));
        QVERIFY(!navi->isBuilding());
        QVERIFY(navi->fileList().isEmpty());
        QCOMPARE(navi->MSFG->rowCount(), 0);
        QVERIFY(!navi->busyWindow());
        QVERIFY(!Dialog::isLoaded());
        QVERIFY(m_prompter->calls().isEmpty());
    }

    void aNewFolderReplacesARunningBuild()
    {
        FrmImageNavi *navi = openNavigator();
        navi->Explorer->setCurrentItem(childNamed(driveNode(navi), QStringLiteral("many")));
        QVERIFY(navi->isBuilding());
        // The shared busy window, with its texts as designed.
        Dialog *busy = navi->busyWindow();
        QCOMPARE(busy, Dialog::instance());
        QVERIFY(busy->isVisible());
        QCOMPARE(busy->windowTitle(), QStringLiteral("Thumb Nail Building process ......."));
        QCOMPARE(busy->labelCaption(), QStringLiteral("Scanning now, please wait"));
        QCOMPARE(busy->PBI->maximum(), 120);
        QVERIFY(showNode(navi, childNamed(driveNode(navi), QStringLiteral("sub"))));
        QTest::qWait(300); // late results of the first folder must not land
        QCOMPARE(navi->fileList(), QStringList{QStringLiteral("x.bmp")});
        QCOMPARE(filledCells(navi->MSFG), 1);
        QVERIFY(!navi->busyWindow());
        QTRY_VERIFY(!Dialog::isLoaded());
    }

    void staysResponsiveWhileBuilding()
    {
        FrmImageNavi *navi = openNavigator();
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.setInterval(5);
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        clock.start();
        ticker.start();
        QVERIFY(showNode(navi, childNamed(driveNode(navi), QStringLiteral("many"))));
        ticker.stop();
        QCOMPARE(filledCells(navi->MSFG), 120);
        // The pictures are read off the window's thread: its events keep flowing.
        QVERIFY2(longestGap < 250, qPrintable(QString::number(longestGap)));
    }

    void closingDuringABuildIsSafe()
    {
        FrmImageNavi *navi = openNavigator();
        QPointer<FrmImageNavi> guard(navi);
        navi->Explorer->setCurrentItem(childNamed(driveNode(navi), QStringLiteral("many")));
        QVERIFY(navi->isBuilding());
        navi->parentWidget()->close();
        QTRY_VERIFY(!guard);
        QTest::qWait(100);
        QCOMPARE(m_main->PanelLeft->findChild<QFrame *>(QStringLiteral("FrameImageNavi")), nullptr);
    }

    void closingWhileAMessageIsUpWaitsForIt()
    {
        m_prompter.reset();
        ClosingPrompter prompter;
        FrmImageNavi *navi = openNavigator();
        QPointer<FrmImageNavi> guard(navi);
        prompter.watched = navi;
        prompter.closer = [guard] {
            if (guard)
                guard->parentWidget()->close();
        };
        QVERIFY(showNode(navi, navi->Explorer->topLevelItem(0)->child(1))); // no disc
        QVERIFY(prompter.survived);
        QCOMPARE(prompter.prompts(),
                 QStringList{QStringLiteral("Driver not ready, please insert disk!")});
        QTRY_VERIFY(!guard);
        QCOMPARE(m_main->PanelLeft->findChild<QFrame *>(QStringLiteral("FrameImageNavi")), nullptr);
    }

    void descriptionHasTwoLinesAndTheBandStays()
    {
        FrmImageNavi *navi = openNavigator();
        QVERIFY(showNode(navi, childNamed(driveNode(navi), QStringLiteral("sub"))));
        QWidget *label = m_main->LabelPicDesc;
        const QFont font = label->property("Font").value<QFont>();
        QVERIFY(label->height() >= 2 * QFontMetrics(font).lineSpacing());
        navi->MSFG->setCurrentCell(0, 1); // after the last file: no description
        QVERIFY(label->isHidden());
        m_main->PanelTop->layout()->activate();
        QTest::qWait(20);
        const int hiddenBand = m_main->PanelTop->height();
        const int hiddenBelow = m_main->PanelMain2->y();
        navi->MSFG->setCurrentCell(0, 0);
        QVERIFY(!label->isHidden());
        m_main->PanelTop->layout()->activate();
        QTest::qWait(20);
        QCOMPARE(m_main->PanelTop->height(), hiddenBand);
        QCOMPARE(m_main->PanelMain2->y(), hiddenBelow);
    }

    void restoresAMinimisedNavigator()
    {
        FrmImageNavi *navi = openNavigator();
        navi->parentWidget()->showMinimized();
        QVERIFY(navi->parentWidget()->isMinimized());
        QVERIFY(showNode(navi, childNamed(driveNode(navi), QStringLiteral("sub"))));
        QVERIFY(navi->parentWidget()->isMaximized());
    }

    void describesNothingForAFileGoneMeanwhile()
    {
        QTemporaryDir dir;
        writeImage(dir.filePath(QStringLiteral("gone.bmp")), "BMP", {8, 8}, Qt::red);
        const QString root = dir.path();
        cDrives::setVolumeSource([root] {
            return QList<DriveVolume>{{root, QStringLiteral("TMP"), QStringLiteral("ext4"), true}};
        });
        FrmImageNavi *navi = openNavigator();
        QVERIFY(showNode(navi, driveNode(navi)));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("gone.bmp"))));
        navi->MSFG->setCurrentCell(0, 1);
        navi->MSFG->setCurrentCell(0, 0);
        QVERIFY(m_main->LabelPicDesc->isHidden());
        QCOMPARE(caption(m_main->LabelPicDesc), QString());
    }
};

QTEST_MAIN(TestWindow)
#include "imagenav_window_test.moc"
