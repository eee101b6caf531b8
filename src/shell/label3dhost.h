#pragma once

#include <QString>
#include <QVariantMap>

class QWidget;

// The 3D label of the small windows, created from the control library with its saved
// properties. When the library cannot be loaded a plain label stands in, so the window
// still shows its text; both answer to the "Caption" property.
QWidget *CreateLabel3D(const QVariantMap &bag, QWidget *parent);

// Sets a 3D label's smallest size to what its caption needs in its font, offset copy included:
// in a layout the control has no size of its own and would shrink to its 100-twip minimum.
void FitLabel3DToCaption(QWidget *label);
