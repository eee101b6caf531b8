#include "tools/telnet/TelnetKeys.h"

QByteArray TelnetKeyBytes(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    switch (key) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
        return {};
    case Qt::Key_End:
        return QByteArrayLiteral("\x1b[K");
    case Qt::Key_Home:
        return QByteArrayLiteral("\x1b[H");
    case Qt::Key_Left:
        return QByteArrayLiteral("\x1b[D");
    case Qt::Key_Up:
        return QByteArrayLiteral("\x1b[A");
    case Qt::Key_Right:
        return QByteArrayLiteral("\x1b[C");
    case Qt::Key_Down:
        return QByteArrayLiteral("\x1b[B");
    case Qt::Key_F1:
        return QByteArrayLiteral("\x1bOP");
    case Qt::Key_F2:
        return QByteArrayLiteral("\x1bOQ");
    case Qt::Key_F3:
        return QByteArrayLiteral("\x1bOR");
    case Qt::Key_F4:
        return QByteArrayLiteral("\x1bOS");
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QByteArrayLiteral("\r\n");
    default:
        break;
    }
    if (modifiers & Qt::ControlModifier) {
        // Ctrl with @, a letter or [ \ ] ^ _ gives the control codes 0 to 31; NUL is never sent.
        if (key > Qt::Key_At && key <= Qt::Key_Underscore)
            return QByteArray(1, char(key - 64));
        return {};
    }
    QByteArray out;
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code == 0 || code > 0xFF)
            continue; // the terminal is 8-bit Latin-1
        out.append(char(code));
    }
    return out;
}
