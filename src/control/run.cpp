// The program run: the stage list sent to the thermostat against the clock,
// stage by stage, and resumed at the stage that matches the clock after a
// restart or a lost link. The rules of which stage runs when are
// control/run_schedule.
#include "control/run.h"

#include "app/seat.h"
#include "app/settings.h"
#include "app/window_names.h"
#include "control/run_schedule.h"
#include "link/protocol.h"
#include "program/clock_stamp.h"
#include "program/input_fields.h"
#include "program/stage_list.h"

namespace {

// The run button's tooltip follows the run this long after each change.
constexpr unsigned kTooltipDelayMs = 500;
constexpr char kCompletedText[] = "Завершено выполнение всех этапов.";
constexpr char kStopQuestion[] = "Автоматическое управление термостатом будет завершено.";
constexpr char kIdleTip[] = " Начать автоматическое управление термостатом по заданному алгоритму ";
constexpr char kRunningTip[] = " Завершить автоматическое управление термостатом ";
constexpr char kIdleCaption[] = "Начать работу с момента >>";
constexpr char kRunningCaption[] = "Завершить управление термостатом";
constexpr int kIdleWidth = 180;
constexpr int kRunningWidth = 317;

constexpr Control kStartFields[] = {Control::startMinuteEdit, Control::startHourEdit, Control::startDayEdit,
                                    Control::startMonthEdit, Control::startYearEdit};

// Everything the run keeps besides the flag, in one place.
struct RunState {
    RunPosition position{};
    // Minute of the local time at the last tick of a run; kResyncMinute asks
    // the next tick to send the running stage's temperature.
    std::int16_t lastTickMinute = 0;
    bool setpointLocked = false;
    // The system was asked to keep the computer awake for this run.
    bool keepingAwake = false;
};
RunState run;

// A run left alone for days must not be stopped by the computer going to
// sleep; the display may still turn off.
void keepAwake(bool on) {
    if (on == run.keepingAwake) return;
    seat().keepAwake(on);
    run.keepingAwake = on;
}

void clearMarkedRow() {
    const int mark = seat().selectionMark();
    if (mark >= 0) seat().selectRow(mark, false);
}

void startTooltipTimer() { seat().startTimer(Timer::runTooltip, kTooltipDelayMs); }

void repaintRunState() {
    seat().repaint(Part::setpointBox);
    seat().repaint(Part::startMomentStrip);
}

// The stage that runs at the present minute, from the start moment and the
// holds; targetCode takes its temperature (0 before the first stage) without
// queuing anything, and its row is selected.
StageSearch findCurrentStage() {
    const SettingsRecord& record = settings();
    const StageSearch found =
        findStage(startInput(), record.stages, record.stageCount, presentMinute(), run.position);
    setTargetCode(run.position.targetCode);
    if (found == StageSearch::running) {
        seat().selectRow(run.position.nextStage - 1, true);
        seat().focus(Control::stageList);
    }
    return found;
}

void showStartFields(bool on) {
    for (Control field : kStartFields) seat().show(field, on);
}

void placeRunButton(const char* caption, int width) {
    seat().setText(Control::runButton, caption);
    seat().setWidth(Control::runButton, width);
}

void enterRunningView() {
    if (stageEditMode()) {
        // The values in the stage fields are not stored: the list is the
        // program being run.
        leaveEditMode();
        showNextStageStart();
    }
    run.lastTickMinute = kResyncMinute;
    showStartFields(false);
    placeRunButton(kRunningCaption, kRunningWidth);
    keepAwake(true);
}

void lockSetpoint() {
    if (run.setpointLocked) return;
    run.setpointLocked = true;
    repaintRunState();
    seat().enable(Control::setpointEdit, false);
    seat().enable(Control::setButton, false);
}

void startRun() {
    clearMarkedRow();
    startTooltipTimer();
    setRunFlag(true);
    // Saved at once, with its start moment: a power cut or a killed program
    // must find the run at the next start and resume it.
    storeStartMoment();
    if (findCurrentStage() == StageSearch::allOver) {
        // The end minute came between the enabling of the button and the
        // press: nothing is left to run.
        stopRun(true);
        return;
    }
    enterRunningView();
}

}  // namespace

