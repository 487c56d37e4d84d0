// The connect button and the automatic connection at start-up.
#pragma once

#include <windows.h>

void onConnectButton(HWND window);
