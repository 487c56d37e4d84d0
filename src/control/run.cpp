// The program run: the stage list sent to the thermostat against the clock,
// stage by stage, and resumed at the stage that matches the clock after a
// restart or a lost link. The run flag of the settings record and the start
// moment belong to this module alone; the rules of which stage runs when are
// control/run_schedule.
#include "control/run.h"

#include <commctrl.h>

#include <initializer_list>

#include "app/clock.h"
#include "app/settings.h"
#include "app/startup.h"
#include "control/run_schedule.h"
#include "link/protocol.h"
#include "link/temperature_edit.h"
#include "platform/tool_info.h"
#include "program/clock_stamp.h"
#include "program/input_fields.h"
#include "program/stage_list.h"

namespace {

// The run button's tooltip follows the run this long after each change.
constexpr UINT kTooltipDelayMs = 500;
constexpr char kCompletedText[] = "Завершено выполнение всех этапов.";
constexpr char kStopQuestion[] = "Автоматическое управление термостатом будет завершено.";
constexpr char kIdleTip[] = " Начать автоматическое управление термостатом по заданному алгоритму ";
constexpr char kRunningTip[] = " Завершить автоматическое управление термостатом ";
constexpr char kIdleCaption[] = "Начать работу с момента >>";
constexpr char kRunningCaption[] = "Завершить управление термостатом";
constexpr int kRunButtonX = 157;
constexpr int kRunButtonY = 27;
constexpr int kIdleWidth = 180;
constexpr int kRunningWidth = 317;
constexpr int kRunButtonHeight = 22;

// Everything the run keeps besides the flag, in one place.
struct RunState {
    RunView view{};
    RunPosition position{};
    // Minute of the local time at the last tick of a run; kResyncMinute asks
    // the next tick to send the running stage's temperature.
    std::int16_t lastTickMinute = 0;
    bool setpointLocked = false;
    // Windows was asked to keep the computer awake for this run.
    bool keepingAwake = false;
};
RunState run;

void setRunFlag(bool on) { settings().runFlag = on ? kFlagOn : kFlagOff; }

ClockStamp presentMinute() {
    SYSTEMTIME now;
    readLocalTime(now);
    now.wYear = static_cast<WORD>(now.wYear - 2000);
    return copyStartMoment(now);
}

// A run left alone for days must not be stopped by the computer going to
// sleep; the display may still turn off.
void keepAwake(bool on) {
    if (on == run.keepingAwake) return;
    SetThreadExecutionState(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
    run.keepingAwake = on;
}

void setRowState(int row, UINT state, UINT mask) {
    LVITEMA item = {};
    item.state = state;
    item.stateMask = mask;
    SendMessageA(run.view.stageList, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void selectRow(int row) { setRowState(row, LVIS_SELECTED, LVIS_SELECTED); }
void clearRow(int row) { setRowState(row, 0, LVIS_SELECTED | LVIS_FOCUSED); }

void clearMarkedRow() {
    const LRESULT mark = SendMessageA(run.view.stageList, LVM_GETSELECTIONMARK, 0, 0);
    if (mark >= 0) clearRow(static_cast<int>(mark));
}

void startTooltipTimer(HWND window) { SetTimer(window, runTooltipTimer, kTooltipDelayMs, nullptr); }

// The stage that runs at the present minute, from the start moment and the
// holds; targetCode takes its temperature (0 before the first stage) without
// queuing anything, and its row is selected.
StageSearch findCurrentStage() {
    const SettingsRecord& record = settings();
    const StageSearch found = findStage(copyStartMoment(startInput()), record.stages, record.stageCount,
                                        presentMinute(), run.position);
    setTargetCode(run.position.targetCode);
    if (found == StageSearch::running) {
        selectRow(run.position.nextStage - 1);
        SetFocus(run.view.stageList);
    }
    return found;
}

void showStartFields(int how) {
    const RunView& v = run.view;
    for (HWND field : {v.startMinuteEdit, v.startHourEdit, v.startDayEdit, v.startMonthEdit, v.startYearEdit})
        ShowWindow(field, how);
}

void placeRunButton(const char* caption, int width) {
    SetWindowTextA(run.view.runButton, caption);
    MoveWindow(run.view.runButton, kRunButtonX, kRunButtonY, width, kRunButtonHeight, TRUE);
}

void enterRunningView(HWND window) {
    if (stageEditMode()) {
        // The values in the stage fields are not stored: the list is the
        // program being run.
        leaveEditMode(window);
        showNextStageStart(window);
    }
    run.lastTickMinute = kResyncMinute;
    showStartFields(SW_HIDE);
    placeRunButton(kRunningCaption, kRunningWidth);
    keepAwake(true);
}

void lockSetpoint(HWND window) {
    if (run.setpointLocked) return;
    run.setpointLocked = true;
    if (run.view.repaintRunState) run.view.repaintRunState(window);
    EnableWindow(run.view.setpointEdit, FALSE);
    EnableWindow(run.view.setButton, FALSE);
}

void startRun(HWND window) {
    clearMarkedRow();
    startTooltipTimer(window);
    setRunFlag(true);
    // Saved at once, with its start moment: a power cut or a killed program
    // must find the run at the next start and resume it.
    storeStartMoment();
    if (findCurrentStage() == StageSearch::allOver) {
        // The end minute came between the enabling of the button and the
        // press: nothing is left to run.
        stopRun(window, true);
        return;
    }
    enterRunningView(window);
}

}  // namespace

void attachRunView(const RunView& view) { run.view = view; }

bool runActive() { return settings().runFlag != kFlagOff; }
bool setpointLocked() { return run.setpointLocked; }
std::uint8_t nextStage() { return run.position.nextStage; }
bool runWantsResend() { return runActive() && run.position.nextStage != 0; }

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
    if (runActive() && startMomentReached(now)) setRunFlag(false);
}

void abandonRun() {
    setRunFlag(false);
    keepAwake(false);
}

bool runMinuteTick(HWND window) {
    if (!runActive()) {
        SYSTEMTIME now;
        if (startMomentReached(now)) EnableWindow(run.view.runButton, FALSE);
        return true;
    }
    const SettingsRecord& record = settings();
    bool stageChanged = false;
    const MinuteStep step = minuteStep(run.lastTickMinute, presentMinute(), copyStartMoment(startInput()),
                                       record.stages, record.stageCount, run.position, stageChanged);
    if (step == MinuteStep::complete) {
        // The thermostat keeps the last stage's temperature; this tick sends
        // nothing more. An emptied list ends without the message.
        stopRun(window, record.stageCount != 0);
        return false;
    }
    if (stageChanged) {
        setTargetCode(run.position.targetCode);
        const int row = run.position.nextStage - 1;
        if (row >= 0) {
            selectRow(row);
            SendMessageA(run.view.stageList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
            SetFocus(run.view.stageList);
        }
    }
    if (step == MinuteStep::send) {
        queueSetCommand();
        lockSetpoint(window);
    }
    return true;
}

bool resumeRun(HWND window) {
    if (!runActive()) return false;
    if (findCurrentStage() == StageSearch::allOver) {
        // The program ended while the link was down or the program closed:
        // the run ends as a list change past its end ends it.
        stopRun(window, true);
        return false;
    }
    EnableWindow(run.view.runButton, TRUE);
    startTooltipTimer(window);
    enterRunningView(window);
    return true;
}

void resyncRun(HWND window) {
    if (!runActive()) return;
    if (findCurrentStage() == StageSearch::allOver) {
        stopRun(window, true);
        return;
    }
    run.lastTickMinute = kResyncMinute;
}

void stopRun(HWND window, bool completed) {
    if (!runActive()) return;
    clearMarkedRow();
    startTooltipTimer(window);
    setRunFlag(false);
    keepAwake(false);
    run.setpointLocked = false;
    if (run.position.nextStage >= 1) clearRow(run.position.nextStage - 1);
    saveSettings();

    const RunView& v = run.view;
    EnableWindow(v.setpointEdit, TRUE);
    // "Установить" only where a set command can go out: a run also stops
    // when the link is given up.
    if (linkIsUp() && parseTemperature(v.setpointEdit).valid) EnableWindow(v.setButton, TRUE);
    if (v.repaintRunState) v.repaintRunState(window);
    showStartFields(SW_SHOW);
    placeRunButton(kIdleCaption, kIdleWidth);
    recomputeSchedule(window);
    if (completed) MessageBoxA(window, kCompletedText, kMainWindowTitle, MB_OK);
}

void onRunButton(HWND window) {
    if (!runActive()) {
        startRun(window);
        return;
    }
    const int answer = MessageBoxA(window, kStopQuestion, kMainWindowTitle, MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
    if (answer != IDOK) {
        SetFocus(run.view.stageList);
        return;
    }
    // The run may have ended while the question was up.
    if (runActive()) stopRun(window, false);
}

void onRunTooltipTimer(HWND window) {
    KillTimer(window, runTooltipTimer);
    TOOLINFOA tool = toolRecord(window, reinterpret_cast<UINT_PTR>(run.view.runButton),
                                runActive() ? kRunningTip : kIdleTip);
    SendMessageA(run.view.toolTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void resetRun() {
    keepAwake(false);
    run = RunState{};
}
