// Creation of the standing windows, which live from start to exit.
#pragma once

#include "mainwindow/TFPrincipal.h"

namespace sorvane {

// Creates the fifteen standing windows in their fixed order and sets the
// global pointer of each; the message window reports slot exceptions.
void CreaVentanas();
// Destroys them in the reverse order.
void LiberaVentanas();

} // namespace sorvane
