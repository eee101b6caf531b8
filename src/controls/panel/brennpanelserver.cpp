#include "panel.h"

#include "platform/controls/controlids.h"
#include "platform/controls/ctlserver.h"

MARLUX_DEFINE_CONTROL_SERVER(ControlIds::Panel, Panel)
