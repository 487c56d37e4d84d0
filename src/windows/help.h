// The help area in the lower left corner, its popup menu and the About dialog.
#pragma once

#include <windows.h>

#include <string>

constexpr RECT helpAreaRect = {30, 273, 110, 293};

// The menu opens centred under this client point, whatever point of the area
// was clicked.
constexpr POINT helpMenuAnchor = {120, 293};

// Menu identifiers; they are not in menu order.
constexpr UINT kHelpUserGuide = 200;
constexpr UINT kHelpManual = 201;
constexpr UINT kHelpWebSite = 202;
constexpr UINT kHelpAbout = 203;
constexpr UINT kHelpCertification = 204;

// Both ends of the help area are inside it.
bool inHelpArea(int x, int y);

// Made once while the main window is created; kept until the process ends.
HMENU createHelpMenu();
HMENU helpMenu();
void destroyHelpMenu();

// A help document's path: the start-up folder followed by "\name".
std::string helpDocumentPath(const char* folder, const char* name);

void onHelpMouseMove(HWND window, LPARAM lParam);
void onHelpClick(HWND window, LPARAM lParam);
// WM_COMMAND from the menu (lParam 0); identifiers other than 200..204 are ignored.
void onHelpCommand(HWND window, WPARAM wParam);
