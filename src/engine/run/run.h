// Automatic control: running the stage list against the clock. The run owns
// the run flag of the settings record and the stored start moment; it shows
// its state through the seat. Portable: no Windows header.
#pragma once

#include <cstdint>

// The one test of "a run is active": the run flag is set.
bool runActive();
bool setpointLocked();
// Index of the next stage to begin; 0 while no stage of this run has begun.
std::uint8_t nextStage();
// True when a change of the maintained temperature is to be answered by
// sending the running stage's temperature again.
bool runWantsResend();

// The run button as the window creates it: idle caption and tooltip.
void showIdleRunButton();

// Start-up: the stored start moment (when restoreStored) or else the present
// minute goes into the five start fields.
void setUpStartMoment(bool restoreStored);
// The end: a valid start moment, with the run flag as it stands, is saved.
void storeStartMoment();
// Start-up, once the stages are dated: a run left set in the file is kept
// only while the program's end is still ahead.
void keepRunOnlyIfAhead();
// True while the running view is shown.
bool runShown();
// A run left in the file waits for the thermostat: the operator is told
// once, in a box (later: when the link is not up a second from now).
void noticeRunWaiting(bool later);
void onRunWaitingTimer();

// A step of each exchange-timer tick, before the exchange step. False when the
// tick ends here and sends nothing (the run has just completed).
bool runMinuteTick();
// On the first status reply of a connection or after a loss, while a run is
// active. True when the run resumed; false when it did not (no run, or the
// program is over), and the connection goes on as an idle one.
bool resumeRun();
// Ends the run, saves the cleared flag and shows the idle view; completed
// adds the message that all stages are done.
void stopRun(bool completed);
// After the stage list changed during a run: the run goes on at the stage
// that matches the present minute, or ends with the completion message when
// the program's end has passed.
void resyncRun();
// The stage list deleted this row (before resyncRun): the rows the run
// remembers follow the rows after it.
void noteStageRemoved(int row);
// Starts a run (saved at once, with its start moment) or, after the
// operator's confirmation, stops it.
void onRunButton();
void onRunTooltipTimer();

// Back to the state at program start. The run flag is the settings record's.
void resetRun();
// Who hears that a run ended (completed: all its stages done), set once.
void setRunStopReport(void (*stopped)(bool completed));
