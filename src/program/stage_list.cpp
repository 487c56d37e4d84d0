// The stage list: one row a stage (number, temperature, hold, start date and
// start time), the schedule walk that dates the rows, and the start of the
// stage being entered.
#include "program/stage_list.h"

#include <commctrl.h>

#include <cstring>

#include "app/main_window.h"
#include "app/painting.h"
#include "app/settings.h"
#include "link/temperature.h"
#include "program/input_fields.h"

namespace {

std::uint8_t entryIndex;
std::uint8_t stageEditMode;
char startDateText[kStampTextSize] = "00.00.00";
char startTimeText[kStampTextSize] = "00:00";
ClockStamp cursor;

// The last moment a kept schedule may reach: any time in the year 2100.
constexpr std::int16_t kLastYear = 100;

void setCell(int row, int column, const char* text) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(controls().stageList, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void insertRow(int row) {
    char number[16];
    wsprintfA(number, "%lu", static_cast<unsigned long>(row + 1));
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = number;
    SendMessageA(controls().stageList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void holdText(const StageEntry& stage, char* out) {
    wsprintfA(out, "%lu:", static_cast<unsigned long>(stage.holdHours));
    formatTwoDigits(stage.holdMinutes, out + std::strlen(out));
}

void writeStageStart(HWND, int row) {
    char date[kStampTextSize];
    char time[kStampTextSize];
    formatDate(cursor, date);
    formatTime(cursor, time);
    setCell(row, 3, date);
    setCell(row, 4, time);
    if (row == entryIndex) {
        std::strcpy(startDateText, date);
        std::strcpy(startTimeText, time);
    }
}

void removeAtCenturyLimit(HWND window, int row) {
    SendMessageA(controls().stageList, LVM_DELETEITEM, row, 0);
    --settings().stageCount;
    MessageBoxA(window, "Вот и кончается столетие.\n\rПора работать со свежей программой.", "Поздравляем!", MB_OK);
}

}  // namespace

std::uint8_t entryStageIndex() { return entryIndex; }
const char* stageStartDateText() { return startDateText; }
const char* stageStartTimeText() { return startTimeText; }
const ClockStamp& scheduleCursor() { return cursor; }

void fillStageList(HWND) {
    const SettingsRecord& record = settings();
    stageEditMode = 0;
    std::strcpy(startDateText, "00.00.00");
    std::strcpy(startTimeText, "00:00");
    entryIndex = record.stageCount;
    for (int i = 0; i < record.stageCount; ++i) {
        const StageEntry& stage = record.stages[i];
        insertRow(i);
        char text[kStampTextSize];
        formatTemperature(tenthsFromCode(stage.temperatureCode), text);
        setCell(i, 1, text);
        holdText(stage, text);
        setCell(i, 2, text);
    }
}

void recomputeSchedule(HWND window) {
    if (startMomentFlags() & kStartFieldsInvalidMask) return;
    SettingsRecord& record = settings();
    cursor = copyStartMoment(startInput());

    const int count = record.stageCount;
    int removed = 0;
    ClockStamp keptEnd = cursor;
    for (int i = 0; i < count; ++i) {
        // Once a stage is removed, every later one sits in the first free row.
        const int row = i - removed;
        writeStageStart(window, row);
        const StageEntry& stage = record.stages[i];
        addHold(cursor, stage.holdHours, stage.holdMinutes);
        if (cursor.year > kLastYear) {
            removeAtCenturyLimit(window, row);
            ++removed;
        } else {
            keptEnd = cursor;
        }
    }
    // The end of what is kept: the start of the first removed stage, which the
    // two-digit year of the date form can still show.
    if (removed) {
        cursor = keptEnd;
        if (!stageEditMode) {
            entryIndex = record.stageCount;
            redrawStageNumber(window);
        }
    }

    if (!stageEditMode) {
        formatDate(cursor, startDateText);
        formatTime(cursor, startTimeText);
    }
    redrawStageStart(window);
}

// Handled once stage editing is built.
void onAddStageButton(HWND) {}
// Handled once stage editing is built.
void onClearListButton(HWND) {}
// Handled once stage editing is built.
void onStageListNotify(HWND, const NMHDR*) {}
// Handled once stage editing is built.
void onStageTooltipTimer(HWND) {}

void resetStageList() {
    entryIndex = 0;
    stageEditMode = 0;
    std::strcpy(startDateText, "00.00.00");
    std::strcpy(startTimeText, "00:00");
    cursor = ClockStamp{};
}