bool runActive() { return settings().runFlag != kFlagOff; }
bool setpointLocked() { return run.setpointLocked; }
std::uint8_t nextStage() { return run.position.nextStage; }
bool runWantsResend() { return runActive() && run.position.nextStage != 0; }

void showIdleRunButton() {
    seat().setText(Control::runButton, kIdleCaption);
    seat().setTip(Control::runButton, kIdleTip);
}

void setUpStartMoment(bool restoreStored) {
    const SettingsRecord& record = settings();
    if (restoreStored) {
        setStartInput(ClockStamp{static_cast<std::int16_t>(record.startYear), static_cast<std::int16_t>(record.startMonth),
                                 static_cast<std::int16_t>(record.startDay), static_cast<std::int16_t>(record.startHour),
                                 static_cast<std::int16_t>(record.startMinute)});
    } else {
        setStartInput(presentMinute());
    }
}

void storeStartMoment() {
    if (!startMomentValid()) return;
    setStoredStartMoment(startInput());
    saveSettings();
}

void keepRunOnlyIfAhead() {
    if (runActive() && programEndReached()) setRunFlag(false);
}

void abandonRun() {
    setRunFlag(false);
    keepAwake(false);
}

bool runMinuteTick() {
    if (!runActive()) {
        if (programEndReached()) seat().enable(Control::runButton, false);
        return true;
    }
    const SettingsRecord& record = settings();
    bool stageChanged = false;
    const MinuteStep step = minuteStep(run.lastTickMinute, presentMinute(), startInput(), record.stages,
                                       record.stageCount, run.position, stageChanged);
    if (step == MinuteStep::complete) {
        // The thermostat keeps the last stage's temperature; this tick sends
        // nothing more. An emptied list ends without the message.
        stopRun(record.stageCount != 0);
        return false;
    }
    if (stageChanged) {
        setTargetCode(run.position.targetCode);
        const int row = run.position.nextStage - 1;
        if (row >= 0) {
            seat().selectRow(row, true);
            seat().ensureRowVisible(row);
            seat().focus(Control::stageList);
        }
    }
    if (step == MinuteStep::send) {
        queueSetCommand();
        lockSetpoint();
    }
    return true;
}

bool resumeRun() {
    if (!runActive()) return false;
    if (findCurrentStage() == StageSearch::allOver) {
        // The program ended while the link was down or the program closed:
        // the run ends as a list change past its end ends it.
        stopRun(true);
        return false;
    }
    seat().enable(Control::runButton, true);
    startTooltipTimer();
    enterRunningView();
    return true;
}

void resyncRun() {
    if (!runActive()) return;
    if (findCurrentStage() == StageSearch::allOver) {
        stopRun(true);
        return;
    }
    run.lastTickMinute = kResyncMinute;
}

void stopRun(bool completed) {
    if (!runActive()) return;
    clearMarkedRow();
    startTooltipTimer();
    setRunFlag(false);
    keepAwake(false);
    run.setpointLocked = false;
    if (run.position.nextStage >= 1) seat().selectRow(run.position.nextStage - 1, false);
    saveSettings();

    seat().enable(Control::setpointEdit, true);
    // "Установить" only where a set command can go out: a run also stops
    // when the link is given up.
    if (linkIsUp() && fieldTemperature(Control::setpointEdit).valid) seat().enable(Control::setButton, true);
    repaintRunState();
    showStartFields(true);
    placeRunButton(kIdleCaption, kIdleWidth);
    recomputeSchedule();
    if (completed) seat().messageBox(kCompletedText, kMainWindowTitle, box::ok);
}

void onRunButton() {
    if (!runActive()) {
        startRun();
        return;
    }
    const int answer =
        seat().messageBox(kStopQuestion, kMainWindowTitle, box::okCancel | box::iconExclamation | box::defaultButton2);
    if (answer != box::answerOk) {
        seat().focus(Control::stageList);
        return;
    }
    // The run may have ended while the question was up.
    if (runActive()) stopRun(false);
}

void onRunTooltipTimer() {
    seat().stopTimer(Timer::runTooltip);
    seat().setTip(Control::runButton, runActive() ? kRunningTip : kIdleTip);
}

void resetRun() {
    keepAwake(false);
    run = RunState{};
}
