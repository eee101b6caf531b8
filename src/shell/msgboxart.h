#pragma once

#include <QPixmap>
#include <QRegion>

// The message box's pictures, drawn at run time.
namespace MsgBoxArt {

constexpr int IconSize = 48;
constexpr int CloseMarkSize = 28;
constexpr int DragHandleSize = 24;

// The picture of icon 101 to 107; a null pixmap for any other number.
QPixmap icon(int number);
// The painted background of the shaped window, filling the outline.
QPixmap background(const QSize &size, const QRegion &outline);
QPixmap closeMark(bool highlighted);
QPixmap dragHandle();

} // namespace MsgBoxArt
