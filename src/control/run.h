// Automatic control: running the stage list against the clock.
#pragma once

#include <windows.h>

#include <cstdint>

std::uint8_t runFlag();
bool runActive();
bool setpointLocked();
// Index of the next stage to begin; 0 while no stage of this run has begun.
std::uint8_t nextStage();

// Fills now with the local time (year minus 2000) and tells whether the present
// minute is not earlier than the schedule's end.
bool startMomentReached(SYSTEMTIME& now);

// Start-up: the stored start moment (connecting at once when the saved port
// is usable) or else the present minute goes into startInput and the five
// start fields.
void setUpStartMoment(HWND window);
// Writes the five start fields from startInput.
void showStartMoment();

void runMinuteTick(HWND window);
void resumeRun(HWND window);
void stopRun(HWND window, bool completed);
// After the stage list changed during a run: the run goes on at the stage
// that matches the present minute, or ends with the completion message when
// the program's end has passed.
void resyncRun(HWND window);
void onRunButton(HWND window);
void onRunTooltipTimer(HWND window);
