// A connection attempt on the port chosen in the port combo box: at start-up
// and from the connect button.
#pragma once

#include <windows.h>

// Opens the chosen port and sends the first poll; connectButton and combo
// stay disabled until the first reply is accepted or the attempt is given
// up. False when the port cannot be opened (nothing has changed then).
bool connectChosenPort(HWND window, HWND combo, HWND connectButton);

// The connect button: an attempt, and on failure the message naming the port.
void onConnectButton(HWND window, HWND combo, HWND connectButton);
