// The main window: it creates the controls, fonts and bitmap, sets the seat
// through which the engine shows its state in them, and its window procedure
// hands every message to the engine or to the module that owns it.
#pragma once

#include <windows.h>

#include "controls.h"

// The private messages it handles are declared by their senders: ReplyArrived
// (serial_port.h), ValueKey and FieldKey (edit_fields.h); its timers
// by the engine (Timer in seat.h).

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the window class (the first time) and creates the main window,
// 510 x 350, centred on the primary screen. initAppShell comes first.
HWND createMainWindow();
// The window is on the screen: what waits for it is shown (the alerts
// file's problems).
void mainWindowShown(HWND window);
