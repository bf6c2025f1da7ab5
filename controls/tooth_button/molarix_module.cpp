// The Molarix module's exports: registration and class objects of the tooth
// button and its property page.

#include "controls/tooth_button/tooth_button_ctrl.h"

MOX_COM_MODULE_EXPORTS(mox::molarix::MolarixModule)
