// Process-wide things set up once at start-up and kept for the whole run.
#pragma once

#include <windows.h>

// The main window's class name and title; together they are how a second
// start finds the copy that already runs.
extern const char kMainWindowClass[];
extern const char kMainWindowTitle[];

// Fills the module instance, the start-up folder, the cursors and the icon,
// initialises the common controls and registers the main window's class.
// WinMain calls it after the settings are loaded; the Windows-side tests call
// it instead of WinMain.
void initAppShell(HINSTANCE instance);

// Creates the main window, 510 x 350, centred on the primary screen.
HWND createMainWindow();

HINSTANCE appInstance();
// The current directory at start-up, without a trailing backslash.
const char* startupFolder();
HCURSOR arrowCursor();
HCURSOR handCursor();
HICON programIcon();
