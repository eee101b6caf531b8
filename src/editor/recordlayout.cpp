#include "editor/recordlayout.h"

#include "editor/mdiminimumsize.h"
#include "platform/base/colors.h"

#include <QBoxLayout>
#include <QEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QSplitter>

#include <algorithm>
#include <utility>

namespace RecordLayoutRules {

QSize minimumWindowSize(QSize size)
{
    if (size.width() < MinWindowWidth || size.height() < MinWindowHeight)
        return {MinWindowWidth, MinWindowHeight};
    return size;
}

int barTopMax(int frameWidth)
{
    return (frameWidth - BarWidthAllowance) / 2;
}

int clampBarTop(int shadowTop, int frameWidth, int frameHeight, int barHeight)
{
    int top = std::max(shadowTop, BarTopMin);
    top = std::min(top, barTopMax(frameWidth));
    // Without this a window much wider than high lets the answer box vanish.
    return std::min(top, frameHeight - barHeight - AnswerBottomMargin - AnswerMinHeight);
}

int barTopForLines(int questionTop, int lines, int frameWidth, int frameHeight, int barHeight)
{
    const int wanted = questionTop + std::max(lines, 1) * QuestionLineHeight;
    return clampBarTop(std::min(wanted, frameHeight / 2), frameWidth, frameHeight, barHeight);
}

} // namespace RecordLayoutRules

namespace {

// The box layout (searched from layout down) that holds widget directly, and its index there.
QBoxLayout *boxHolding(QLayout *layout, QWidget *widget, int *index)
{
    if (!layout)
        return nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget() == widget) {
            *index = i;
            return qobject_cast<QBoxLayout *>(layout);
        }
        if (QBoxLayout *found = boxHolding(item->layout(), widget, index))
            return found;
    }
    return nullptr;
}

// Puts widget at the right end of anchor's row, so both follow the same layout.
void placeBeside(QWidget *anchor, QWidget *widget)
{
    if (!anchor || !widget || !anchor->parentWidget() || !widget->parentWidget())
        return;
    int anchorIndex = -1;
    QBoxLayout *box = boxHolding(anchor->parentWidget()->layout(), anchor, &anchorIndex);
    if (!box)
        return;
    int widgetIndex = -1;
    if (QBoxLayout *old = boxHolding(widget->parentWidget()->layout(), widget, &widgetIndex))
        old->removeWidget(widget);
    box->removeWidget(anchor);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    box->insertLayout(anchorIndex, row);
    row->addWidget(anchor);
    row->addStretch(1);
    row->addWidget(widget);
}

int toTwips(int pixels)
{
    return Twips::fromPixels(pixels);
}

} // namespace

RecordLayout::RecordLayout(QWidget *window, QWidget *frame, QSplitter *slider,
                           QWidget *answerPicture, QWidget *zipButton)
    : QObject(window), m_frame(frame), m_slider(slider)
{
    setObjectName(QStringLiteral("RecordLayout"));
    m_shadow = new QRubberBand(QRubberBand::Line, frame);
    m_shadow->setObjectName(QStringLiteral("picShadow"));
    m_shadow->hide();

    // The question keeps its height as the window is resized; the answer takes the rest.
    m_slider->setChildrenCollapsible(false);
    m_slider->setStretchFactor(0, 0);
    m_slider->setStretchFactor(1, 1);
    placeBeside(answerPicture, zipButton);

    if (QWidget *handle = bar())
        handle->installEventFilter(this);
    m_frame->installEventFilter(this);
    Form_Resize();
    new MdiMinimumSize(window);
}

QWidget *RecordLayout::picShadow() const
{
    return m_shadow;
}

QWidget *RecordLayout::bar() const
{
    return m_slider && m_slider->count() > 1 ? m_slider->handle(1) : nullptr;
}

int RecordLayout::barTop() const
{
    const QWidget *handle = bar();
    return handle ? handle->mapTo(m_frame, QPoint(0, 0)).y() : 0;
}

int RecordLayout::questionTop() const
{
    return m_slider->widget(0)->mapTo(m_frame, QPoint(0, 0)).y();
}

void RecordLayout::fitQuestionLines(int lines)
{
    if (!m_frame->isVisible()) {
        // Nothing has a size yet; the lines are fitted once the window shows.
        m_pendingLines = lines;
        return;
    }
    // A fit still waiting for the first show would undo this one.
    m_pendingLines = 0;
    const int top =
        RecordLayoutRules::barTopForLines(toTwips(questionTop()), lines, m_frameWidth,
                                          toTwips(m_frame->height()), toTwips(bar()->height()));
    placeBar(Twips::toPixels(top));
}

void RecordLayout::picSlider_MouseDown(Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    m_dragging = true;
    m_shadowTop = barTop();
}

void RecordLayout::picSlider_MouseMove(int y)
{
    if (!m_dragging)
        return;
    const QWidget *question = m_slider->widget(0);
    const QPoint left = question->mapTo(m_frame, QPoint(0, 0));
    m_shadowTop = barTop() + y;
    m_shadow->setGeometry(left.x(), m_shadowTop, question->width(),
                          std::max(Twips::toPixels(RecordLayoutRules::ShadowHeight), 1));
    if (m_shadow->isHidden()) {
        m_shadow->show();
        m_shadow->raise();
    }
}

void RecordLayout::picSlider_MouseUp(int y)
{
    Q_UNUSED(y) // the zip button rides with the bar instead of moving by the release offset
    m_dragging = false;
    m_shadow->hide();
    const int top = RecordLayoutRules::clampBarTop(
        toTwips(m_shadowTop), m_frameWidth, toTwips(m_frame->height()), toTwips(bar()->height()));
    placeBar(Twips::toPixels(top));
}

bool RecordLayout::eventFilter(QObject *watched, QEvent *event)
{
    if (m_slider && watched == bar()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            picSlider_MouseDown(static_cast<QMouseEvent *>(event)->button());
            return true;
        case QEvent::MouseMove:
            picSlider_MouseMove(qRound(static_cast<QMouseEvent *>(event)->position().y()));
            return true;
        case QEvent::MouseButtonRelease:
            picSlider_MouseUp(qRound(static_cast<QMouseEvent *>(event)->position().y()));
            return true;
        case QEvent::MouseButtonDblClick:
            return true;
        default:
            return false;
        }
    }
    if (watched == m_frame && event->type() == QEvent::Resize) {
        Form_Resize();
    } else if (watched == m_frame && event->type() == QEvent::Show && m_pendingLines > 0) {
        // After the layouts have placed the boxes.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_pendingLines > 0 && m_frame->isVisible())
                    fitQuestionLines(std::exchange(m_pendingLines, 0));
            },
            Qt::QueuedConnection);
    }
    return false;
}

void RecordLayout::Form_Resize()
{
    // The frame and the boxes follow the window through their layouts; the bar stays where it
    // is and only its limit changes with the width.
    m_frameWidth = toTwips(m_frame->width());
    if (!m_dragging)
        m_shadowTop = barTop();
}

void RecordLayout::placeBar(int top)
{
    const QList<int> sizes = m_slider->sizes();
    if (sizes.size() < 2)
        return;
    const int total = sizes.at(0) + sizes.at(1);
    const int question = std::clamp(top - questionTop(), 0, total);
    m_slider->setSizes({question, total - question});
    m_shadowTop = barTop();
}
