#pragma once

#include <QByteArray>
#include <QString>
#include <Qt>

// The bytes a keystroke sends to the host, before telnet escaping: cursor and function
// keys as VT100 sequences, Ctrl with a letter as its control code, Enter as CR LF, other
// typed characters as their Latin-1 byte, or as UTF-8 with utf8. Empty when the key sends
// nothing. With applicationCursor (the host switched the cursor keys with ESC [ ? 1 h) the
// arrows send ESC O A...D instead of ESC [ A...D. With binary (the host takes our bytes as
// they are) Enter is CR alone: the host's terminal makes the line end of it, and an LF
// after it would be a second one. Without binary only characters of 7-bit ASCII are sent.
QByteArray TelnetKeyBytes(int key, Qt::KeyboardModifiers modifiers, const QString &text,
                          bool applicationCursor = false, bool utf8 = false, bool binary = false);
