// The run itself (start, stop, minute tick, resume) is built only in part:
// nothing starts or resumes a run yet. What exists is the start moment set up
// at start-up, the test of whether the program's end has come, and a flagged
// run that ends when its end has passed. The flag is the one in the settings
// record, and only this module writes it.
#include "control/run.h"

#include <commctrl.h>

#include "app/clock.h"
#include "app/settings.h"
#include "app/startup.h"
#include "platform/tool_info.h"
#include "program/clock_stamp.h"
#include "program/input_fields.h"
#include "program/stage_list.h"

namespace {

// The run button's tooltip follows the run this long after each change.
constexpr UINT kTooltipDelayMs = 500;
constexpr char kCompletedText[] = "Завершено выполнение всех этапов.";
constexpr char kIdleTip[] = " Начать автоматическое управление термостатом по заданному алгоритму ";
constexpr char kRunningTip[] = " Завершить автоматическое управление термостатом ";

// Everything the run keeps besides the flag, in one place.
struct RunState {
    RunView view{};
    std::uint8_t nextStage = 0;
    bool setpointLocked = false;
};
RunState run;

void clearRunFlag() { settings().runFlag = kFlagOff; }

}  // namespace

void attachRunView(const RunView& view) { run.view = view; }

bool runActive() { return settings().runFlag != kFlagOff; }
bool setpointLocked() { return run.setpointLocked; }
std::uint8_t nextStage() { return run.nextStage; }
bool runWantsResend() { return runActive() && run.nextStage != 0; }

bool startMomentReached(SYSTEMTIME& now) {
    readLocalTime(now);
    now.wYear = static_cast<WORD>(now.wYear - 2000);
    return notEarlier(copyStartMoment(now), scheduleCursor());
}

void setUpStartMoment(bool restoreStored) {
    const SettingsRecord& record = settings();
    SYSTEMTIME& input = startInput();
    if (restoreStored) {
        input = SYSTEMTIME{};
        input.wYear = record.startYear;
        input.wMonth = record.startMonth;
        input.wDay = record.startDay;
        input.wHour = record.startHour;
        input.wMinute = record.startMinute;
    } else {
        readLocalTime(input);
        input.wYear = static_cast<WORD>(input.wYear - 2000);
    }
    showStartMoment();
}

void showStartMoment() {
    const RunView& v = run.view;
    const SYSTEMTIME& input = startInput();
    const struct {
        HWND field;
        WORD value;
    } fields[] = {{v.startYearEdit, input.wYear},
                  {v.startMonthEdit, input.wMonth},
                  {v.startDayEdit, input.wDay},
                  {v.startHourEdit, input.wHour},
                  {v.startMinuteEdit, input.wMinute}};
    for (const auto& f : fields) {
        char text[kStampTextSize];
        formatTwoDigits(f.value, text);
        SetWindowTextA(f.field, text);
    }
}

void storeStartMoment() {
    if (!startMomentValid()) return;
    const ClockStamp start = copyStartMoment(startInput());
    SettingsRecord& record = settings();
    record.startYear = static_cast<std::uint16_t>(start.year);
    record.startMonth = static_cast<std::uint16_t>(start.month);
    record.startDay = static_cast<std::uint16_t>(start.day);
    record.startHour = static_cast<std::uint16_t>(start.hour);
    record.startMinute = static_cast<std::uint16_t>(start.minute);
    saveSettings();
}

void keepRunOnlyIfAhead() {
    SYSTEMTIME now;
    if (runActive() && startMomentReached(now)) clearRunFlag();
}

void abandonRun() { clearRunFlag(); }

bool runMinuteTick(HWND window) {
    SYSTEMTIME now;
    if (!runActive()) {
        if (startMomentReached(now)) EnableWindow(run.view.runButton, FALSE);
        return true;
    }
    if (!startMomentReached(now)) return true;
    // The program's end has come: the run completes, and the thermostat keeps
    // the last temperature it was sent.
    stopRun(window, settings().stageCount != 0);
    return false;
}

// Nothing resumes a run yet: the connection goes on as an idle one.
bool resumeRun(HWND) { return false; }

// Finding the stage that matches the present minute comes with the run; what
// holds already is that a program whose end has passed is over.
void resyncRun(HWND window) {
    SYSTEMTIME now;
    if (startMomentReached(now)) stopRun(window, true);
}

void stopRun(HWND window, bool completed) {
    if (!runActive()) return;
    clearRunFlag();
    run.setpointLocked = false;
    SetTimer(window, runTooltipTimer, kTooltipDelayMs, nullptr);
    saveSettings();
    if (run.view.repaintRunState) run.view.repaintRunState(window);
    if (completed) MessageBoxA(window, kCompletedText, kMainWindowTitle, MB_OK);
}

void onRunButton(HWND) {}

void onRunTooltipTimer(HWND window) {
    KillTimer(window, runTooltipTimer);
    TOOLINFOA tool = toolRecord(window, reinterpret_cast<UINT_PTR>(run.view.runButton),
                                runActive() ? kRunningTip : kIdleTip);
    SendMessageA(run.view.toolTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void resetRun() { run = RunState{}; }
