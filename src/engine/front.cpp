#include "front.h"

#include <string>

#include "awake.h"
#include "texts.h"
#include "settings/settings.h"
#include "window_names.h"
#include "journal/journal.h"
#include "alerts/alerts.h"
#include "run/run.h"
#include "link/connection.h"
#include "link/protocol.h"
#include "link/temperature.h"
#include "program/input_fields.h"
#include "program/stage_list.h"
#include "recording/recording.h"

namespace {

constexpr char kCloseQuestion[] =
    "    Закрытие программы прервёт процесс            \n\r"
    "автоматического управления термостатом.\n\r"
    "    При последующем запуске программа возобновит\n\r"
    "управление, начиная с этапа, соответствующего\n\r"
    "реальному времени момента запуска.\n\n\r"
    "    Закрыть программу?\n\r";

// A link that was lost comes back as "restored", not as a new connection.
bool linkWasLost = false;

// Why the run that ends now was stopped, when it was not completed: set
// by the action that stops it.
StopCause stopCause = StopCause::listCleared;

// What the journal's lines and the alerts carry: the thermostat's last
// report, the running stage and the stage count of a run.
AlertSnapshot snapshot() {
    AlertSnapshot values;
    // A lost link still has the last values the thermostat reported, which
    // the lab wants most then.
    values.hasMeasured = values.hasMaintained = linkIsUp() || linkState() == linkLost;
    values.measuredTenths = measuredTenths();
    values.maintainedTenths = tenthsFromCode(maintainedCode());
    values.stage = runShown() ? nextStage() : 0;
    values.stages = runActive() ? settings().stageCount : 0;
    return values;
}

AlertTime alertNow() { return alertTimeOf(seat().system.clock()); }

void updateJournalValues() {
    journalValues(linkIsUp(), measuredTenths(), tenthsFromCode(maintainedCode()), runShown() ? nextStage() : 0);
    alertValues(snapshot(), linkIsUp());
}

void onRunStopped(bool completed) {
    if (completed) alertRunCompleted(snapshot(), alertNow());
    else alertRunStopped(stopCause, snapshot(), alertNow());
    stopCause = StopCause::listCleared;
}

// A run left in the file waits for a thermostat that does not answer.
void noticeWaiting(bool later) {
    noticeRunWaiting(later);
    if (runActive()) alertRunWaiting(snapshot(), alertNow());
}

void showSetpoint(TemperatureCode code) {
    char text[kTemperatureTextSize];
    formatTemperature(tenthsFromCode(code), text);
    showText(Control::setpointEdit, text);
}

// What the link reports, and what follows from it for the controls, the
// run and the recording.

void onLinkConnected(TemperatureCode maintained) {
    const Seat& s = seat();
    showSetpoint(maintained);
    s.view.enable(Control::connectButton, true);
    s.view.enable(Control::portCombo, true);
    s.view.show(Control::connectButton, false);
    s.view.show(Control::portCombo, false);
    s.view.enable(Control::recordButton, true);
    s.view.repaint(Part::linkPanel);
    updateJournalValues();
    journalReadings(true);
    journalEvent(linkWasLost ? "связь восстановлена" : "связь установлена");
    alertLinkRestored(snapshot(), alertNow());
    linkWasLost = false;

    if (runActive() && resumeRun()) return;
    // No run, or one that did not resume: an idle connection.
    if (fieldTemperature(Control::setpointEdit).valid) s.view.enable(Control::setButton, true);
    applyRunButtonRule();
}

void onLinkStatusChanged(bool measuredChanged, bool maintainedChanged, TemperatureCode maintained) {
    if (measuredChanged) seat().view.repaint(Part::readout);
    if (!maintainedChanged) return;
    // The bath now keeps another temperature than the running stage asks
    // for (changed at its own panel, say): the stage's temperature again.
    if (runWantsResend()) queueQuietSetCommand(targetCode());
    showSetpoint(maintained);
}

void onLinkLost() {
    seat().view.enable(Control::setButton, false);
    linkWasLost = true;
    updateJournalValues();
    journalEvent("связь потеряна");
    alertLinkLost(snapshot(), alertNow());
}

void onLinkGivenUp(LinkState from) {
    const Seat& s = seat();
    linkWasLost = false;
    journalReadings(false);
    updateJournalValues();
    journalEvent(from == linkLost ? "связь прекращена" : "термостат не ответил на подключение");
    alertLinkGivenUp(from == linkLost, snapshot(), alertNow());
    s.view.enable(Control::runButton, false);
    s.view.enable(Control::recordButton, false);
    endRecording();
    s.view.enable(Control::connectButton, true);
    s.view.enable(Control::portCombo, true);
    // The first attempt since start-up passes silently; a run read from the
    // file stays and waits for the thermostat (after a power cut it may
    // answer later than the computer's first poll), and the operator is told.
    if (from == linkStartUp) {
        noticeWaiting(false);
        return;
    }
    s.view.show(Control::portCombo, true);
    s.view.show(Control::connectButton, true);
    s.view.repaint(Part::linkPanel);
    if (from == linkLost && runActive()) {
        stopCause = StopCause::linkGivenUp;
        stopRun(false);
    }
}

bool confirmationsQuiet() { return runActive(); }

void onSetButton() {
    const ParsedTemperature typed = fieldTemperature(Control::setpointEdit);
    if (typed.valid) queueSetCommand(typed.code);
}

void onExchangeTimer() {
    updateJournalValues();
    journalTick();
    alertsTick();
    recordStep();
    if (!runMinuteTick()) return;  // the run ended: this tick sends nothing
    onExchangeTick();
}

// Each change of the stage list, in the journal.
void journalListChange(ListChange change, int countBefore, int removedRow) {
    const int count = settings().stageCount;
    std::string text;
    if (change == ListChange::cleared) text = "список этапов очищен";
    else if (change == ListChange::none) return;
    else if (removedRow >= 0) text = "удалён этап " + std::to_string(removedRow + 1);
    else if (count > countBefore) text = "добавлен этап " + std::to_string(count);
    else text = "изменён этап";
    text += ", этапов в списке: " + std::to_string(count);
    updateJournalValues();
    journalEvent(text.c_str());
}

void followListChange(ListChange change) {
    if (change == ListChange::changed && runActive()) resyncRun();
    // The run may have ended while the question was open.
    else if (change == ListChange::cleared && runActive()) {
        stopCause = StopCause::listCleared;
        stopRun(false);
    }
}

}  // namespace

