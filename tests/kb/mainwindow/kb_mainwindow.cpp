#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "kb/kbstore.h"
#include "platform/controls/controlhost.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "scriptedprompter.h"
#include "shell/shellglobals.h"
#include "shell/shellspeech.h"
#include "testsupport.h"
#include "winsvc/closeguard.h"
#include "winsvc/msubclass.h"

#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

namespace {

// A voice that says nothing, to see whether the speech object is still there.
class QuietSpeech : public SpeechService
{
public:
    void speak(const QString &) override {}
    void stop() override {}
    bool isSpeaking() const override { return false; }
};

// A child that refuses to close while it holds unsaved text, as a record window does.
class StubbornChild : public QWidget
{
public:
    bool refuse = false;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (refuse)
            event->ignore();
        else
            event->accept();
    }
};

// A child that puts its close off while its work runs (a transfer it stops first) and then
// closes its frame itself; once settled it closes as a stubborn child does.
class SettlingChild : public StubbornChild
{
public:
    bool busy = true;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (!busy) {
            m_guard.dropClose();
            StubbornChild::closeEvent(event);
            return;
        }
        m_guard.deferClose();
        event->ignore();
        QTimer::singleShot(50, this, [this] {
            busy = false;
            parentWidget()->close();
        });
    }

private:
    CloseGuard m_guard{[] {}, this};
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("MARLUX_CONTROL_REGISTRY", (m_registry.path() + "/controls.ini").toUtf8());
        ControlHost::instance().setLibraryFolder(TestSupport::buildDir() + QStringLiteral("/bin"));
        QCOMPARE(ControlHost::instance().registerControls(), QString());
    }

    void hostedControls()
    {
        TestSupport::TempDataRoot root;
        FrmMain main;
        main.MDIForm_Load();
        // None of the four panels has a border.
        for (QWidget *panel : {main.PanelLeft, main.PanelTop, main.PanelHolder, main.PanelMain2}) {
            QCOMPARE(panel->property("hWnd").value<QWidget *>(), panel);
            QCOMPARE(panel->property("BorderStyle").toInt(), 0);
        }
        QCOMPARE(main.PanelTop->property("BackColor").toUInt(), 0xFFC0C0u);
        QCOMPARE(main.LabelPicDesc->property("Caption").toString(), QStringLiteral("Marlux"));
    }

    void loadSequence()
    {
        TestSupport::TempDataRoot root;
        FrmMain main;
        QCOMPARE(MainForm, &main);
        main.MDIForm_Load();

        QCOMPARE(main.windowTitle(), QStringLiteral("Marlux"));
        QCOMPARE(main.ComboFontSize->count(), 34);
        QCOMPARE(main.ComboFontSize->itemText(0), QStringLiteral("8"));
        QCOMPARE(main.ComboFontSize->itemText(33), QStringLiteral("41"));
        QCOMPARE(main.ComboFontSize->currentText(), QStringLiteral("8"));
        QVERIFY(main.ComboFont->count() > 0);

        QVERIFY(main.StatusPanel1->text().startsWith(QStringLiteral("Welcome : ")));
        QCOMPARE(main.StatusPanel1->text(), QStringLiteral("Welcome : ") + WindowsUserName);
        QCOMPARE(DatabaseFolder, root.path() + QStringLiteral("/Database/"));

        const QStringList tabs = {QStringLiteral("  [Records]   "),
                                  QStringLiteral("   [Search]    "), QStringLiteral("[Data View]")};
        for (int i = 0; i < tabs.size(); ++i)
            QCOMPARE(main.SSTabMain->tabText(i), tabs.at(i));

        const QList<QAction *> buttons = main.DBToolbar->actions();
        QCOMPARE(buttons.size(), 10);
        QCOMPARE(buttons.at(4)->objectName(), QStringLiteral("C++"));
        QCOMPARE(buttons.at(4)->toolTip(), QStringLiteral("C++ Language"));
        QCOMPARE(buttons.at(9)->toolTip(), QStringLiteral("My Own Database"));

        // The search combo shows keys in capitals but keeps each key to find its file.
        QCOMPARE(main.ComboSrhDBName->count(), 10);
        QCOMPARE(main.ComboSrhDBName->itemText(2), QStringLiteral("NET WORKING"));
        QCOMPARE(main.ComboSrhDBName->itemData(2).toString(), QStringLiteral("Net Working"));
    }

    void backgroundPicture()
    {
        TestSupport::TempDataRoot root;
        const QString file = root.filePath(QStringLiteral("BackGround/Ombrel.bmp"));
        {
            FrmMain main;
            main.MDIForm_Load();
        }
        QVERIFY(QFile::exists(file));
        QVERIFY(QFile::remove(file));
        {
            FrmMain main;
            main.MDIForm_Load();
        }
        QVERIFY(QFile::exists(file)); // written again from the resource

        // A picture of the user's own is never replaced.
        QImage own(8, 8, QImage::Format_RGB888);
        own.fill(Qt::red);
        QVERIFY(own.save(file, "BMP"));
        const QByteArray ownBytes = [&] {
            QFile f(file);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        {
            FrmMain main;
            main.MDIForm_Load();
        }
        QFile after(file);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), ownBytes);
    }

    void quitQuestion()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        FrmMain main;
        main.MDIForm_Load();
        main.show();
        KbStore::createSearchDatabase(root.filePath(QStringLiteral("Open.mdb")));
        auto database = db::DBEngine::OpenDatabase(root.filePath(QStringLiteral("Open.mdb")));
        QVERIFY(database->isOpen());
        auto *first = main.mdiArea()->addSubWindow(new StubbornChild);
        auto *second = main.mdiArea()->addSubWindow(new StubbornChild);
        first->show();
        second->show();

        prompter.answer(QStringLiteral("No"));
        QVERIFY(!main.close());
        QCOMPARE(prompter.calls().size(), 1);
        const auto call = prompter.calls().constFirst();
        QCOMPARE(call.prompt, QStringLiteral("Are you sure you want to quit?"));
        QCOMPARE(call.icon, 106);
        QCOMPARE(call.buttonSet, 1);
        QCOMPARE(call.title, QStringLiteral("EXIT"));
        QCOMPARE(main.mdiArea()->subWindowList().size(), 2);
        QVERIFY(database->isOpen());

        // A child that keeps unsaved work stops the shutdown and nothing else closes.
        SetSpeechEngine(std::make_unique<QuietSpeech>());
        static_cast<StubbornChild *>(second->widget())->refuse = true;
        prompter.answer(QStringLiteral("Yes"));
        QVERIFY(!main.close());
        QVERIFY(main.isVisible());
        // ...and the window keeps its look (background, menus, tips, flat controls) and voice.
        QVERIFY(MSubClass::IsWatched(main.mdiArea()->viewport()));
        QVERIFY(MSubClass::IsWatched(main.TxtKeyWord));
        QVERIFY(SpeechEngine);

        static_cast<StubbornChild *>(second->widget())->refuse = false;
        prompter.answer(QStringLiteral("Yes"));
        QVERIFY(main.close());
        QVERIFY(!SpeechEngine);
        QVERIFY(!database->isOpen());
        QCOMPARE(db::DBEngine::openDatabaseCount(), 0);
        for (QMdiSubWindow *child : main.mdiArea()->subWindowList())
            QVERIFY(!child->isVisible());
        // Closing the box any other way answers No.
        FrmMain again;
        again.show();
        QVERIFY(!again.close());
    }

    // A child still stopping its work when the quit comes: the others go at once. Once it has
    // settled, a child that keeps itself open after all stops the quit; one that has gone ends
    // the program, with no second question.
    void quitWaitsForAChildToSettle()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        SetSpeechEngine(std::make_unique<QuietSpeech>());
        FrmMain main;
        main.MDIForm_Load();
        main.show();
        auto *child = new SettlingChild;
        child->refuse = true;
        QPointer<QMdiSubWindow> frame = main.mdiArea()->addSubWindow(child);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        QMdiSubWindow *other = main.mdiArea()->addSubWindow(new StubbornChild);
        frame->show();
        other->show();
        prompter.answer(QStringLiteral("Yes"));
        QVERIFY(!main.close());
        QVERIFY(!other->isVisible());
        QTRY_VERIFY(!child->busy);
        QTest::qWait(300);
        QVERIFY(main.isVisible());
        QVERIFY(frame->isVisible());
        QVERIFY(SpeechEngine);

        child->busy = true;
        child->refuse = false;
        prompter.answer(QStringLiteral("Yes"));
        QVERIFY(!main.close());
        QVERIFY(main.isVisible());
        QTRY_VERIFY(!main.isVisible());
        QVERIFY(!frame);
        QCOMPARE(prompter.calls().size(), 2);
        QVERIFY(!SpeechEngine);
    }

    void quitWaitsForAModalWindow()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        FrmMain main;
        main.MDIForm_Load();
        main.show();
        // A quit from the tray while a modal window (a compaction, a question) runs its loop.
        QDialog work(&main);
        bool closed = true;
        QTimer::singleShot(0, &work, [&] {
            prompter.answer(QStringLiteral("Yes"));
            closed = main.close();
            work.reject();
        });
        work.exec();
        QVERIFY(!closed);
        QVERIFY(main.isVisible());
        QCOMPARE(prompter.prompts(), QStringList{QStringLiteral(
                                         "Please finish with the open window first, then quit.")});
    }

    // The active child's caption bar is drawn in the caption colour with dark text and dark
    // buttons; the other children's bars stay grey, their text as dark.
    void activeCaptionReadsAsActive()
    {
        TestSupport::TempDataRoot root;
        FrmMain main;
        main.MDIForm_Load();
        main.resize(900, 600);
        main.show();
        QMdiSubWindow *first = main.mdiArea()->addSubWindow(new QWidget);
        QMdiSubWindow *second = main.mdiArea()->addSubWindow(new QWidget);
        first->setWindowTitle(QStringLiteral("First"));
        second->setWindowTitle(QStringLiteral("Second"));
        first->show();
        second->show();
        main.mdiArea()->tileSubWindows();
        main.mdiArea()->setActiveSubWindow(second);
        QTRY_COMPARE(main.mdiArea()->activeSubWindow(), second);

        // The bar's most frequent colour, and how many of its pixels are dark (text, glyphs).
        const auto bar = [](QMdiSubWindow *window) {
            const int height =
                window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
            const QImage image = window->grab(QRect(0, 0, window->width(), height)).toImage();
            QHash<QRgb, int> counts;
            int dark = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor colour = image.pixelColor(x, y);
                    ++counts[colour.rgb()];
                    dark += colour.lightness() < 60 ? 1 : 0;
                }
            QRgb common = 0;
            for (auto it = counts.cbegin(); it != counts.cend(); ++it)
                if (it.value() > counts.value(common))
                    common = it.key();
            return std::pair{QColor(common), dark};
        };
        const auto [activeColour, activeDark] = bar(second);
        const auto [inactiveColour, inactiveDark] = bar(first);
        // Light blue, as the caption colour &HFFC0C0 is, against a grey.
        QVERIFY2(activeColour.blue() - activeColour.red() > 30, qPrintable(activeColour.name()));
        QVERIFY2(qAbs(inactiveColour.blue() - inactiveColour.red()) < 10,
                 qPrintable(inactiveColour.name()));
        QVERIFY2(
            activeDark >= inactiveDark / 2,
            qPrintable(QStringLiteral("%1 dark pixels, %2").arg(activeDark).arg(inactiveDark)));
        QVERIFY(activeDark > 20);
    }

    void leftPanelDocking()
    {
        TestSupport::TempDataRoot root;
        FrmMain main;
        main.resize(1000, 700);
        main.show();
        const int half = main.mdiArea()->width() / 2;
        main.MDIForm_DragDrop(half);
        QCOMPARE(main.dockWidgetArea(main.PanelLeftDock), Qt::RightDockWidgetArea);
        QVERIFY(main.PicSlider->isHidden());
        main.MDIForm_DragDrop(half - 1);
        QCOMPARE(main.dockWidgetArea(main.PanelLeftDock), Qt::LeftDockWidgetArea);
    }

    void doubleClickOnTheBackgroundOpensADatabase()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        FrmMain main;
        main.resize(800, 600);
        main.show();
        QWidget *background = main.mdiArea()->viewport();
        const QPointF at(background->width() / 2.0, background->height() / 2.0);
        QMouseEvent twice(QEvent::MouseButtonDblClick, at, background->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        prompter.cancel();
        QCoreApplication::sendEvent(background, &twice);
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().first().kind, QStringLiteral("open"));
        QCOMPARE(prompter.calls().first().title, QStringLiteral("Choose Database File:"));
        QCOMPARE(prompter.dialogFilters(), QStringList{QStringLiteral("Microsoft Access (*.mdb)")});
    }

private:
    QTemporaryDir m_registry;
};

QTEST_MAIN(TestMainWindow)
#include "kb_mainwindow.moc"
