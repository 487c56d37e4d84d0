// Placeholder until the help area is built.
#include "app/help.h"

bool inHelpArea(int x, int y) { return x >= 30 && x <= 110 && y >= 273 && y <= 293; }
HMENU createHelpMenu() { return nullptr; }
void destroyHelpMenu() {}
void onHelpMouseMove(HWND, LPARAM) {}
void onHelpClick(HWND, LPARAM) {}
void onHelpCommand(HWND, WPARAM) {}
