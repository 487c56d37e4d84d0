// The nine small edit fields: the two temperature fields and the seven
// two-digit fields of the start moment and the hold, and what their keys do.
#pragma once

#include <windows.h>

#include <cstdint>

#include "program/input_rules.h"

// Posted to the main window by the subclassed fields, after the field has
// applied the key: wParam is the field's handle.
constexpr UINT ValueKey = WM_USER + 101;  // the two temperature fields; lParam the key
constexpr UINT FieldKey = WM_USER + 102;  // the seven two-digit fields; lParam what happened

// The start moment behind the five start fields; wYear holds year minus 2000.
SYSTEMTIME& startInput();

// Bit 0: the program lies in the past; bits 1..4: minute, hour, month, day
// field invalid. The start moment is valid while bits 1..4 are clear.
std::uint8_t startMomentFlags();
bool startMomentValid();
// Bit 0 from whether the program's end has come, for a non-empty list; an
// empty list leaves it as it is. True when bit 0 is set afterwards.
bool refreshProgramPast();

// Bit 0: stageTempEdit holds no valid temperature; bit 1: the hold is
// invalid. addStageButton is enabled while both are clear.
std::uint8_t stageInputFlags();
// Checks the three stage-input fields as they stand now, after the program
// has written them, and enables addStageButton to match.
void recheckStageInput();

// Subclasses setpointEdit/stageTempEdit; the first call keeps the edit class's
// own procedure, to which every subclass passes messages on.
void subclassTemperatureEdit(HWND edit);
HWND createTwoDigitEdit(HWND window, int x, int y, DWORD alignment);

void onValueKey(HWND window, WPARAM wParam);
void onFieldKey(HWND window, WPARAM wParam, LPARAM lParam);

// Back to the state at program start: no start moment, no flags.
void resetInputFields();
