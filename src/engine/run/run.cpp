// The program run: the stage list sent to the thermostat against the clock,
// stage by stage, and resumed at the stage that matches the clock after a
// restart or a lost link. The rules of which stage runs when are
// run/run_schedule.
#include "run/run.h"

#include <string>

#include "awake.h"
#include "journal/journal.h"
#include "link/temperature.h"
#include "seat.h"
#include "texts.h"
#include "settings/settings.h"
#include "window_names.h"
#include "run/run_schedule.h"
#include "link/protocol.h"
#include "program/clock_stamp.h"
#include "program/input_fields.h"
#include "program/stage_list.h"

namespace {

// Told when a run ends; the front sets it.
void (*stopReport)(bool completed) = nullptr;

// The run button's tooltip follows the run this long after each change.
constexpr unsigned kTooltipDelayMs = 500;
// A run left in the file waits this long after start-up for a connection
// before the operator is told that it waits for the thermostat.
constexpr unsigned kWaitingNoticeMs = 1000;
constexpr char kCompletedText[] = "Завершено выполнение всех этапов.";
constexpr char kWaitingText[] =
    "Термостат не отвечает на запрос!\n\n\rАвтоматическое управление термостатом будет возобновлено\n\r"
    "после подключения к термостату (кнопка «Подключиться»).";
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
    TickMemory ticks{};
    bool setpointLocked = false;
    // The running view is shown.
    bool shown = false;
    // The row the run selected, or -1.
    int selectedRow = -1;
    // The rows up to this one count as sent: the row of the stage whose
    // temperature the run sent last, or -1. It follows deletions of rows;
    // when that stage itself is deleted, the row before it takes its place.
    int sentStage = -1;
    // The operator was told that the run waits for the thermostat.
    bool waitingNoticeShown = false;
    // The program is over and the last stage's temperature is on its way:
    // the next tick ends the run.
    bool completing = false;
};
RunState run;

// A run left alone for days must not be stopped by the computer going to
// sleep; the display may still turn off.
void keepAwake(bool on) { keepAwakeFor(AwakeFor::run, on); }

void selectRow(int row) {
    seat().view.selectRow(row, true);
    run.selectedRow = row;
}

void clearSelectedRow() {
    if (run.selectedRow >= 0) seat().view.selectRow(run.selectedRow, false);
    run.selectedRow = -1;
}

void clearMarkedRow() {
    const int mark = markedRow();
    if (mark >= 0) seat().view.selectRow(mark, false);
}

void startTooltipTimer() { seat().timers.start(Timer::runTooltip, kTooltipDelayMs); }

void repaintRunState() {
    seat().view.repaint(Part::setpointBox);
    seat().view.repaint(Part::startMomentStrip);
}

// The stage that runs at the present minute, from the start moment and the
// holds; targetCode takes its temperature (0 before the first stage) without
// queuing anything, and its row is selected.
StageSearch findCurrentStage() {
    const SettingsRecord& record = settings();
    const StageSearch found = findStage(startInput(), record.stages, record.stageCount,
                                        runMinute(run.ticks, presentMinute()), run.position);
    setTargetCode(run.position.targetCode);
    if (found == StageSearch::running) {
        selectRow(run.position.nextStage - 1);
        seat().view.focus(Control::stageList);
    }
    return found;
}

// The running stage's temperature goes out with the next exchange.
void journalStageSent(int stage, TemperatureCode code) {
    char value[kTemperatureTextSize];
    formatTemperature(tenthsFromCode(code), value);
    const std::string text = "отправлен этап " + std::to_string(stage) + ": " + value + " °C";
    journalEvent(text.c_str());
}

void sendRunningStage() {
    queueQuietSetCommand(run.position.targetCode);
    run.sentStage = run.position.nextStage - 1;
    journalStageSent(run.position.nextStage, run.position.targetCode);
}

