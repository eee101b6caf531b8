#pragma once

#include <QByteArray>
#include <QString>
#include <Qt>

// The bytes a keystroke sends to the host, before telnet escaping: cursor and function
// keys as VT100 sequences, Ctrl with a letter as its control code, Enter as CR LF, other
// typed characters as their Latin-1 byte. Empty when the key sends nothing.
QByteArray TelnetKeyBytes(int key, Qt::KeyboardModifiers modifiers, const QString &text);