void resetEngine() {
    linkWasLost = false;
    stopCause = StopCause::listCleared;
    resetJournal();
    resetAlerts();
    setRunStopReport(onRunStopped);
    resetTexts();
    resetLink();
    resetConnection();
    resetRun();
    resetStageList();
    resetInputFields();
    resetRecording();
    resetAwake();
    setLinkReports(LinkReports{onLinkConnected, onLinkStatusChanged, onLinkLost, onLinkGivenUp, confirmationsQuiet});
}

void startEngine() {
    journalEvent("запуск программы");
    seat().timers.start(Timer::second, 1000);
    showFirstStageInput();
    showIdleRunButton();
    showIdleRecordButton();
    fillStageList();
    // A stored start moment makes every start connect by itself, when the
    // saved port is listed; a port that cannot be opened is not reported.
    // The stored moment comes back into the fields then, and always for a
    // run left in the file, whose port may come up late (a USB adapter after
    // a power cut): the run resumes from that moment once connected.
    const bool stored = settings().startYear != 0;
    const bool connectNow = stored && savedPortListed();
    setUpStartMoment(connectNow || (stored && runActive()));
    recomputeSchedule();
    // Decided before any reply can resume the run, on the stored moment's
    // schedule. A run already over brings back no start moment of its own:
    // without the saved port the fields show the present.
    keepRunOnlyIfAhead();
    // A run left in the file: the program was closed during it, or the
    // power failed or the program crashed.
    if (runActive()) alertRunResumedAfterRestart(snapshot(), alertNow());
    if (!connectNow && stored && !runActive()) {
        setUpStartMoment(false);
        recomputeSchedule();
    }

    if (settings().stageCount == 0) {
        seat().view.enable(Control::clearListButton, false);
        seat().view.enable(Control::runButton, false);
    }
    if (!connectNow || !connectPort(choosePortName())) noticeWaiting(true);
}

void stopEngine() {
    storeStartMoment();
    updateJournalValues();
    if (runActive()) alertClosedDuringRun(snapshot(), alertNow());
    // What is due goes into the queue file before the program goes.
    alertsSecond();
    journalEvent("выход из программы");
    journalReadings(false);
}

