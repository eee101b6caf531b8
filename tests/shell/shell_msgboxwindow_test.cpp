#include "shell/frmmsgbox.h"
#include "shell/messagebox.h"
#include "shell/msgboxshape.h"
#include "shell/shellprompter.h"

#include "platform/controls/controlhost.h"
#include "scriptedprompter.h"
#include "soundrecorder.h"
#include "testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using TestSupport::SoundGate;
using TestSupport::SoundRecorder;
using TestSupport::SpeechRecording;

namespace {

QList<QPushButton *> visibleButtons(const FrmMsgBox &box)
{
    QList<QPushButton *> buttons;
    for (QPushButton *button : box.findChildren<QPushButton *>()) {
        if (button->isVisibleTo(&box))
            buttons.append(button);
    }
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
    return buttons;
}

QStringList captions(const QList<QPushButton *> &buttons)
{
    QStringList result;
    for (QPushButton *button : buttons)
        result.append(button->text());
    return result;
}

QPushButton *button(const FrmMsgBox &box, const char *name)
{
    return box.findChild<QPushButton *>(QLatin1String(name));
}

QLabel *label(const FrmMsgBox &box, const char *name)
{
    return box.findChild<QLabel *>(QLatin1String(name));
}

FrmMsgBox *activeBox()
{
    return qobject_cast<FrmMsgBox *>(QApplication::activeModalWidget());
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &at, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Installs a prompter for one test and puts the previous one back.
class PrompterScope
{
public:
    explicit PrompterScope(Prompter *prompter) : m_previous(&Prompter::instance())
    {
        Prompter::setInstance(prompter);
    }
    ~PrompterScope() { Prompter::setInstance(m_previous); }

private:
    Prompter *m_previous;
};

} // namespace

class MsgBoxWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void buttonSets_data();
    void buttonSets();
    void eachButtonReturnsItsCaption();
    void enterPressesTheDefault();
    void closeMarkHighlightsAndAnswersEsc();
    void closingAnyOtherWayGivesEscNotAnEarlierAnswer();
    void fillsTitleMessageAndShape();
    void longMessageStaysAboveTheButtons();
    void iconsAndTheirSounds();
    void pointerRestoredAfterClose();
    void readsTheMessageAloud();
    void dragHandleMovesTheWindow();
    void nestedBoxReturnsItsOwnAnswer();
    void msgBoxExGoesThroughThePrompter();

private:
    QTemporaryDir m_registry;
};

void MsgBoxWindowTest::initTestCase()
{
    qputenv("MARLUX_CONTROL_REGISTRY", (m_registry.path() + "/controls.ini").toUtf8());
    ControlHost::instance().setLibraryFolder(TestSupport::buildDir() + QStringLiteral("/bin"));
    QCOMPARE(ControlHost::instance().registerControls(), QString());
}

void MsgBoxWindowTest::init()
{
    MsgBoxResult.clear();
}

void MsgBoxWindowTest::buttonSets_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("defaultCaption");
    QTest::addColumn<QString>("escape");
    QTest::newRow("1") << 1 << QStringList{"Yes", "No"} << "Yes"
                       << "No";
    QTest::newRow("2") << 2 << QStringList{"Retry", "Cancel"} << "Retry"
                       << "Cancel";
    QTest::newRow("3") << 3 << QStringList{"Ok", "Cancel"} << "Ok"
                       << "Cancel";
    QTest::newRow("4") << 4 << QStringList{"Ok"} << "Ok"
                       << "Ok";
    QTest::newRow("5") << 5 << QStringList{"Yes", "No", "Cancel"} << "Yes"
                       << "Cancel";
    QTest::newRow("0 as 4") << 0 << QStringList{"Ok"} << "Ok"
                            << "Ok";
    QTest::newRow("6 as 4") << 6 << QStringList{"Ok"} << "Ok"
                            << "Ok";
    QTest::newRow("-1 as 4") << -1 << QStringList{"Ok"} << "Ok"
                             << "Ok";
}

