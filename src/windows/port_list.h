// The serial ports of the computer in the port combo box, the operator's
// choice, and the name a connection attempt opens.
#pragma once

#include <windows.h>

// Lists the ports into combo and selects the saved portIndex. With no port it
// asks (owned by window) to retry or cancel; false when the operator cancelled.
bool listPorts(HWND window, HWND combo);

// True when at least one port was listed and portIndex names one of them.
bool autoConnectAllowed();

// The name of combo's entry portIndex, which becomes the name kept; with no
// such entry the name kept last ("COM100" before any). Names longer than a
// port name can be are kept whole for the operator's message.
const char* choosePortName(HWND combo);
// The name kept last.
const char* chosenPortName();

// Back to the state at program start.
void resetPortList();
