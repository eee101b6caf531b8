// The record window's layout: the bar's limits, its drag shadow, and what follows the bar.
#include "editor/frmrecord.h"
#include "editor/recordlayout.h"
#include "kb/frmmain.h"
#include "platform/base/colors.h"
#include "platform/richtext/richtextbox.h"
#include "recordwindowfixture.h"

#include <QApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTest>

using namespace RecordLayoutRules;

namespace {

RecordLayout *layoutOf(FrmRecord *form)
{
    return form->findChild<RecordLayout *>(QStringLiteral("RecordLayout"));
}

// Drags the bar by dy pixels with the left button and lets go.
void dragBar(RecordLayout *layout, int dy)
{
    SendMouse::press(layout->bar(), Qt::LeftButton);
    SendMouse::move(layout->bar(), QPoint(2, dy));
    SendMouse::release(layout->bar(), Qt::LeftButton, QPoint(2, dy));
}

int topIn(QWidget *widget, QWidget *frame)
{
    return widget->mapTo(frame, QPoint(0, 0)).y();
}

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    void rules()
    {
        // Released above the top limit: 490.
        QCOMPARE(clampBarTop(100, 20000, 20000, 90), 490);
        QCOMPARE(clampBarTop(-300, 20000, 20000, 90), 490);
        // A 9000-wide frame: at most (9000 - 1600) / 2.
        QCOMPARE(barTopMax(9000), 3700);
        QCOMPARE(clampBarTop(6000, 9000, 20000, 90), 3700);
        QCOMPARE(clampBarTop(2000, 9000, 20000, 90), 2000);
        // Where the limits cross, the width limit wins.
        QCOMPARE(clampBarTop(1000, 2000, 20000, 90), 200);
        // A wide, low frame keeps the answer's minimum height below the bar.
        QCOMPARE(clampBarTop(9000, 30000, 3000, 90), 3000 - 90 - 150 - 490);

        // Below the minimum on any side the window takes it whole; at least that large it stays.
        QCOMPARE(minimumWindowSize(QSize(3500, 2000)), QSize(4000, 3000));
        QCOMPARE(minimumWindowSize(QSize(4000, 3000)), QSize(4000, 3000));
        QCOMPARE(minimumWindowSize(QSize(4500, 3500)), QSize(4500, 3500));

        // The question grows by 360 twips a line, to half the frame at most.
        QCOMPARE(barTopForLines(600, 2, 20000, 10000, 90), 600 + 720);
        QCOMPARE(barTopForLines(600, 3, 20000, 10000, 90), 600 + 1080);
        QCOMPARE(barTopForLines(600, 0, 20000, 10000, 90), 600 + 360);
        QCOMPARE(barTopForLines(600, 40, 20000, 10000, 90), 5000);
        QCOMPARE(barTopForLines(600, 40, 9000, 10000, 90), 3700);
    }

    void barClampsAtBothLimits()
    {
        RecordWindowFixture f;
        f.resizeWindow(600, 700);
        FrmRecord *form = f.form();
        RecordLayout *layout = layoutOf(form);
        QVERIFY(layout);
        QCOMPARE(layout->FrameWidth(), Twips::fromPixels(form->FrameQuestion->width()));

        // Up past the top: the question box keeps its least height.
        dragBar(layout, -1000);
        QVERIFY(!layout->SliderDragging());
        QVERIFY(Twips::fromPixels(layout->barTop()) >= BarTopMin - Twips::PerPixel);
        QCOMPARE(form->RTBQuestion->height(), form->RTBQuestion->minimumHeight());

        // Down past the width limit: the bar stops there.
        dragBar(layout, 2000);
        const int limit = Twips::toPixels(barTopMax(layout->FrameWidth()));
        QCOMPARE(layout->barTop(), limit);
        QCOMPARE(layout->barTop() - topIn(form->RTBQuestion, form->FrameQuestion),
                 form->RTBQuestion->height());
        // Within the limits the bar lands where it was let go.
        dragBar(layout, -50);
        QCOMPARE(layout->barTop(), limit - 50);
    }

    void wideLowWindowKeepsTheAnswer()
    {
        RecordWindowFixture f;
        f.resizeWindow(1100, 260);
        FrmRecord *form = f.form();
        RecordLayout *layout = layoutOf(form);
        dragBar(layout, 2000);
        QVERIFY(form->RTBAnswer->height() >= Twips::toPixels(AnswerMinHeight));
        const int answerBottom =
            topIn(form->RTBAnswer, form->FrameQuestion) + form->RTBAnswer->height();
        QVERIFY(answerBottom <= form->FrameQuestion->height());
        QVERIFY(form->RTBAnswer->isVisible());
    }

