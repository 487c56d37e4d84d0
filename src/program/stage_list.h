// The stage list under the run button: its rows, the schedule of start
// moments, and the number and start of the stage being entered.
#pragma once

#include <windows.h>

#include <cstdint>

#include "program/clock_stamp.h"

// One-shot timer of the main window: the stage buttons' tooltips after edit mode.
constexpr UINT_PTR stageTooltipTimer = 1002;

// Index of the stage the input fields refer to; the number box shows it + 1.
std::uint8_t entryStageIndex();
// 0xFF while a stage is being edited, else 0.
std::uint8_t stageEditMode();
const char* stageStartDateText();
const char* stageStartTimeText();
// End of the program after the last recomputation (the start moment when the
// list is empty).
const ClockStamp& scheduleCursor();

// Rows from the loaded settings, at window creation.
void fillStageList(HWND window);
// Start date and time of every row from the start moment and the holds; does
// nothing while a start field is invalid.
void recomputeSchedule(HWND window);
// While a start field is invalid: no row has a start, the stage-start boxes
// are empty, and a run cannot be started.
void blankSchedule(HWND window);
// The stage-start boxes show scheduleCursor, the start of a stage that would
// be appended.
void showNextStageStart(HWND window);
// Back to list mode: the buttons' own captions, the number box at the next
// stage to append, and their tooltips 500 ms later.
void leaveEditMode(HWND window);

void onAddStageButton(HWND window);
void onClearListButton(HWND window);
void onStageListNotify(HWND window, const NMHDR* header);
void onStageTooltipTimer(HWND window);

// Back to the state at program start: no rows entered, no schedule.
void resetStageList();
