// The nine small edit fields as windows: the two temperature fields and the
// seven two-digit fields of the start moment and the hold. Each is subclassed:
// its procedure filters the keys and posts ValueKey or FieldKey to the main
// window, so that the check runs after the field has applied the key.
#pragma once

#include <windows.h>

#include "program/input_rules.h"

// Posted to the main window by the subclassed fields, after the field has
// applied the key: wParam is the field's handle.
constexpr UINT ValueKey = WM_USER + 101;  // the two temperature fields; lParam the key
constexpr UINT FieldKey = WM_USER + 102;  // the seven two-digit fields; lParam what happened

// Subclasses setpointEdit/stageTempEdit; the first call keeps the edit class's
// own procedure, to which every subclass passes messages on.
void subclassTemperatureEdit(HWND edit);
HWND createTwoDigitEdit(HWND window, int x, int y, DWORD alignment, HFONT font);

// Tab, Left at the start and Right at the end move the focus to the next
// field (focusTarget), with the caret at its start or, going left, its end.
void moveFieldFocus(HWND target, int code);
