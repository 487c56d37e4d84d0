// The About dialog: program name, executable, version, date and author under a
// banner with the maker's name and logo.
#pragma once

#include <windows.h>

// Runs the dialog modally, owned by the given window.
void showAboutDialog(HWND owner);

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The dialog's own copy of the logo while it is open, null otherwise.
HBITMAP aboutLogo();
