#include "label3d.h"

#include "platform/controls/controlids.h"
#include "platform/controls/ctlserver.h"

MARLUX_DEFINE_CONTROL_SERVER(ControlIds::Label3D, Label3D)
