#include "program/stage_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "seat.h"
#include "texts.h"
#include "settings/settings.h"
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
constexpr unsigned kTooltipDelayMs = 500;

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
constexpr char kEditCaption[] = "Изменить этап %lu";
constexpr char kCancelCaption[] = "Отмена";
constexpr char kAddTip[] = " Добавить этап программы в конец списка этапов ";
constexpr char kClearTip[] = "Удалить все этапы из списка";
constexpr char kStoreEditTip[] = "Сохранить новые параметры этапа №%lu";
constexpr char kCancelEditTip[] = "Отменить изменения параметров этапа №%lu";

// The three stage-input fields as read for storing: the stage they describe
// and the texts the row shows for it, as typed.
struct StageInput {
    StageEntry stage;
    char temperature[kTemperatureTextSize];
    char hold[16];
};

// The start date and time each row shows, as the list keeps them.
struct RowStart {
    std::string date;
    std::string time;
};
std::vector<RowStart> rowStarts;
// The row the operator last marked (clicked or moved to), or -1; it follows
// the rows the list inserts and deletes, as the list view's own mark does.
int mark = -1;

bool rowListed(int row) { return row >= 0 && row < static_cast<int>(rowStarts.size()); }

// A kept text into a start box, cut to the box's room.
void copyText(const std::string& text, char (&out)[kStampTextSize]) {
    const std::size_t n = std::min(text.size(), sizeof out - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

void setCell(int row, int column, const char* text) {
    if (rowListed(row) && column == 3) rowStarts[row].date = std::string(text);
    if (rowListed(row) && column == 4) rowStarts[row].time = std::string(text);
    seat().view.setCell(row, column, text);
}

void deleteRow(int row) {
    if (rowListed(row)) rowStarts.erase(rowStarts.begin() + row);
    if (mark == row) mark = -1;
    else if (mark > row) --mark;
    seat().view.deleteRow(row);
}

void numberText(int row, char (&out)[16]) { std::snprintf(out, sizeof out, "%lu", static_cast<unsigned long>(row + 1)); }

void setNumber(int row) {
    char number[16];
    numberText(row, number);
    setCell(row, 0, number);
}

void insertRow(int row) {
    char number[16];
    numberText(row, number);
    if (row >= 0 && row <= static_cast<int>(rowStarts.size())) rowStarts.insert(rowStarts.begin() + row, RowStart{});
    if (mark >= row) ++mark;
    seat().view.insertRow(row, number);
}

int selectionMark() { return mark; }

void holdText(const StageEntry& stage, char* out) {
    std::sprintf(out, "%lu:", static_cast<unsigned long>(stage.holdHours));
    formatTwoDigits(stage.holdMinutes, out + std::strlen(out));
}

void disableForEmptyList() {
    seat().view.enable(Control::clearListButton, false);
    seat().view.enable(Control::runButton, false);
}

void showListButtons() {
    showText(Control::addStageButton, kAddCaption);
    showText(Control::clearListButton, kClearListCaption);
}

void showListTips() {
    seat().view.setTip(Control::addStageButton, kAddTip);
    seat().view.setTip(Control::clearListButton, kClearTip);
}

// The century limit: the stages from row on would end after 2100 and are
// taken out of the program, each with its own message. The shorter program
// goes to the file at once.
void removeStagesFrom(int row) {
    while (settings().stageCount > row) {
        deleteRow(row);
        setStageCount(settings().stageCount - 1);
        seat().boxes.show(kCenturyText, kCenturyCaption, box::ok);
    }
    if (!editMode) {
        entryIndex = settings().stageCount;
        seat().view.repaint(Part::stageNumber);
    } else if (entryIndex >= settings().stageCount) {
        // The stage being edited is gone: there is nothing left to store.
        leaveEditMode();
    }
    if (settings().stageCount == 0) disableForEmptyList();
    saveSettings();
}

// Dates the row from scheduleCursor and advances the cursor by its hold.
// True when the stage would end after 2100 and it and every stage after it
// were removed; the cursor then stays at the start of the first removed stage,
// which the two-digit year of the date form can still show and where an
// appended stage would begin.
bool writeStageStart(int row, unsigned hours, unsigned minutes) {
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
    removeStagesFrom(row);
    return true;
}

// False when the fields do not describe a stage the program can keep; the
// button that stores is disabled then, and nothing is stored.
bool readStageInput(StageInput& in) {
    char hours[8] = {};
    char minutes[8] = {};
    controlText(Control::stageTempEdit, in.temperature, sizeof in.temperature);
    controlText(Control::holdHoursEdit, hours, sizeof hours);
    controlText(Control::holdMinutesEdit, minutes, sizeof minutes);
    if (!stageFromInput(in.temperature, hours, minutes, in.stage)) return false;
    std::snprintf(in.hold, sizeof in.hold, "%s:%s", hours, minutes);
    return true;
}

// The row shows the fields as typed; the entry holds what they stand for.
void storeStageInput(int row, const StageInput& in) {
    setCell(row, 1, in.temperature);
    setStage(row, in.stage);
    setCell(row, 2, in.hold);
    saveSettings();
}

bool running() { return settings().runFlag != kFlagOff; }

// After an append or a stored edit: a running program is followed by the run
// (the caller re-synchronises it); an idle one gives the list the focus.
ListChange afterChange() {
    if (running()) {
        if (mark >= 0) seat().view.selectRow(mark, false);
    } else {
        seat().view.focus(Control::stageList);
        applyRunButtonRule();
    }
    return ListChange::changed;
}

ListChange appendStage() {
    if (settings().stageCount >= kMaxStages) {
        seat().boxes.show(kTooManyText, nullptr, box::ok);
        return ListChange::none;
    }
    StageInput in;
    if (!readStageInput(in)) return ListChange::none;

    const int row = settings().stageCount;
    setStageCount(row + 1);
    entryIndex = settings().stageCount;
    seat().view.repaint(Part::stageNumber);
    insertRow(row);
    storeStageInput(row, in);

    bool removed = false;
    if (startMomentValid()) {
        // The cursor holds the end of the previous last stage.
        removed = writeStageStart(row, in.stage.holdHours, in.stage.holdMinutes);
        showNextStageStart();
    }
    if (removed) return ListChange::none;
    seat().view.ensureRowVisible(row);
    seat().view.enable(Control::clearListButton, true);
    if (!startMomentValid()) return ListChange::none;
    // A longer program can end in the future again: bit 0 follows it, and the
    // run button follows the program's end rather than a past finding.
    refreshProgramPast();
    return afterChange();
}

void enterEditMode() {
    const SettingsRecord& record = settings();
    const int row = selectionMark();
    if (row < 0 || row >= record.stageCount) return;
    // A tooltip change still pending from an earlier edit would overwrite the
    // texts set here.
    seat().timers.stop(Timer::stageTooltip);
    entryIndex = static_cast<std::uint8_t>(row);
    copyText(rowStarts[row].date, startDateText);
    copyText(rowStarts[row].time, startTimeText);
    seat().view.repaint(Part::stageStart);
    editMode = 0xFF;

    const StageEntry& stage = record.stages[row];
    char text[kStampTextSize];
    formatTemperature(tenthsFromCode(stage.temperatureCode), text);
    showText(Control::stageTempEdit, text);
    formatTwoDigits(stage.holdMinutes, text);
    showText(Control::holdMinutesEdit, text);
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(stage.holdHours));
    showText(Control::holdHoursEdit, text);
    // The fields now hold the stage's own values: the button that stores
    // follows them, not what the fields held before.
    recheckStageInput();

    const unsigned long number = static_cast<unsigned long>(row) + 1;
    char caption[64];
    std::snprintf(caption, sizeof caption, kEditCaption, number);
    showText(Control::addStageButton, caption);
    showText(Control::clearListButton, kCancelCaption);
    char tip[96];
    std::snprintf(tip, sizeof tip, kStoreEditTip, number);
    seat().view.setTip(Control::addStageButton, tip);
    std::snprintf(tip, sizeof tip, kCancelEditTip, number);
    seat().view.setTip(Control::clearListButton, tip);
    seat().view.repaint(Part::stageNumber);
}

ListChange storeEdit() {
    StageInput in;
    if (entryIndex >= settings().stageCount || !readStageInput(in)) return ListChange::none;
    storeStageInput(entryIndex, in);
    leaveEditMode();
    // A changed hold moves every later start.
    recomputeSchedule();
    entryIndex = settings().stageCount;
    seat().view.repaint(Part::stageNumber);
    return afterChange();
}

void cancelEdit() {
    leaveEditMode();
    // The boxes go back to the next stage to append whenever that start is
    // known, whether or not the program lies in the past.
    if (startMomentValid()) showNextStageStart();
    saveSettings();
}

ListChange deleteStage(int& removedRow) {
    const int row = selectionMark();
    if (row < 0 || row >= settings().stageCount) return ListChange::none;
    char text[160];
    if (editMode) {
        std::snprintf(text, sizeof text, "%s%lu", kDeleteRefusal, static_cast<unsigned long>(entryIndex) + 1);
        seat().boxes.show(text, kDeleteCaption, box::ok);
        return ListChange::none;
    }
    std::snprintf(text, sizeof text, kDeleteQuestion, static_cast<unsigned long>(row) + 1);
    const int answer =
        seat().boxes.show(text, kDeleteCaption, box::okCancel | box::iconInformation | box::defaultButton2);
    if (answer != box::answerOk || row >= settings().stageCount) {
        seat().view.focus(Control::stageList);
        return ListChange::none;
    }

    deleteRow(row);
    removeStage(row);
    removedRow = row;
    entryIndex = settings().stageCount;

    recomputeSchedule();
    const int count = settings().stageCount;
    if (count != 0) applyRunButtonRule();
    for (int i = 0; i < count; ++i) setNumber(i);
    if (count == 0) disableForEmptyList();
    saveSettings();
    seat().view.repaint(Part::stageNumber);
    return ListChange::changed;
}

ListChange clearStages(bool runningNow) {
    const char* question = runningNow ? kClearRunningQuestion : kClearQuestion;
    if (seat().boxes.show(question, kClearCaption, box::okCancel | box::iconExclamation | box::defaultButton2) !=
        box::answerOk)
        return ListChange::none;

    rowStarts.clear();
    mark = -1;
    seat().view.deleteAllRows();
    setStageCount(0);
    entryIndex = 0;
    cursor = startInput();
    disableForEmptyList();
    seat().view.repaint(Part::stageNumber);
    if (startMomentValid()) showNextStageStart();
    saveSettings();
    return ListChange::cleared;
}

}  // namespace