// A run that ends because its program is over leaves the bath at the last
// stage's temperature, as one that ran to its end does, unless that stage (or
// one after it, since deleted) was already sent: nothing ended goes out again.
// True when it was queued.
bool sendLastStageIfUnsent() {
    const SettingsRecord& record = settings();
    if (record.stageCount == 0 || run.sentStage >= record.stageCount - 1) return false;
    queueQuietSetCommand(record.stages[record.stageCount - 1].temperatureCode);
    run.sentStage = record.stageCount - 1;
    journalStageSent(record.stageCount, record.stages[record.stageCount - 1].temperatureCode);
    return true;
}

// The program is over: the last stage's temperature goes out first, and the
// run ends with the completion message at the tick after it was sent.
void completeRun() {
    if (sendLastStageIfUnsent() && linkIsUp()) {
        run.completing = true;
        return;
    }
    stopRun(true);
}

void showStartFields(bool on) {
    for (Control field : kStartFields) seat().view.show(field, on);
}

void placeRunButton(const char* caption, int width) {
    showText(Control::runButton, caption);
    seat().view.placeRunButton(width);
}

void enterRunningView() {
    if (stageEditMode()) {
        // The values in the stage fields are not stored: the list is the
        // program being run.
        leaveEditMode();
        showNextStageStart();
    }
    run.ticks.resync = true;
    run.shown = true;
    showStartFields(false);
    placeRunButton(kRunningCaption, kRunningWidth);
    keepAwake(true);
}

void lockSetpoint() {
    if (run.setpointLocked) return;
    run.setpointLocked = true;
    repaintRunState();
    seat().view.enable(Control::setpointEdit, false);
    seat().view.enable(Control::setButton, false);
}

