#include "platform/controls/controlhost.h"
#include "shell/dialog.h"
#include "testsupport.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWindow>

#include <memory>

class TestBusyWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("MARLUX_CONTROL_REGISTRY", m_registry.filePath("controls.ini").toUtf8());
    }

    // Runs first, before the library is registered: the window still shows its text.
    void labelStandsInWithoutTheLibrary()
    {
        ControlHost::instance().setLibraryFolder(m_registry.path());
        auto *busy = new Dialog;
        QVERIFY(qstrcmp(busy->Label3D1->metaObject()->className(), "Label3D") != 0);
        QCOMPARE(busy->labelCaption(), QStringLiteral("Scanning now, please wait"));
        busy->setLabelCaption(QStringLiteral("Other"));
        QCOMPARE(qobject_cast<QLabel *>(busy->Label3D1)->text(), QStringLiteral("Other"));
        busy->Unload();

        ControlHost::instance().setLibraryFolder(TestSupport::buildDir() + "/bin");
        QCOMPARE(ControlHost::instance().registerControls(), QString());
    }

    void sharedWindowAsDesigned()
    {
        Dialog *busy = Dialog::instance();
        QVERIFY(Dialog::isLoaded());
        QCOMPARE(Dialog::instance(), busy);
        QCOMPARE(busy->windowTitle(), QStringLiteral("Thumb Nail Building process ......."));
        QCOMPARE(busy->Label3D1->metaObject()->className(), "Label3D");
        QCOMPARE(busy->labelCaption(), QStringLiteral("Scanning now, please wait"));
        QCOMPARE(busy->Label3D1->property("Alignment").toInt(), 2);
        QCOMPARE(busy->Label3D1->property("ForeColor1").toUInt(), 0x8000000Eu);
        QCOMPARE(busy->Label3D1->property("ForeColor2").toUInt(), 0x80000012u);
        QVERIFY(busy->Label3D1->property("Font").value<QFont>().bold());
        QVERIFY(busy->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

        // Shown without taking the input: the call returns with the window up.
        busy->Show();
        QVERIFY(busy->isVisible());
        QVERIFY(!busy->isModal());
        QVERIFY(!QGuiApplication::modalWindow());

        busy->Unload();
        QVERIFY(!QGuiApplication::overrideCursor());
        // Not handed out again while it is still closing.
        QVERIFY(!Dialog::isLoaded());
        // The next use starts again from the design.
        QCOMPARE(Dialog::instance()->labelCaption(), QStringLiteral("Scanning now, please wait"));
        Dialog::instance()->Unload();
        QTRY_VERIFY(!Dialog::isLoaded());
    }

    void progressStaysInRange()
    {
        auto *busy = new Dialog;
        busy->setMaximum(3);
        for (int i = 0; i < 5; ++i)
            busy->step();
        QCOMPARE(busy->PBI->value(), 3);
        busy->setValue(-4);
        QCOMPARE(busy->PBI->value(), 0);
        busy->setValue(2);
        QCOMPARE(busy->PBI->value(), 2);
        busy->setMaximum(1);
        busy->setValue(7);
        QCOMPARE(busy->PBI->value(), 1);
        busy->Unload();
    }

    void progressFromWorkOnAnotherThread()
    {
        auto *busy = new Dialog;
        busy->setMaximum(50);
        busy->Show();
        QThread *worker = QThread::create([busy] {
            for (int i = 1; i <= 50; ++i)
                QMetaObject::invokeMethod(busy, "setValue", Qt::QueuedConnection, Q_ARG(int, i));
        });
        worker->start();
        QTRY_COMPARE(busy->PBI->value(), 50);
        worker->wait();
        delete worker;
        busy->Unload();
    }

    void unloadRestoresTheDefaultPointer()
    {
        auto *busy = new Dialog;
        busy->Show();
        // The work changed the pointer meanwhile, twice.
        QGuiApplication::setOverrideCursor(Qt::CrossCursor);
        QGuiApplication::setOverrideCursor(Qt::IBeamCursor);
        busy->Unload();
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!(busy->windowFlags() & Qt::WindowStaysOnTopHint));
    }

    void ownWindowLeavesTheSharedOneAlone()
    {
        Dialog *shared = Dialog::instance();
        shared->Show();
        auto query = std::make_unique<Dialog>();
        query->setWindowTitle(QStringLiteral("Process Query Executing...."));
        query->setLabelCaption(QStringLiteral("Executing Query, Please Wait."));
        query->PBI->hide();
        query->Show();
        QCOMPARE(shared->windowTitle(), QStringLiteral("Thumb Nail Building process ......."));
        QCOMPARE(shared->labelCaption(), QStringLiteral("Scanning now, please wait"));
        QCOMPARE(query->labelCaption(), QStringLiteral("Executing Query, Please Wait."));
        QVERIFY(shared->PBI->isVisible());
        query->Unload();
        query.release(); // deletes itself once closed
        QVERIFY(Dialog::isLoaded());
        shared->Unload();
        QTRY_VERIFY(!Dialog::isLoaded());
    }

    void closeBoxDoesNotEndIt()
    {
        auto *busy = new Dialog;
        busy->Show();
        // A close from the desktop, as the title bar's close box sends it.
        busy->windowHandle()->close();
        QVERIFY(busy->isVisible());
        busy->Unload();
    }

private:
    QTemporaryDir m_registry;
};

QTEST_MAIN(TestBusyWindow)
#include "shell_smallwin_busy.moc"
