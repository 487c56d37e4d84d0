// Process-wide things set up once at start-up and kept for the whole run.
#pragma once

#include <windows.h>

#include "window_names.h"

// Fills the module instance, the start-up folder, the cursors and the icon, and
// initialises the common controls.
// WinMain calls it after the settings are loaded; the Windows-side tests call
// it instead of WinMain.
void initAppShell(HINSTANCE instance);

HINSTANCE appInstance();
// The current directory at start-up, without a trailing backslash.
const char* startupFolder();
HCURSOR arrowCursor();
HCURSOR handCursor();
HICON programIcon();
