#include "tools/telnet/TelnetKeys.h"

QByteArray TelnetKeyBytes(int key, Qt::KeyboardModifiers modifiers, const QString &text,
                          bool applicationCursor, bool utf8, bool binary)
{
    const char arrowIntroducer = applicationCursor ? 'O' : '[';
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
        return QByteArray("\x1b") + arrowIntroducer + 'D';
    case Qt::Key_Up:
        return QByteArray("\x1b") + arrowIntroducer + 'A';
    case Qt::Key_Right:
        return QByteArray("\x1b") + arrowIntroducer + 'C';
    case Qt::Key_Down:
        return QByteArray("\x1b") + arrowIntroducer + 'B';
    case Qt::Key_F1:
        return QByteArrayLiteral("\x1bOP");
    case Qt::Key_F2:
        return QByteArrayLiteral("\x1bOQ");
    case Qt::Key_F3:
        return QByteArrayLiteral("\x1bOR");
    case Qt::Key_F4:
        return QByteArrayLiteral("\x1bOS");
    case Qt::Key_Backspace:
        // Hosts erase on DEL; BS would reach them as a literal ^H. Ctrl+H still sends BS.
        return QByteArrayLiteral("\x7f");
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return binary ? QByteArrayLiteral("\r") : QByteArrayLiteral("\r\n");
    default:
        break;
    }
    if (modifiers & Qt::ControlModifier) {
        // Ctrl with @, a letter or [ \ ] ^ _ gives the control codes 0 to 31; NUL is never sent.
        if (key > Qt::Key_At && key <= Qt::Key_Underscore)
            return QByteArray(1, char(key - 64));
        return {};
    }
    // Until the host has agreed to take eight-bit data it may strip the top bit, and an
    // umlaut would arrive as another character ("ü" as "|", which a shell runs as a pipe):
    // such a character is not sent at all.
    if (utf8 && binary) {
        QString typed = text;
        typed.remove(QChar(0));
        return typed.toUtf8();
    }
    QByteArray out;
    const char16_t highest = binary ? 0xFF : 0x7F; // the 8-bit terminal is Latin-1
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code == 0 || code > highest)
            continue;
        out.append(char(code));
    }
    return out;
}
