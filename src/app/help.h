// The help area in the lower left corner, its popup menu and the About dialog.
#pragma once

#include <windows.h>

constexpr RECT helpAreaRect = {30, 273, 110, 293};

// Both ends of the help area are inside it.
bool inHelpArea(int x, int y);

HMENU createHelpMenu();
void destroyHelpMenu();

void onHelpMouseMove(HWND window, LPARAM lParam);
void onHelpClick(HWND window, LPARAM lParam);
// WM_COMMAND from the menu (lParam 0); identifiers other than 200..204 are ignored.
void onHelpCommand(HWND window, WPARAM wParam);
