#pragma once

#include "kb/lazyicon.h"

#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>

#include <optional>

// The program's style: the platform's own, except that its pictures are read when first
// shown. Every toolbar and menu bar asks for its overflow arrow when it is made, and reading
// the first picture file looks through every image plugin, all before the window is up.
class LazyPictureStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap picture, const QStyleOption *option,
                       const QWidget *widget) const override
    {
        QPointer<QStyle> base = baseStyle();
        QPointer<QWidget> owner = const_cast<QWidget *>(widget);
        const bool owned = widget != nullptr;
        // the common part of the option (direction, state) is all a standard picture reads
        const std::optional<QStyleOption> copy =
            option ? std::optional<QStyleOption>(*option) : std::nullopt;
        return QIcon(new LazyIconEngine([base, owner, owned, copy, picture]() -> QIcon {
            // a picture outliving its widget is no longer needed
            if (!base || (owned && !owner))
                return {};
            return base->standardIcon(picture, copy ? &*copy : nullptr, owner);
        }));
    }
};
