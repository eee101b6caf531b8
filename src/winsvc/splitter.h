#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>

class PointerConfinement;
class QRubberBand;
class QWidget;

// Turns a thin control into a draggable divider: a band follows the pointer inside limits while
// the user drags, and on release the bar moves to the drop point.
class Splitter : public QObject
{
    Q_OBJECT

public:
    enum Orientation { Vertical = 1, Horizontal = 2 };

    // Edges as the drag works them out: right and bottom exclusive, in screen pixels.
    struct Edges
    {
        int left = 0, top = 0, right = 0, bottom = 0;
        bool operator==(const Edges &) const = default;
    };

    explicit Splitter(QObject *parent = nullptr);
    ~Splitter() override;

    // The bar; the splitter also takes the bar's own mouse presses, moves and releases.
    void setSplitObject(QWidget *bar);
    QWidget *SplitObject() const { return m_bar; }
    int orientation() const { return m_orientation; }
    void setOrientation(int orientation);
    // Margins (1 left, 2 top, 3 right, 4 bottom) in pixels the bar keeps from the limits.
    int Border(int index) const;
    void setBorder(int index, int pixels);

    // Starts a drag in container (its client area gives the limits); pos is within the bar.
    void SplitterMouseDown(QWidget *container, const QPoint &pos);
    // cursor: the pointer in screen pixels.
    void SplitterFormMouseMove(const QPoint &cursor);
    // True when it ended a drag; the bar then lies at the drop point.
    bool SplitterFormMouseUp(const QPoint &cursor);

    bool isDragging() const { return m_dragging; }
    QRect limits() const { return m_limits; }
    Edges band() const { return m_band; }
    QRubberBand *rubberBand() const { return m_rubberBand; }

    // The band for a pointer position inside limits (screen pixels, right/bottom exclusive).
    static Edges bandEdges(const Edges &limits, const int borders[4], int orientation,
                           const QPoint &cursor);
    // The pointer clamped into the limits less the borders.
    static QPoint clampDrop(const Edges &limits, const int borders[4], const QPoint &cursor);

signals:
    // The bar moved; position is its new left (vertical) or top (horizontal) in its parent.
    void splitterMoved(int position);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Edges limitEdges() const;
    void applyBarLook();

    QPointer<QWidget> m_bar;
    QPointer<QWidget> m_container;
    int m_orientation = Vertical;
    int m_borders[4] = {64, 0, 64, 0};
    QRect m_limits;
    bool m_dragging = false;
    Edges m_band;
    QRubberBand *m_rubberBand = nullptr;
    std::unique_ptr<PointerConfinement> m_confinement;
};
