// The serial ports of the computer in portCombo, and the operator's choice.
#pragma once

#include <windows.h>

// Lists the ports into combo and selects the saved portIndex. With no port it
// asks to retry or cancel; false when the operator cancelled.
bool listPorts(HWND window, HWND combo);

// True when at least one port was listed and portIndex names one of them.
bool autoConnectAllowed();

void onPortComboCommand(HWND window, WPARAM wParam);