std::uint8_t entryStageIndex() { return entryIndex; }
std::uint8_t stageEditMode() { return editMode; }
const char* stageStartDateText() { return startDateText; }
const char* stageStartTimeText() { return startTimeText; }
const ClockStamp& scheduleCursor() { return cursor; }

ClockStamp presentMinute() { return minuteOf(seat().system.clock().local); }

ClockStamp minuteOf(const LocalTime& now) {
    return ClockStamp{static_cast<std::int16_t>(now.year - 2000), static_cast<std::int16_t>(now.month),
                      static_cast<std::int16_t>(now.day), static_cast<std::int16_t>(now.hour),
                      static_cast<std::int16_t>(now.minute)};
}

bool programEndReached() { return notEarlier(presentMinute(), cursor); }

bool refreshProgramPast() {
    if (settings().stageCount != 0) setProgramPast(programEndReached());
    return programPast();
}

void applyRunButtonRule() {
    if (!linkIsUp()) return;
    const bool runnable = settings().stageCount != 0 && startMomentValid() && !programEndReached();
    seat().view.enable(Control::runButton, runnable);
}

void fillStageList() {
    const SettingsRecord& record = settings();
    editMode = 0;
    std::strcpy(startDateText, "00.00.00");
    std::strcpy(startTimeText, "00:00");
    entryIndex = record.stageCount;
    showListButtons();
    showListTips();
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

void recomputeSchedule() {
    if (!startMomentValid()) return;
    cursor = startInput();
    for (int i = 0; i < settings().stageCount; ++i) {
        const StageEntry& stage = settings().stages[i];
        if (writeStageStart(i, stage.holdHours, stage.holdMinutes)) break;
    }
    if (editMode) seat().view.repaint(Part::stageStart);
    else showNextStageStart();
}

void blankSchedule() {
    const int count = settings().stageCount;
    for (int i = 0; i < count; ++i) {
        setCell(i, 3, " ");
        setCell(i, 4, " ");
    }
    std::strcpy(startDateText, "        ");
    std::strcpy(startTimeText, "     ");
    seat().view.repaint(Part::stageStart);
    if (linkIsUp()) seat().view.enable(Control::runButton, false);
}

void showNextStageStart() {
    formatDate(cursor, startDateText);
    formatTime(cursor, startTimeText);
    seat().view.repaint(Part::stageStart);
}

void leaveEditMode() {
    showListButtons();
    editMode = 0;
    entryIndex = settings().stageCount;
    seat().view.repaint(Part::stageNumber);
    seat().timers.start(Timer::stageTooltip, kTooltipDelayMs);
}

ListChange onAddStageButton() { return editMode ? storeEdit() : appendStage(); }

ListChange onClearListButton(bool runningNow) {
    if (!editMode) return clearStages(runningNow);
    cancelEdit();
    return ListChange::none;
}

void onStageDoubleClick() { enterEditMode(); }

ListChange onStageDeleteKey(int& removedRow) { return deleteStage(removedRow); }

void onStageTooltipTimer() {
    seat().timers.stop(Timer::stageTooltip);
    showListTips();
}

int markedRow() { return mark; }

void onRowMarked(int row) { mark = row; }

void resetStageList() {
    rowStarts.clear();
    mark = -1;
    entryIndex = 0;
    editMode = 0;
    std::strcpy(startDateText, "00.00.00");
    std::strcpy(startTimeText, "00:00");
    cursor = ClockStamp{};
}
