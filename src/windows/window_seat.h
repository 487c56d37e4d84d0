// The seat of the shipped program: the engine's acts carried out on the main
// window's controls, the serial port, the settings file, the record file and
// the system.
#pragma once

#include <windows.h>

#include "seat.h"

// Sets the seat for this window; its controls are read from controls().
void setWindowSeat(HWND window);

// True while the engine writes a control's text or changes the list through
// the seat: the notifications that come meanwhile are not the operator's.
bool engineChangesControl();

HWND controlWindow(Control control);
// The engine's name for a control of the main window; Control::count for
// any other window.
Control controlOfWindow(HWND window);
