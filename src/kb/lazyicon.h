#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QPixmap>

#include <functional>
#include <utility>

// A picture drawn at run time is drawn when it is first shown, not when its command is
// made: most of the menus' pictures are never needed at start.
class LazyIconEngine : public QIconEngine
{
public:
    LazyIconEngine(QSize size, std::function<QPixmap()> draw)
        : m_size(size), m_draw(std::move(draw))
    {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        // As the drawn picture answers, without drawing it.
        QSize actual = m_size;
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        if (mode == QIcon::Normal && state == QIcon::Off)
            return {m_size};
        return {};
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("LazyIconEngine"); }
    QIconEngine *clone() const override { return new LazyIconEngine(*this); }

    static QIcon icon(QSize size, std::function<QPixmap()> draw)
    {
        return QIcon(new LazyIconEngine(size, std::move(draw)));
    }

private:
    const QIcon &icon()
    {
        if (m_icon.isNull()) {
            m_icon = QIcon(m_draw());
            m_draw = nullptr;
        }
        return m_icon;
    }

    QSize m_size;
    std::function<QPixmap()> m_draw;
    QIcon m_icon;
};

// An icon read only when it is first shown or measured: the style's own pictures (a toolbar's
// overflow arrow, a title bar's buttons) come from image files, and most are never shown.
class DeferredIconEngine : public QIconEngine
{
public:
    explicit DeferredIconEngine(std::function<QIcon()> load) : m_load(std::move(load)) {}

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
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine *clone() const override { return new DeferredIconEngine(*this); }

private:
    const QIcon &icon()
    {
        if (m_load) {
            m_icon = m_load();
            m_load = nullptr;
        }
        return m_icon;
    }

    std::function<QIcon()> m_load;
    QIcon m_icon;
};
