// Placeholder until the program run is built: no run ever starts. The flag is
// the one in the settings record.
#include "control/run.h"

#include "app/settings.h"

std::uint8_t runFlag() { return settings().runFlag; }
bool runActive() { return settings().runFlag != 0; }
bool setpointLocked() { return false; }
std::uint8_t nextStage() { return 0; }
bool startMomentReached(SYSTEMTIME& now) {
    GetLocalTime(&now);
    now.wYear = static_cast<WORD>(now.wYear - 2000);
    return false;
}
void runMinuteTick(HWND) {}
void resumeRun(HWND) {}
void stopRun(HWND, bool) {}
void onRunButton(HWND) {}
void onRunTooltipTimer(HWND) {}