void MsgBoxWindowTest::buttonSets()
{
    QFETCH(int, set);
    QFETCH(QStringList, shown);
    QFETCH(QString, defaultCaption);
    QFETCH(QString, escape);

    FrmMsgBox box;
    box.ShowIt(QStringLiteral("Sure?"), 102, set, QStringLiteral("ARE YOU SURE?"));
    const QList<QPushButton *> buttons = visibleButtons(box);
    QCOMPARE(captions(buttons), shown);
    for (QPushButton *b : buttons)
        QCOMPARE(b->isDefault(), b->text() == defaultCaption);

    // Every layout is centred on the same middle: the lone Ok sits where Cmd2 is,
    // two buttons are pulled in towards it symmetrically.
    const int middle = button(box, "Cmd2")->geometry().center().x();
    QCOMPARE(buttons.first()->geometry().center().x() + buttons.last()->geometry().center().x(),
             2 * middle);
    if (buttons.size() == 2)
        QCOMPARE(buttons.last()->x() - buttons.first()->x(), 108);

    box.open();
    QVERIFY(box.isVisible());
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QCOMPARE(box.focusWidget()->property("text").toString(), defaultCaption);
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.answer(), escape);
    QCOMPARE(MsgBoxResult, escape);
}

void MsgBoxWindowTest::eachButtonReturnsItsCaption()
{
    for (const QString &caption :
         {QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Cancel")}) {
        FrmMsgBox box;
        box.ShowIt(QStringLiteral("Save the change?"), 102, 5, QStringLiteral("SAVE CHANGE"));
        box.open();
        QSignalSpy finished(&box, &QDialog::finished);
        const QList<QPushButton *> buttons = visibleButtons(box);
        auto it = std::find_if(buttons.begin(), buttons.end(),
                               [&](QPushButton *b) { return b->text() == caption; });
        QVERIFY(it != buttons.end());
        QTest::mouseClick(*it, Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(box.answer(), caption);
        QCOMPARE(MsgBoxResult, caption);
    }
}

void MsgBoxWindowTest::enterPressesTheDefault()
{
    FrmMsgBox box;
    box.ShowIt(QStringLiteral("Try again?"), 107, 2, QStringLiteral("TRY AGAIN!"));
    box.open();
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(box.answer(), QStringLiteral("Retry"));
}

void MsgBoxWindowTest::closeMarkHighlightsAndAnswersEsc()
{
    FrmMsgBox box;
    box.ShowIt(QStringLiteral("Delete the topic?"), 106, 1, QStringLiteral("DELETE"));
    box.open();
    QLabel *normal = label(box, "CmdDef");
    QLabel *lit = label(box, "CmdDef1");
    QVERIFY(normal->isVisible() && !lit->isVisible());
    QCOMPARE(lit->geometry(), normal->geometry());

    sendMouse(normal, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton);
    QVERIFY(!normal->isVisible() && lit->isVisible());
    sendMouse(label(box, "LblMsg"), QEvent::MouseMove, QPoint(2, 2), Qt::NoButton);
    QVERIFY(normal->isVisible() && !lit->isVisible());

    sendMouse(normal, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton);
    QTest::mouseClick(lit, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!box.isVisible());
    QCOMPARE(box.answer(), QStringLiteral("No"));
}

void MsgBoxWindowTest::closingAnyOtherWayGivesEscNotAnEarlierAnswer()
{
    MsgBoxResult = QStringLiteral("Yes"); // left by an earlier box
    FrmMsgBox box;
    box.ShowIt(QStringLiteral("Quit?"), 106, 5, QStringLiteral("EXIT"));
    box.open();
    box.close();
    QCOMPARE(box.answer(), QStringLiteral("Cancel"));
    QCOMPARE(MsgBoxResult, QStringLiteral("Cancel"));

    // A box destroyed without ever being answered still leaves its own Esc value.
    MsgBoxResult = QStringLiteral("Yes");
    {
        FrmMsgBox unanswered;
        unanswered.ShowIt(QStringLiteral("Replace?"), 101, 3, QStringLiteral("WARNING"));
    }
    QCOMPARE(MsgBoxResult, QStringLiteral("Cancel"));
}

void MsgBoxWindowTest::fillsTitleMessageAndShape()
{
    FrmMsgBox box;
    box.ShowIt(QStringLiteral("Record saved."), 104, 4, QStringLiteral("SUCCEED"));
    // The title is the control library's 3D label, as on the other small windows.
    QWidget *title = box.findChild<QWidget *>(QStringLiteral("LblTitle"));
    QCOMPARE(title->metaObject()->className(), "Label3D");
    QCOMPARE(title->property("Caption").toString(), QStringLiteral("SUCCEED"));
    QCOMPARE(title->property("BackColor").toUInt(), 0x404040u);
    QCOMPARE(title->property("ForeColor1").toUInt(), 0xFFC0FFu);
    QCOMPARE(title->property("BorderStyle").toInt(), 1);
    // Its two copies lie a pixel apart at most, not a line apart: no trace of the back
    // (pink) copy shows above the front one.
    const QImage shot = title->grab().toImage();
    const auto firstRow = [&shot](auto matches) {
        for (int y = 2; y < shot.height() - 2; ++y)
            for (int x = 2; x < shot.width() - 2; ++x)
                if (matches(QColor(shot.pixel(x, y))))
                    return y;
        return -1;
    };
    const int front = firstRow([](const QColor &c) { return c == QColor(0xC0, 0xC0, 0xFF); });
    const int back =
        firstRow([](const QColor &c) { return c.red() > 150 && c.red() > c.green() + 30; });
    QVERIFY(front >= 0);
    QVERIFY2(back < 0 || back >= front - 1,
             qPrintable(QStringLiteral("%1 %2").arg(back).arg(front)));
    QLabel *message = label(box, "LblMsg");
    QCOMPARE(message->text(), QStringLiteral("Record saved."));
    QCOMPARE(message->x(), (box.width() - message->width()) / 2 - 9);
    QCOMPARE(message->y(), (box.height() - message->height()) / 2 - 12);
    QCOMPARE(box.size(), QSize(MsgBoxShape::Width, MsgBoxShape::Height));
    QCOMPARE(box.mask(), MsgBoxShape::makeShape(1.0, 1.0, 0, 0));
    QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(box.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(box.isModal());

    // Every control the user sees lies inside the outline.
    const QRegion outline = box.mask();
    for (const char *name : {"LblTitle", "ImgIcon", "LblMsg", "Cmd2", "CmdDef", "ImgDrag"}) {
        QWidget *control = box.findChild<QWidget *>(QLatin1String(name));
        QVERIFY2(control, name);
        QVERIFY2(outline.contains(control->geometry().topLeft()) &&
                     outline.contains(control->geometry().bottomRight()),
                 name);
    }
}

void MsgBoxWindowTest::longMessageStaysAboveTheButtons()
{
    FrmMsgBox box;
    const QString longText = QStringLiteral("The database could not be opened. ").repeated(12);
    box.ShowIt(longText, 103, 1, QStringLiteral("ERROR"));
    QLabel *message = label(box, "LblMsg");
    QVERIFY(message->geometry().bottom() < button(box, "Cmd1")->y());
    QVERIFY(message->y() >
            box.findChild<QWidget *>(QStringLiteral("LblTitle"))->geometry().bottom());
}

void MsgBoxWindowTest::iconsAndTheirSounds()
{
    SoundGate gate(true);
    SoundRecorder sounds;
    QList<QImage> pictures;
    for (int icon = 101; icon <= 107; ++icon) {
        FrmMsgBox box;
        box.ShowIt(QStringLiteral("Message"), icon, 4, QStringLiteral("TITLE"));
        QLabel *picture = label(box, "ImgIcon");
        QVERIFY(picture->isVisibleTo(&box));
        const QImage image = picture->pixmap().toImage();
        QVERIFY(!image.isNull());
        QVERIFY2(!pictures.contains(image), "each icon has a picture of its own");
        pictures.append(image);
    }
    QCOMPARE(sounds.played, (QStringList{"101", "102", "103", "104", "105", "106", "107"}));

    // A number without a picture or a sound shows a box without an icon, silently.
    sounds.played.clear();
    for (int icon : {0, 100, 108}) {
        FrmMsgBox box;
        box.ShowIt(QStringLiteral("Message"), icon, 1, QStringLiteral("TITLE"));
        QVERIFY(!label(box, "ImgIcon")->isVisibleTo(&box));
        box.open();
        QTest::mouseClick(button(box, "Cmd1"), Qt::LeftButton);
        QCOMPARE(box.answer(), QStringLiteral("Yes"));
    }
    QVERIFY(sounds.played.isEmpty());

    SoundGate off(false);
    FrmMsgBox quiet;
    quiet.ShowIt(QStringLiteral("Message"), 103, 4, QStringLiteral("ERROR"));
    QVERIFY(sounds.played.isEmpty());
}

void MsgBoxWindowTest::pointerRestoredAfterClose()
{
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    {
        FrmMsgBox box;
        QVERIFY(!QGuiApplication::overrideCursor()); // the default arrow while it is up
        box.ShowIt(QStringLiteral("Working"), 104, 4, QStringLiteral("SUCCEED"));
        box.open();
        QVERIFY(!QGuiApplication::overrideCursor());
        QTest::keyClick(&box, Qt::Key_Escape);
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QGuiApplication::restoreOverrideCursor();
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QGuiApplication::restoreOverrideCursor();
    QVERIFY(!QGuiApplication::overrideCursor());
}

void MsgBoxWindowTest::readsTheMessageAloud()
{
    SoundGate gate(true);
    SoundRecorder sounds;
    SpeechRecording speech;
    speech->speaking = true; // a record being read aloud
    FrmMsgBox box;
    QCOMPARE(speech->stops, 1);
    QVERIFY(!speech->speaking);

    box.ShowIt(QStringLiteral("Nothing found."), 105, 4, QStringLiteral("NOT FOUND!"));
    box.open();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(speech->spoken, QStringList{QStringLiteral("Nothing found.")}, 4000);
    QVERIFY(clock.elapsed() >= FrmMsgBox::SpeakTickMs);

    // Activated again while other speech runs: it waits for that speech to end.
    speech->spoken.clear();
    speech->speaking = true;
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&box, &activate);
    QTest::qWait(FrmMsgBox::SpeakTickMs * 2 + 300);
    QVERIFY(speech->spoken.isEmpty());
    speech->finish();
    QTRY_COMPARE_WITH_TIMEOUT(speech->spoken.size(), 1, 2000);

    const int stopsBefore = speech->stops;
    QTest::keyClick(&box, Qt::Key_Escape);
    QCOMPARE(speech->stops, stopsBefore + 1); // unloading stops the reading
}

void MsgBoxWindowTest::dragHandleMovesTheWindow()
{
    FrmMsgBox box;
    box.ShowIt(QStringLiteral("Move me"), 104, 4, QStringLiteral("SUCCEED"));
    box.open();
    QLabel *handle = label(box, "ImgDrag");
    QCOMPARE(handle->toolTip(), QStringLiteral("Hold down mouse to move it."));
    const QPoint start = box.pos();
    sendMouse(handle, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    sendMouse(handle, QEvent::MouseMove, QPoint(35, 25), Qt::LeftButton);
    sendMouse(handle, QEvent::MouseButtonRelease, QPoint(35, 25), Qt::NoButton);
    QCOMPARE(box.pos(), start + QPoint(30, 20));
    QVERIFY(box.isVisible());
}

void MsgBoxWindowTest::nestedBoxReturnsItsOwnAnswer()
{
    ShellPrompter shell;
    PrompterScope scope(&shell);
    QString inner;
    FrmMsgBox *outerBox = nullptr;
    FrmMsgBox *innerBox = nullptr;

    // Never leave a modal loop hanging if a step below fails.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, this, [] {
        while (FrmMsgBox *box = activeBox())
            box->close();
    });
    watchdog.start(10000);

    QTimer::singleShot(0, this, [&] {
        outerBox = activeBox();
        QTimer::singleShot(0, this, [&] {
            innerBox = activeBox();
            if (innerBox && innerBox != outerBox)
                button(*innerBox, "Cmd1")->click();
        });
        inner =
            MsgBoxEx(QStringLiteral("Overwrite the file?"), 101, 3, QStringLiteral("EXISTED FILE"));
        if (outerBox)
            outerBox->close(); // the outer box goes away without an answer
    });
    const QString outer =
        MsgBoxEx(QStringLiteral("Export the topic?"), 102, 1, QStringLiteral("EXPORT"));
    watchdog.stop();

    QVERIFY(outerBox);
    QVERIFY(innerBox && innerBox != outerBox);
    QCOMPARE(inner, QStringLiteral("Ok"));
    QCOMPARE(outer, QStringLiteral("No"));
    QCOMPARE(MsgBoxResult, QStringLiteral("No"));
}

void MsgBoxWindowTest::msgBoxExGoesThroughThePrompter()
{
    ScriptedPrompter scripted;
    scripted.answer(QStringLiteral("Retry"));
    QCOMPARE(MsgBoxEx(QStringLiteral("Please input the password!"), 107, 2,
                      QStringLiteral("TRY AGAIN!")),
             QStringLiteral("Retry"));
    QCOMPARE(MsgBoxResult, QStringLiteral("Retry"));
    QCOMPARE(scripted.calls().size(), 1);
    const ScriptedPrompter::Call &call = scripted.calls().constFirst();
    QCOMPARE(call.kind, QStringLiteral("messageBox"));
    QCOMPARE(call.icon, 107);
    QCOMPARE(call.buttonSet, 2);
    QCOMPARE(call.title, QStringLiteral("TRY AGAIN!"));

    // Unscripted, the box is as good as closed: the set's Esc value.
    QCOMPARE(MsgBoxEx(QStringLiteral("Delete?"), 106, 1, QStringLiteral("DELETE")),
             QStringLiteral("No"));
    QCOMPARE(MsgBoxResult, QStringLiteral("No"));
}

QTEST_MAIN(MsgBoxWindowTest)
#include "shell_msgboxwindow_test.moc"
