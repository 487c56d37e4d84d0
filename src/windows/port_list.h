// The serial ports of the computer in the port combo box; the engine chooses
// among them (link/connection.h).
#pragma once

#include <windows.h>

// Lists the ports into combo, hands their names to the engine and selects the
// saved portIndex. With no port it asks (owned by window) to retry or cancel;
// false when the operator cancelled.
bool listPorts(HWND window, HWND combo);
