#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QPixmap>

#include <functional>
#include <utility>

// An icon made only when it is first shown: most of the menus' drawn pictures, and most of
// the style's own pictures (a toolbar's overflow arrow, a title bar's buttons, read from image
// files), are never needed at start.
class LazyIconEngine : public QIconEngine
{
public:
    // size, when known, answers measuring without making the icon.
    explicit LazyIconEngine(std::function<QIcon()> make, QSize size = {})
        : m_size(size), m_make(std::move(make))
    {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        if (!m_size.isValid())
            return icon().actualSize(size, mode, state);
        QSize actual = m_size;
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        if (!m_size.isValid())
            return icon().availableSizes(mode, state);
        if (mode == QIcon::Normal && state == QIcon::Off)
            return {m_size};
        return {};
    }
    bool isNull() override { return m_size.isValid() ? false : icon().isNull(); }
    QString key() const override { return QStringLiteral("LazyIconEngine"); }
    QIconEngine *clone() const override { return new LazyIconEngine(*this); }

    // A picture of a known size, drawn when first shown.
    static QIcon icon(QSize size, std::function<QPixmap()> draw)
    {
        return QIcon(new LazyIconEngine([draw = std::move(draw)] { return QIcon(draw()); }, size));
    }

private:
    const QIcon &icon()
    {
        if (m_make) {
            m_icon = m_make();
            m_make = nullptr;
        }
        return m_icon;
    }

    QSize m_size;
    std::function<QIcon()> m_make;
    QIcon m_icon;
};
