#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>

class QRubberBand;
class QSplitter;
class QWidget;

// The record window's geometry rules. All lengths are twips; the frame is the area that holds
// the question box, the bar and the answer box, and the bar's top is measured in it.
namespace RecordLayoutRules {

constexpr int MinWindowWidth = 4000;
constexpr int MinWindowHeight = 3000;
constexpr int BarTopMin = 490;
constexpr int BarWidthAllowance = 1600;
// Below the bar the answer box keeps at least this much, and this margin under it.
constexpr int AnswerMinHeight = 490;
constexpr int AnswerBottomMargin = 150;
constexpr int ShadowHeight = 99;
constexpr int QuestionLineHeight = 360;

// A window narrower or lower than the minimum is set to the minimum on both sides.
QSize minimumWindowSize(QSize size);

// The lowest the bar may go by the frame's width: (FrameWidth - 1600) / 2.
int barTopMax(int frameWidth);

// Where the bar lands when released with its shadow at shadowTop: not above 490, then not
// below the width limit, then not so low that the answer box would lose its minimum height.
int clampBarTop(int shadowTop, int frameWidth, int frameHeight, int barHeight);

// Where the bar goes when the question box grows to show its lines: right below them, but
// the question takes at most half the frame (it scrolls beyond) and the bar's limits hold.
int barTopForLines(int questionTop, int lines, int frameWidth, int frameHeight, int barHeight);

} // namespace RecordLayoutRules

// Lays out a record window as it is resized and lets the user move the bar between the
// question and the answer: while the left button is held on the bar a thin shadow follows the
// mouse, and on release the bar jumps to the shadow's place within its limits.
//
// It works on the window's own widgets: the frame, a vertical splitter holding the question
// box (first) and the answer part (second), whose handle is the bar, the answer's picture and
// the zip button. The question keeps its height when the window is resized; the answer part
// takes the rest. The zip button is put on the row of the answer's picture, so it moves with
// the bar.
class RecordLayout : public QObject
{
    Q_OBJECT

public:
    RecordLayout(QWidget *window, QWidget *frame, QSplitter *slider, QWidget *answerPicture,
                 QWidget *zipButton);

    bool SliderDragging() const { return m_dragging; }
    // The frame's width in twips after the last resize.
    int FrameWidth() const { return m_frameWidth; }
    QWidget *picShadow() const;
    QWidget *bar() const;

    // Frame coordinates in pixels.
    int barTop() const;
    int shadowTop() const { return m_shadowTop; }
    int questionTop() const;

    // Moves the bar so the question box shows this many lines, within the limits.
    void fitQuestionLines(int lines);

    // The bar's mouse events (the bar's own coordinates, pixels).
    void picSlider_MouseDown(Qt::MouseButton button);
    void picSlider_MouseMove(int y);
    void picSlider_MouseUp(int y);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Resize();
    void placeBar(int top);

    QPointer<QWidget> m_frame;
    QPointer<QSplitter> m_slider;
    QRubberBand *m_shadow = nullptr;
    bool m_dragging = false;
    int m_frameWidth = 0;
    int m_shadowTop = 0;
    // Until the window first shows, the question box waits to fit its lines (two at first).
    int m_pendingLines = 2;
};
