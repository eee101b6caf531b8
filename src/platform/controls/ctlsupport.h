#pragma once

// Small helpers the control libraries share: reading property-bag values and
// turning Qt input into the button and shift codes the controls' events carry.
// Header-only, so each library keeps its own copy and links nothing of the program.

#include <QFont>
#include <QMouseEvent>
#include <QString>
#include <QVariant>

#include <optional>
#include <utility>

namespace CtlSupport {

// A whole number from a bag value: numbers, numeric text and "&H" hexadecimal text.
inline std::optional<qint64> integer(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1 : 0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar:
        return value.toLongLong();
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (number != qint64(number))
            return std::nullopt;
        return qint64(number);
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        QString text = value.toString().trimmed();
        bool ok = false;
        qint64 number = 0;
        if (text.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
            text = text.mid(2);
            if (text.endsWith(QLatin1Char('&')))
                text.chop(1);
            number = qint64(text.toULongLong(&ok, 16));
        } else {
            number = text.toLongLong(&ok);
        }
        if (!ok)
            return std::nullopt;
        return number;
    }
    default:
        return std::nullopt;
    }
}

inline std::optional<qint64> integerIn(const QVariant &value, qint64 low, qint64 high)
{
    const auto number = integer(value);
    if (!number || *number < low || *number > high)
        return std::nullopt;
    return number;
}

// An OLE colour: &HBBGGRR, or &H800000nn for a system colour.
inline std::optional<uint> oleColor(const QVariant &value)
{
    const auto number = integer(value);
    if (!number)
        return std::nullopt;
    const quint64 bits = quint64(*number) & 0xFFFFFFFFull;
    if (bits > 0xFFFFFFu && (bits & 0xFF000000u) != 0x80000000u)
        return std::nullopt;
    return uint(bits);
}

inline std::optional<bool> boolean(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
    }
    const auto number = integer(value);
    if (!number)
        return std::nullopt;
    return *number != 0;
}

inline std::optional<float> single(const QVariant &value)
{
    bool ok = false;
    const float number = value.toFloat(&ok);
    if (!ok || !qIsFinite(number))
        return std::nullopt;
    return number;
}

// Fonts travel as QFont or as the text of QFont::toString().
inline std::optional<QFont> font(const QVariant &value)
{
    if (value.typeId() == QMetaType::QFont)
        return value.value<QFont>();
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    QFont result;
    if (!result.fromString(value.toString()))
        return std::nullopt;
    return result;
}

// Button: 1 left, 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl, 4 Alt.
inline int buttonCode(Qt::MouseButtons buttons)
{
    return (buttons.testFlag(Qt::LeftButton) ? 1 : 0) |
           (buttons.testFlag(Qt::RightButton) ? 2 : 0) |
           (buttons.testFlag(Qt::MiddleButton) ? 4 : 0);
}

inline int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

// Reads a property bag key by key. A key that is missing gives its default; a value that
// cannot be taken ends the whole read there (read() throws Stop), and problem() tells the
// host which key it was.
class BagReader
{
public:
    struct Stop
    {
    };

    BagReader(const QVariantMap &bag, QString progId) : m_bag(bag), m_progId(std::move(progId)) {}

    template <typename Convert, typename Value>
    Value read(const QString &key, Convert convert, Value fallback)
    {
        const auto found = m_bag.constFind(key);
        if (found == m_bag.constEnd())
            return fallback;
        const auto value = convert(found.value());
        if (!value) {
            m_problem = QStringLiteral("%1: the saved value of \"%2\" is not valid; the "
                                       "properties from it on were not read.")
                            .arg(m_progId, key);
            throw Stop{};
        }
        return Value(*value);
    }

    QString problem() const { return m_problem; }

private:
    const QVariantMap &m_bag;
    QString m_progId;
    QString m_problem;
};

} // namespace CtlSupport
