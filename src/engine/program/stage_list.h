// The stage list under the run button: its rows, the schedule of start
// moments, appending, editing, deleting and clearing stages, and the number
// and start of the stage being entered. Every change of the program is
// written to the settings file at once. Portable: no Windows header.
#pragma once

#include <cstdint>

#include "program/clock_stamp.h"

struct LocalTime;

// Index of the stage the input fields refer to; the number box shows it + 1.
std::uint8_t entryStageIndex();
// 0xFF while a stage is being edited, else 0.
std::uint8_t stageEditMode();
const char* stageStartDateText();
const char* stageStartTimeText();
// End of the program after the last recomputation (the start moment when the
// list is empty).
const ClockStamp& scheduleCursor();

// The present minute of the local clock (year minus 2000).
ClockStamp presentMinute();
// The minute of a clock reading's local time.
ClockStamp minuteOf(const LocalTime& now);
// True when the present minute is not earlier than the schedule's end.
bool programEndReached();
// Bit 0 of the start flags from whether the program's end has come, for a
// non-empty list; an empty list leaves it as it is. True when it is set.
bool refreshProgramPast();

// The run button while connected and idle: enabled exactly while there are
// stages, the start moment is valid and the program's end lies ahead.
void applyRunButtonRule();

// Rows from the loaded settings, at window creation; the buttons' captions
// and tooltips.
void fillStageList();
// Start date and time of every row from the start moment and the holds; does
// nothing while a start field is invalid.
void recomputeSchedule();
// While a start field is invalid: no row has a start, the stage-start boxes
// are empty, and a run cannot be started.
void blankSchedule();
// The stage-start boxes show scheduleCursor, the start of a stage that would
// be appended.
void showNextStageStart();
// Back to list mode: the buttons' own captions, the number box at the next
// stage to append, and their tooltips 500 ms later.
void leaveEditMode();

// What a button or key of the list did to the program.
enum class ListChange {
    none,     // nothing a run must follow
    changed,  // the program changed: a run goes on at the stage of the clock
    cleared,  // the list was emptied: a run ends
};

// addStageButton: appends the stage of the fields, or stores the edited one.
ListChange onAddStageButton();
// clearListButton: cancels the edit, or empties the list after a question
// (running tells which one).
ListChange onClearListButton(bool running);
// A double-click on the list: the marked row goes into the fields.
void onStageDoubleClick();
// Delete on the list: the marked row is taken out after a question, and
// removedRow tells which (changed only then).
ListChange onStageDeleteKey(int& removedRow);
void onStageTooltipTimer();

// The row the operator last marked, or -1; the window reports each change
// (onRowMarked).
int markedRow();
void onRowMarked(int row);

// Back to the state at program start: no rows entered, no schedule.
void resetStageList();
