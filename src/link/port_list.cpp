// Placeholder until the port list is built.
#include "link/port_list.h"

bool listPorts(HWND, HWND) { return true; }
bool autoConnectAllowed() { return false; }
void onPortComboCommand(HWND, WPARAM) {}
