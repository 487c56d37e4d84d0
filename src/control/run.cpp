// The run itself (start, stop, minute tick, resume) is not built yet: no run
// ever starts here. What exists is the start moment set up at start-up and
// the test of whether the program's end has come. The flag is the one in the
// settings record.
#include "control/run.h"

#include "app/clock.h"
#include "app/main_window.h"
#include "app/settings.h"
#include "link/port_list.h"
#include "link/serial_port.h"
#include "program/clock_stamp.h"
#include "program/input_fields.h"
#include "program/stage_list.h"

std::uint8_t runFlag() { return settings().runFlag; }
bool runActive() { return settings().runFlag != 0; }
bool setpointLocked() { return false; }
std::uint8_t nextStage() { return 0; }

bool startMomentReached(SYSTEMTIME& now) {
    readLocalTime(now);
    now.wYear = static_cast<WORD>(now.wYear - 2000);
    return notEarlier(copyStartMoment(now), scheduleCursor());
}

void setUpStartMoment(HWND window) {
    const SettingsRecord& record = settings();
    SYSTEMTIME& input = startInput();
    if (record.startYear != 0 && autoConnectAllowed()) {
        // A failure to open the port is not reported at start-up; the
        // operator connects by hand.
        openPort(window);
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
    const MainControls& c = controls();
    const SYSTEMTIME& input = startInput();
    const struct {
        HWND field;
        WORD value;
    } fields[] = {{c.startYearEdit, input.wYear},
                  {c.startMonthEdit, input.wMonth},
                  {c.startDayEdit, input.wDay},
                  {c.startHourEdit, input.wHour},
                  {c.startMinuteEdit, input.wMinute}};
    for (const auto& f : fields) {
        char text[kStampTextSize];
        formatTwoDigits(f.value, text);
        SetWindowTextA(f.field, text);
    }
}

void runMinuteTick(HWND) {}
void resumeRun(HWND) {}
void stopRun(HWND, bool) {}
// Finding the stage that matches the present minute comes with the run; what
// holds already is that a program whose end has passed is over.
void resyncRun(HWND window) {
    SYSTEMTIME now;
    if (startMomentReached(now)) stopRun(window, true);
}
void onRunButton(HWND) {}
void onRunTooltipTimer(HWND) {}
