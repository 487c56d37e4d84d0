// Placeholder until the stage list is built.
#include "program/stage_list.h"

namespace {
ClockStamp cursor;
}

std::uint8_t entryStageIndex() { return 0; }
const char* stageStartDateText() { return "00.00.00"; }
const char* stageStartTimeText() { return "00:00"; }
const ClockStamp& scheduleCursor() { return cursor; }
void fillStageList(HWND) {}
void recomputeSchedule(HWND) {}
void onAddStageButton(HWND) {}
void onClearListButton(HWND) {}
void onStageListNotify(HWND, const NMHDR*) {}
void onStageTooltipTimer(HWND) {}
