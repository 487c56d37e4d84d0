// The stage list: one row a stage (number, temperature, hold, start date and
// start time), the schedule walk that dates the rows, appending, editing,
// deleting and clearing stages, and the start of the stage being entered.
// Every change of the program is written to the settings file at once.
#include "program/stage_list.h"

#include <commctrl.h>

#include <cstring>

#include "app/main_window.h"
#include "app/painting.h"
#include "app/settings.h"
#include "control/run.h"
#include "link/protocol.h"
#include "link/temperature.h"
#include "program/input_fields.h"

namespace {

std::uint8_t entryIndex;
std::uint8_t editMode;
// Room for a date with a three-digit year and for the blanks of an invalid
// start moment.
char startDateText[kStampTextSize] = "00.00.00";
char startTimeText[kStampTextSize] = "00:00";
ClockStamp cursor;

// The last moment a kept schedule may reach: any time in the year 2100.
constexpr std::int16_t kLastYear = 100;
constexpr UINT kTooltipDelayMs = 500;

constexpr char kCenturyText[] = "Вот и кончается столетие.\n\rПора работать со свежей программой.";
constexpr char kCenturyCaption[] = "Поздравляем!";
constexpr char kTooManyText[] = "Число этапов программы не может превышать 255.";
constexpr char kDeleteCaption[] = "Удаление этапа";
constexpr char kDeleteRefusal[] = "Удаление невозможно до окончания редактирования этапа №";
constexpr char kDeleteQuestion[] = "Этап №%lu будет удалён из списка этапов.\n\n\rПродолжить?";
constexpr char kClearCaption[] = "Очистка списка";
constexpr char kClearQuestion[] = "Будет очищен список этапов программы!\n\n\rПродолжить?";
constexpr char kClearRunningQuestion[] =
    "Производится автоматическое управление термостатом.\n\n\r"
    "Очистка списка этапов повлечёт за собой\n\r"
    "прекращение процесса управления.\n\n\r"
    "Вы действительно хотите очистить список?";
constexpr char kAddCaption[] = "Добавить этап";
constexpr char kClearListCaption[] = "Очистить список";
constexpr char kAddTip[] = " Добавить этап программы в конец списка этапов ";
constexpr char kClearTip[] = "Удалить все этапы из списка";

// The three stage-input fields as read for storing: the stage they describe
// and the texts the row shows for it, as typed.
struct StageInput {
    StageEntry stage;
    char temperature[kTemperatureTextSize];
    char hold[16];
};

HWND list() { return controls().stageList; }

void setCell(int row, int column, const char* text) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void cellText(int row, int column, char* out, int size) {
    out[0] = '\0';
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = out;
    item.cchTextMax = size;
    SendMessageA(list(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void setNumber(int row) {
    char number[16];
    wsprintfA(number, "%lu", static_cast<unsigned long>(row + 1));
    setCell(row, 0, number);
}

void insertRow(int row) {
    char number[16];
    wsprintfA(number, "%lu", static_cast<unsigned long>(row + 1));
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = number;
    SendMessageA(list(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int selectionMark() { return static_cast<int>(SendMessageA(list(), LVM_GETSELECTIONMARK, 0, 0)); }

void holdText(const StageEntry& stage, char* out) {
    wsprintfA(out, "%lu:", static_cast<unsigned long>(stage.holdHours));
    formatTwoDigits(stage.holdMinutes, out + std::strlen(out));
}

void setToolText(HWND window, HWND button, const char* text) {
    TOOLINFOA tool = {};
    // The same record size as when the tools were added (see main_window.cpp).
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(controls().toolTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

// runButton while connected: enabled exactly while the program's end lies
// ahead. An empty list or an invalid start moment has nothing to run.
void applyRunButtonRule() {
    if (!linkIsUp()) return;
    SYSTEMTIME now;
    const bool runnable = settings().stageCount != 0 && startMomentValid() && !startMomentReached(now);
    EnableWindow(controls().runButton, runnable);
}

void disableForEmptyList() {
    EnableWindow(controls().clearListButton, FALSE);
    EnableWindow(controls().runButton, FALSE);
}

// The century limit: the stages from row on would end after 2100 and are
// taken out of the program, each with its own message. The shorter program
// goes to the file at once.
void removeStagesFrom(HWND window, int row) {
    SettingsRecord& record = settings();
    while (record.stageCount > row) {
        SendMessageA(list(), LVM_DELETEITEM, row, 0);
        --record.stageCount;
        MessageBoxA(window, kCenturyText, kCenturyCaption, MB_OK);
    }
    if (!editMode) {
        entryIndex = record.stageCount;
        redrawStageNumber(window);
    } else if (entryIndex >= record.stageCount) {
        // The stage being edited is gone: there is nothing left to store.
        leaveEditMode(window);
    }
    if (record.stageCount == 0) disableForEmptyList();
    saveSettings();
}

// Dates the row from scheduleCursor and advances the cursor by its hold.
// True when the stage would end after 2100 and it and every stage after it
// were removed; the cursor then stays at the start of the first removed stage,
// which the two-digit year of the date form can still show and where an
// appended stage would begin.
bool writeStageStart(HWND window, int row, unsigned hours, unsigned minutes) {
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
    const ClockStamp start = cursor;
    addHold(cursor, hours, minutes);
    if (cursor.year <= kLastYear) return false;
    cursor = start;
    removeStagesFrom(window, row);
    return true;
}

// False when the fields do not describe a stage the program can keep; the
// button that stores is disabled then, and nothing is stored.
bool readStageInput(StageInput& in) {
    const MainControls& c = controls();
    char hours[8] = {};
    char minutes[8] = {};
    GetWindowTextA(c.stageTempEdit, in.temperature, sizeof in.temperature);
    GetWindowTextA(c.holdHoursEdit, hours, sizeof hours);
    GetWindowTextA(c.holdMinutesEdit, minutes, sizeof minutes);
    if (!stageFromInput(in.temperature, hours, minutes, in.stage)) return false;
    wsprintfA(in.hold, "%s:%s", hours, minutes);
    return true;
}

// The row shows the fields as typed; the entry holds what they stand for.
void storeStageInput(int row, const StageInput& in) {
    setCell(row, 1, in.temperature);
    settings().stages[row] = in.stage;
    setCell(row, 2, in.hold);
    saveSettings();
}

// After an append, a stored edit (deselect set) or a deletion.
void afterChange(HWND window, bool deselect) {
    if (runActive()) {
        const int mark = selectionMark();
        if (deselect && mark >= 0) {
            LVITEMA item = {};
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.state = 0;
            SendMessageA(list(), LVM_SETITEMSTATE, mark, reinterpret_cast<LPARAM>(&item));
        }
        resyncRun(window);
    } else if (deselect) {
        SetFocus(list());
        applyRunButtonRule();
    }
}

void appendStage(HWND window) {
    SettingsRecord& record = settings();
    if (record.stageCount >= kMaxStages) {
        MessageBoxA(window, kTooManyText, nullptr, MB_OK);
        return;
    }
    StageInput in;
    if (!readStageInput(in)) return;

    const int row = record.stageCount;
    ++record.stageCount;
    entryIndex = record.stageCount;
    redrawStageNumber(window);
    insertRow(row);
    storeStageInput(row, in);

    bool removed = false;
    if (startMomentValid()) {
        // The cursor holds the end of the previous last stage.
        removed = writeStageStart(window, row, in.stage.holdHours, in.stage.holdMinutes);
        showNextStageStart(window);
    }
    if (removed) return;
    SendMessageA(list(), LVM_ENSUREVISIBLE, row, FALSE);
    EnableWindow(controls().clearListButton, TRUE);
    if (!startMomentValid()) return;
    // A longer program can end in the future again: bit 0 follows it, and the
    // run button follows the program's end rather than a past finding.
    refreshProgramPast();
    afterChange(window, true);
}

void enterEditMode(HWND window) {
    const SettingsRecord& record = settings();
    const int row = selectionMark();
    if (row < 0 || row >= record.stageCount) return;
    // A tooltip change still pending from an earlier edit would overwrite the
    // texts set here.
    KillTimer(window, stageTooltipTimer);
    entryIndex = static_cast<std::uint8_t>(row);
    cellText(row, 3, startDateText, sizeof startDateText);
    cellText(row, 4, startTimeText, sizeof startTimeText);
    redrawStageStart(window);
    editMode = 0xFF;

    const MainControls& c = controls();
    const StageEntry& stage = record.stages[row];
    char text[kStampTextSize];
    formatTemperature(tenthsFromCode(stage.temperatureCode), text);
    SendMessageA(c.stageTempEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    formatTwoDigits(stage.holdMinutes, text);
    SendMessageA(c.holdMinutesEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    wsprintfA(text, "%lu", static_cast<unsigned long>(stage.holdHours));
    SendMessageA(c.holdHoursEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    // The fields now hold the stage's own values: the button that stores
    // follows them, not what the fields held before.
    recheckStageInput();

    const unsigned long number = static_cast<unsigned long>(row) + 1;
    char caption[64];
    wsprintfA(caption, "Изменить этап %lu", number);
    SetWindowTextA(c.addStageButton, caption);
    SetWindowTextA(c.clearListButton, "Отмена");
    char tip[96];
    wsprintfA(tip, "Сохранить новые параметры этапа №%lu", number);
    setToolText(window, c.addStageButton, tip);
    wsprintfA(tip, "Отменить изменения параметров этапа №%lu", number);
    setToolText(window, c.clearListButton, tip);
    redrawStageNumber(window);
}

void storeEdit(HWND window) {
    StageInput in;
    if (entryIndex >= settings().stageCount || !readStageInput(in)) return;
    storeStageInput(entryIndex, in);
    leaveEditMode(window);
    // A changed hold moves every later start.
    recomputeSchedule(window);
    entryIndex = settings().stageCount;
    redrawStageNumber(window);
    afterChange(window, true);
}

void cancelEdit(HWND window) {
    leaveEditMode(window);
    // The boxes go back to the next stage to append whenever that start is
    // known, whether or not the program lies in the past.
    if (startMomentValid()) showNextStageStart(window);
    saveSettings();
}

void deleteStage(HWND window) {
    const int row = selectionMark();
    if (row < 0 || row >= settings().stageCount) return;
    char text[160];
    if (editMode) {
        wsprintfA(text, "%s%lu", kDeleteRefusal, static_cast<unsigned long>(entryIndex) + 1);
        MessageBoxA(window, text, kDeleteCaption, MB_OK);
        return;
    }
    wsprintfA(text, kDeleteQuestion, static_cast<unsigned long>(row) + 1);
    const int answer = MessageBoxA(window, text, kDeleteCaption, MB_OKCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON2);
    SettingsRecord& record = settings();
    if (answer != IDOK || row >= record.stageCount) {
        SetFocus(list());
        return;
    }

    SendMessageA(list(), LVM_DELETEITEM, row, 0);
    --record.stageCount;
    entryIndex = record.stageCount;
    std::memmove(&record.stages[row], &record.stages[row + 1], (record.stageCount - row) * sizeof(StageEntry));

    recomputeSchedule(window);
    if (record.stageCount != 0) applyRunButtonRule();
    for (int i = 0; i < record.stageCount; ++i) setNumber(i);
    if (record.stageCount == 0) disableForEmptyList();
    saveSettings();
    redrawStageNumber(window);
    if (runActive()) resyncRun(window);
}

void clearStages(HWND window) {
    const char* question = runActive() ? kClearRunningQuestion : kClearQuestion;
    if (MessageBoxA(window, question, kClearCaption, MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDOK) return;

    SendMessageA(list(), LVM_DELETEALLITEMS, 0, 0);
    settings().stageCount = 0;
    entryIndex = 0;
    cursor = copyStartMoment(startInput());
    disableForEmptyList();
    redrawStageNumber(window);
    if (startMomentValid()) showNextStageStart(window);
    // The run may have ended while the question was open.
    if (runActive()) stopRun(window, false);
    // The stop saves as well; the empty list reaches the file either way.
    saveSettings();
}

}  // namespace

std::uint8_t entryStageIndex() { return entryIndex; }
std::uint8_t stageEditMode() { return editMode; }
const char* stageStartDateText() { return startDateText; }
const char* stageStartTimeText() { return startTimeText; }
const ClockStamp& scheduleCursor() { return cursor; }

void fillStageList(HWND) {
    const SettingsRecord& record = settings();
    editMode = 0;
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
    if (!startMomentValid()) return;
    const SettingsRecord& record = settings();
    cursor = copyStartMoment(startInput());
    for (int i = 0; i < record.stageCount; ++i) {
        const StageEntry& stage = record.stages[i];
        if (writeStageStart(window, i, stage.holdHours, stage.holdMinutes)) break;
    }
    if (editMode) redrawStageStart(window);
    else showNextStageStart(window);
}

void blankSchedule(HWND window) {
    const int count = settings().stageCount;
    for (int i = 0; i < count; ++i) {
        setCell(i, 3, " ");
        setCell(i, 4, " ");
    }
    std::strcpy(startDateText, "        ");
    std::strcpy(startTimeText, "     ");
    WindowDC dc(window);
    if (dc.get()) {
        GdiObject brush(CreateSolidBrush(GetSysColor(COLOR_WINDOW)));
        FillRect(dc.get(), &stageStartDateRect, brush.brush());
        FillRect(dc.get(), &stageStartTimeRect, brush.brush());
    }
    if (linkIsUp()) EnableWindow(controls().runButton, FALSE);
}

void showNextStageStart(HWND window) {
    formatDate(cursor, startDateText);
    formatTime(cursor, startTimeText);
    redrawStageStart(window);
}

void leaveEditMode(HWND window) {
    SetWindowTextA(controls().addStageButton, kAddCaption);
    SetWindowTextA(controls().clearListButton, kClearListCaption);
    editMode = 0;
    entryIndex = settings().stageCount;
    redrawStageNumber(window);
    SetTimer(window, stageTooltipTimer, kTooltipDelayMs, nullptr);
}

void onAddStageButton(HWND window) {
    if (editMode) storeEdit(window);
    else appendStage(window);
}

void onClearListButton(HWND window) {
    if (editMode) cancelEdit(window);
    else clearStages(window);
}

void onStageListNotify(HWND window, const NMHDR* header) {
    if (header->code == NM_DBLCLK) {
        enterEditMode(window);
    } else if (header->code == LVN_KEYDOWN) {
        const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
        if (key->wVKey == VK_DELETE) deleteStage(window);
    }
}

void onStageTooltipTimer(HWND window) {
    KillTimer(window, stageTooltipTimer);
    setToolText(window, controls().addStageButton, kAddTip);
    setToolText(window, controls().clearListButton, kClearTip);
}

void resetStageList() {
    entryIndex = 0;
    editMode = 0;
    std::strcpy(startDateText, "00.00.00");
    std::strcpy(startTimeText, "00:00");
    cursor = ClockStamp{};
}