void startRun() {
    // A new run: its stages are looked up from the present on.
    run.ticks = TickMemory{};
    run.sentStage = -1;
    clearMarkedRow();
    startTooltipTimer();
    setRunFlag(true);
    // Saved at once, with its start moment: a power cut or a killed program
    // must find the run at the next start and resume it.
    storeStartMoment();
    journalEvent("программа этапов запущена");
    if (findCurrentStage() == StageSearch::allOver) {
        // The end minute came between the enabling of the button and the
        // press: nothing is left to run, and nothing of it was sent.
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
    showText(Control::runButton, kIdleCaption);
    seat().view.setTip(Control::runButton, kIdleTip);
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

bool runShown() { return run.shown; }

void noticeRunWaiting(bool later) {
    if (!runActive() || linkIsUp() || run.waitingNoticeShown) return;
    if (later) {
        seat().timers.start(Timer::runWaiting, kWaitingNoticeMs);
        return;
    }
    run.waitingNoticeShown = true;
    seat().boxes.show(kWaitingText, kMainWindowTitle, box::ok | box::iconExclamation);
}

void onRunWaitingTimer() {
    seat().timers.stop(Timer::runWaiting);
    noticeRunWaiting(false);
}

bool runMinuteTick() {
    if (!runActive()) {
        if (programEndReached()) seat().view.enable(Control::runButton, false);
        return true;
    }
    // A run left in the file that waits (for the thermostat, or for a valid
    // start moment in the fields) sends nothing and never ends by itself:
    // resumeRun takes it up.
    if (!run.shown || !startMomentValid()) return true;
    const SettingsRecord& record = settings();
    const ClockReading clock = seat().system.clock();
    const ClockStamp present = minuteOf(clock.local);
    // A corrected clock may bring the run back before the end of the program:
    // the stage of the corrected minute runs then.
    if (noticeClockCorrection(run.ticks, present, clock.universalSeconds)) {
        run.completing = false;
        journalEvent("часы компьютера переведены назад: программа этапов идёт по исправленному времени");
    }
    if (run.completing) {
        // The last stage's temperature waits for a free exchange.
        if (setCommandQueued() && linkIsUp()) return true;
        stopRun(true);
        return false;
    }
    bool stageChanged = false;
    const MinuteStep step =
        minuteStep(run.ticks, present, startInput(), record.stages, record.stageCount, run.position, stageChanged);
    if (step == MinuteStep::complete) {
        // The thermostat keeps the last stage's temperature, sent first if
        // the computer slept through that stage. An emptied list ends
        // without the message.
        if (record.stageCount == 0) {
            stopRun(false);
            return false;
        }
        completeRun();
        return run.completing;
    }
    if (stageChanged) {
        setTargetCode(run.position.targetCode);
        const int row = run.position.nextStage - 1;
        if (row >= 0) {
            selectRow(row);
            seat().view.ensureRowVisible(row);
            seat().view.focus(Control::stageList);
        }
    }
    if (step == MinuteStep::send) {
        sendRunningStage();
        lockSetpoint();
    }
    return true;
}

bool resumeRun() {
    // A start moment that is not valid has no stage to run: the run waits
    // until the fields hold one.
    if (!runActive() || !startMomentValid()) return false;
    seat().timers.stop(Timer::runWaiting);
    if (findCurrentStage() == StageSearch::allOver) {
        // The program ended while the link was down or the program closed:
        // the run ends as a list change past its end ends it.
        completeRun();
        return false;
    }
    // Saved at once, as a started run is: the moment it resumed from is the
    // one the next start resumes from.
    storeStartMoment();
    journalEvent("программа этапов возобновлена");
    seat().view.enable(Control::runButton, true);
    startTooltipTimer();
    enterRunningView();
    if (run.position.nextStage != 0) {
        // The thermostat may have lost power with the computer: the running
        // stage's temperature goes out at once.
        sendRunningStage();
        run.ticks.resync = false;
        run.ticks.lastMinute = presentMinute();
        lockSetpoint();
    }
    return true;
}

void resyncRun() {
    if (!runActive() || !startMomentValid()) return;
    if (findCurrentStage() == StageSearch::allOver) {
        completeRun();
        return;
    }
    // A stage runs again (one appended over the present minute, say): a
    // completion that waited for the next tick is off.
    run.completing = false;
    run.ticks.resync = true;
}

void noteStageRemoved(int row) {
    if (run.sentStage >= row) --run.sentStage;
    if (run.selectedRow == row) run.selectedRow = -1;
    else if (run.selectedRow > row) --run.selectedRow;
}

void stopRun(bool completed) {
    if (!runActive()) return;
    clearMarkedRow();
    startTooltipTimer();
    setRunFlag(false);
    keepAwake(false);
    seat().timers.stop(Timer::runWaiting);
    run.setpointLocked = false;
    run.shown = false;
    run.completing = false;
    clearSelectedRow();
    saveSettings();
    journalEvent(completed ? "программа этапов выполнена" : "программа этапов остановлена");
    if (stopReport) stopReport(completed);

    seat().view.enable(Control::setpointEdit, true);
    // "Установить" only where a set command can go out: a run also stops
    // when the link is given up.
    if (linkIsUp() && fieldTemperature(Control::setpointEdit).valid) seat().view.enable(Control::setButton, true);
    repaintRunState();
    showStartFields(true);
    placeRunButton(kIdleCaption, kIdleWidth);
    recomputeSchedule();
    applyRunButtonRule();
    if (completed) seat().boxes.show(kCompletedText, kMainWindowTitle, box::ok);
}

void onRunButton() {
    if (!runActive()) {
        // The button's rule, checked again at the press.
        if (settings().stageCount != 0 && startMomentValid() && !programEndReached()) startRun();
        return;
    }
    const int answer =
        seat().boxes.show(kStopQuestion, kMainWindowTitle, box::okCancel | box::iconExclamation | box::defaultButton2);
    if (answer != box::answerOk) {
        seat().view.focus(Control::stageList);
        return;
    }
    // The run may have ended while the question was up.
    if (runActive()) stopRun(false);
}

void onRunTooltipTimer() {
    seat().timers.stop(Timer::runTooltip);
    seat().view.setTip(Control::runButton, runActive() ? kRunningTip : kIdleTip);
}

void resetRun() {
    keepAwake(false);
    run = RunState{};
}

void setRunStopReport(void (*stopped)(bool completed)) { stopReport = stopped; }
