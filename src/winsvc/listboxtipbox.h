#pragma once

#include <QPoint>
#include <QString>

class QListWidget;

// The list item under the pointer becomes the list's tip ("The 3rd record: ...").
// buttons: the mouse buttons held; pos: the pointer in the list's viewport, in pixels.
void ListBoxTip(QListWidget *list, Qt::MouseButtons buttons, const QPoint &pos);
// The tip text for item n of a list of count items.
QString listTipOrdinal(int n, int count);
// Lets the list scroll sideways over 1,900 pixels.
void SetListHScroll(QListWidget *list);