    void shadowFollowsTheMouse()
    {
        RecordWindowFixture f;
        f.resizeWindow(600, 700);
        FrmRecord *form = f.form();
        RecordLayout *layout = layoutOf(form);
        QWidget *shadow = layout->picShadow();
        const int before = layout->barTop();
        QVERIFY(shadow->isHidden());

        // A move without the button held does nothing.
        SendMouse::move(layout->bar(), QPoint(2, 30));
        QVERIFY(shadow->isHidden());

        SendMouse::press(layout->bar(), Qt::LeftButton);
        QVERIFY(layout->SliderDragging());
        SendMouse::move(layout->bar(), QPoint(2, 30));
        QVERIFY(!shadow->isHidden());
        QCOMPARE(shadow->y(), before + 30);
        QCOMPARE(shadow->height(), Twips::toPixels(ShadowHeight));
        QCOMPARE(shadow->x(), form->RTBQuestion->mapTo(form->FrameQuestion, QPoint()).x());
        QCOMPARE(shadow->width(), form->RTBQuestion->width());
        // The bar waits for the release.
        QCOMPARE(layout->barTop(), before);
        SendMouse::move(layout->bar(), QPoint(2, 40));
        QCOMPARE(shadow->y(), before + 40);
        SendMouse::release(layout->bar(), Qt::LeftButton, QPoint(2, 40));
        QVERIFY(shadow->isHidden());
        QCOMPARE(layout->barTop(), before + 40);

        // Released without moving: the bar stays.
        SendMouse::press(layout->bar(), Qt::LeftButton);
        SendMouse::release(layout->bar(), Qt::LeftButton, QPoint(2, 0));
        QCOMPARE(layout->barTop(), before + 40);
        // A right button neither starts a drag nor moves the bar on release.
        SendMouse::press(layout->bar(), Qt::RightButton);
        QVERIFY(!layout->SliderDragging());
        SendMouse::release(layout->bar(), Qt::RightButton, QPoint(2, 60));
        QCOMPARE(layout->barTop(), before + 40);
    }

    void zipButtonAndPictureMoveWithTheBar()
    {
        RecordWindowFixture f;
        f.resizeWindow(600, 700);
        FrmRecord *form = f.form();
        RecordLayout *layout = layoutOf(form);
        form->CmdZip->show();
        QApplication::sendPostedEvents();
        QWidget *frame = form->FrameQuestion;
        const int zipOffset = topIn(form->CmdZip, frame) - layout->barTop();
        const int pictureOffset = topIn(form->ImgAnswer, frame) - layout->barTop();
        QVERIFY(zipOffset > 0);
        QVERIFY(topIn(form->CmdZip, frame) < topIn(form->RTBAnswer, frame));

        for (int dy : {70, -30, 2000}) {
            dragBar(layout, dy);
            QApplication::sendPostedEvents();
            QCOMPARE(topIn(form->CmdZip, frame) - layout->barTop(), zipOffset);
            QCOMPARE(topIn(form->ImgAnswer, frame) - layout->barTop(), pictureOffset);
            QVERIFY(form->CmdZip->isVisible());
        }
    }

    void resizeKeepsTheQuestionHeight()
    {
        RecordWindowFixture f;
        f.resizeWindow(600, 500);
        FrmRecord *form = f.form();
        RecordLayout *layout = layoutOf(form);
        dragBar(layout, 30);
        const int question = form->RTBQuestion->height();
        const int answer = form->RTBAnswer->height();
        const int bar = layout->barTop();

        f.resizeWindow(700, 650);
        QCOMPARE(form->RTBQuestion->height(), question);
        QCOMPARE(layout->barTop(), bar);
        QCOMPARE(form->RTBAnswer->height(), answer + 150);
        QCOMPARE(form->RTBAnswer->width(), form->RTBQuestion->width());
        QCOMPARE(layout->FrameWidth(), Twips::fromPixels(form->FrameQuestion->width()));
    }

    void newWindowShowsTwoQuestionLines()
    {
        RecordWindowFixture f;
        FrmRecord form(f.main.get());
        form.resize(600, 500);
        form.show();
        QApplication::sendPostedEvents();
        QCOMPARE(form.RTBQuestion->height(), Twips::toPixels(2 * QuestionLineHeight));
        QVERIFY(form.RTBAnswer->height() > form.RTBQuestion->height());
    }

    void windowBelowTheMinimumGetsTheMinimum()
    {
        RecordWindowFixture f;
        // Whole pixels that hold at least 4000 x 3000 twips.
        const QSize least(267, 200);
        // Too narrow: both sides become the minimum, the height too.
        f.resizeWindow(3500 / Twips::PerPixel, 5000 / Twips::PerPixel);
        QMdiSubWindow *window = f.subWindow();
        QCOMPARE(window->size(), least);

        f.resizeWindow(600, 100);
        QCOMPARE(window->size(), least);
        f.resizeWindow(600, 400);
        QCOMPARE(window->size(), QSize(600, 400));

        // A minimized window is left alone: it stays a caption bar.
        window->showMinimized();
        QVERIFY(window->isMinimized());
        QVERIFY(window->height() < least.height());
    }
};

QTEST_MAIN(TestLayout)
#include "editor_layout.moc"