bool closeAllowed() {
    if (!linkIsUp() || !runActive()) return true;
    return seat().boxes.show(kCloseQuestion, kMainWindowTitle,
                             box::yesNo | box::iconInformation | box::defaultButton2) == box::answerYes;
}

bool onEngineTimer(std::uintptr_t id) {
    if (id > 0xFFFF) return false;
    // No default: the compiler names a timer left without its owner.
    switch (static_cast<Timer>(id)) {
    case Timer::exchange: onExchangeTimer(); return true;
    case Timer::reply: onReplyTimeout(); return true;
    case Timer::stageTooltip: onStageTooltipTimer(); return true;
    case Timer::runTooltip: onRunTooltipTimer(); return true;
    case Timer::runWaiting: onRunWaitingTimer(); return true;
    case Timer::second:
        seat().view.repaint(Part::chart);
        alertsSecond();
        return true;
    }
    return false;
}

void onEngineReply(const std::uint8_t* reply, std::size_t n) {
    onReplyArrived(reply, n);
}

void onEngineButton(Control button) {
    switch (button) {
    case Control::connectButton: onConnectButton(); break;
    case Control::addStageButton: {
        const int before = settings().stageCount;
        const ListChange change = onAddStageButton();
        journalListChange(change, before, -1);
        followListChange(change);
        break;
    }
    case Control::clearListButton: {
        const int before = settings().stageCount;
        const ListChange change = onClearListButton(runActive());
        journalListChange(change, before, -1);
        followListChange(change);
        break;
    }
    case Control::setButton: onSetButton(); break;
    case Control::recordButton: onRecordButton(); break;
    case Control::runButton:
        stopCause = StopCause::operator_;
        onRunButton();
        stopCause = StopCause::listCleared;
        break;
    default: break;
    }
}

void onPortChosen(int index) {
    // A change that leaves nothing selected has no index to keep.
    if (index >= 0 && index <= 0xFF) {
        setPortIndex(static_cast<std::uint8_t>(index));
        saveSettings();
    }
    seat().view.focus(Control::connectButton);
}

void onEngineValueKey(Control field) { onValueKey(field, linkIsUp()); }

void onEngineFieldChanged(Control field) {
    const StartChange change = onFieldChanged(twoDigitFieldOf(field));
    if (change == StartChange::none) return;
    if (change == StartChange::invalid) {
        blankSchedule();
        return;
    }
    recomputeSchedule();
    if (settings().stageCount != 0) refreshProgramPast();
    if (runActive()) {
        // A run waiting for the link (or for a valid start moment) resumes
        // from the moment the fields now hold: it is kept at once.
        storeStartMoment();
        if (linkIsUp() && !runShown()) resumeRun();
        return;
    }
    if (settings().stageCount != 0) applyRunButtonRule();
}

void onEngineTextChanged(Control field, const char* text) {
    keepText(field, text);
    if (field == Control::setpointEdit || field == Control::stageTempEdit) onEngineValueKey(field);
    else if (twoDigitFieldOf(field) != TwoDigitField::none) onEngineFieldChanged(field);
}

void onEngineFieldLeft(Control field) {
    // A field left with a text that was no number shows the number it stands
    // for, and the flags and the schedule follow what it now shows.
    if (onFieldLeft(twoDigitFieldOf(field))) onEngineFieldChanged(field);
}

void onEngineRowMarked(int row) { onRowMarked(row); }

void onEngineStageDoubleClick() { onStageDoubleClick(); }

void onEngineStageDeleteKey() {
    int removed = -1;
    const ListChange change = onStageDeleteKey(removed);
    if (removed >= 0) noteStageRemoved(removed);
    journalListChange(change, settings().stageCount + (removed >= 0 ? 1 : 0), removed);
    followListChange(change);
}

void onEngineJournalWritten(bool ok) { onJournalWritten(ok); }

bool readoutOpensChart() { return linkIsUp(); }

void setEngineAlertFiles(bool settingsThere, const char* settingsText, std::size_t n, const char* queueText,
                         std::size_t queueN, const char* computer) {
    startAlerts(settingsThere, settingsText, n, queueText, queueN, computer);
}

void onEngineWindowShown() { onAlertsWindowShown(); }

void onEngineHttpAnswer(std::uint64_t id, int status, const char* reason) { onAlertAnswer(id, status, reason); }
