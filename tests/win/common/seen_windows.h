// How the Windows-side tests look at windows, of their own process or of the
// program running as another process.
#pragma once

#include <windows.h>

#include <string>

// Text of a window (CP1251 bytes); a hung owner gives an empty text.
std::string windowText(HWND window);
std::string className(HWND window);
// The message of a message box: its longest static text.
std::string boxText(HWND box);
// The first visible top-level window of the process with this class ("" for
// any class), or none.
HWND findVisibleWindow(DWORD processId, const char* windowClass);
