#pragma once

#include <QList>

#include <memory>
#include <vector>

class Flat;
class QWidget;

// The flat look of a window's text and combo boxes, one painter per control, kept until the
// window goes.
class FlatControls
{
public:
    FlatControls();
    ~FlatControls();
    FlatControls(const FlatControls &) = delete;
    FlatControls &operator=(const FlatControls &) = delete;

    // A control the painter cannot take is skipped.
    void attach(const QList<QWidget *> &controls);
    void clear();
    const std::vector<std::unique_ptr<Flat>> &painters() const { return m_painters; }

private:
    std::vector<std::unique_ptr<Flat>> m_painters;
};
