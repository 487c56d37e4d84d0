// The program run when the computer's clock jumps, as a daylight-saving change
// makes it: the program's own code and main window on COM1 to the simulated
// thermostat, resuming a run of 40 five-minute stages from 12:00 on 1 January
// 2030. The test's clock stands in for the computer's; it moves 2 s per tick
// of the exchange cycle, jumps forward an hour at 12:30 and back an hour at
// 14:00 (local time alone: universal time runs on, as through a change of
// daylight saving time), and in the repeated hour, at 13:20, two replies are lost: the link is
// lost and comes back, and the run resumes. At 14:30 the clock is set 20
// minutes forward by mistake and corrected a minute later. Prints every set command with the
// clock at the tick that sent it, and which stages were sent, skipped or held.
// Figures only.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "main_window.h"
#include "seat.h"
#include "settings/settings.h"
#include "run/run.h"
#include "harness.h"
#include "link/protocol.h"
#include "simulator.h"
#include "window_support.h"

namespace {

constexpr int kStages = 40;
constexpr int kStageMinutes = 5;
constexpr std::int64_t kStepSeconds = 2;

std::uint16_t codeOf(int stage) { return static_cast<std::uint16_t>(2630 + (stage * 7) % 700); }

// Seconds since 00:00 of 1 January 2030, and back to the clock.
void setClock(std::int64_t seconds) {
    const std::int64_t day = seconds / 86400;
    const std::int64_t rest = seconds % 86400;
    setFakeLocalTime(2030, 1, static_cast<WORD>(1 + day), static_cast<WORD>(rest / 3600),
                     static_cast<WORD>(rest / 60 % 60), static_cast<WORD>(rest % 60));
}

std::string clockText(std::int64_t seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600 % 24),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

}  // namespace

int main() {
    useSettingsFile(std::vector<std::uint8_t>(536, 0));
    HWND window = openMainWindow();
    const std::uint8_t com1 = listedPortIndex("COM1");
    closeMainWindow(window);

    std::int64_t clock = 11 * 3600 + 59 * 60 + 50;
    setClock(clock);
    SettingsBytes file;
    file.portIndex = com1;
    file.runFlag = 0xFF;
    const std::uint16_t start[5] = {30, 1, 1, 12, 0};
    for (int i = 0; i < 5; ++i) file.start[i] = start[i];
    for (int k = 0; k < kStages; ++k) file.stages.push_back({codeOf(k), 0, kStageMinutes});
    useSettingsFile(file.bytes());
    window = openMainWindow();
    for (int i = 0; i < 150 && !linkIsUp(); ++i) pumpMessages(20);
    if (!linkIsUp()) {
        std::printf("no connection\n");
        return 1;
    }
    // Only this loop ticks from here on, each tick with its clock.
    KillTimer(window, static_cast<UINT_PTR>(Timer::exchange));

    std::map<std::uint16_t, int> stageOfCode;
    for (int k = 0; k < kStages; ++k) stageOfCode[codeOf(k)] = k + 1;
    const std::int64_t forwardAt = 12 * 3600 + 30 * 60;
    const std::int64_t backAt = 14 * 3600;
    const std::int64_t hiccupAt = 13 * 3600 + 20 * 60;
    // Then, at 14:30, the clock is set forward 20 minutes by mistake (universal
    // time with it) and corrected a minute later.
    const std::int64_t mistakeAt = 14 * 3600 + 30 * 60;
    std::int64_t mistakenUntil = 0;
    bool jumpedForward = false, jumpedBack = false, hiccup = false, mistaken = false, corrected = false;
    std::map<int, std::string> firstSent;
    int wrong = 0;
    std::printf("set commands (clock at the tick that sent them):\n");
    while (runActive()) {
        if (!jumpedForward && clock >= forwardAt) {
            clock += 3600;
            shiftFakeZone(3600);
            jumpedForward = true;
            std::printf("  -- clock set forward from %s to %s\n", clockText(clock - 3600).c_str(),
                        clockText(clock).c_str());
        } else if (!jumpedBack && clock >= backAt) {
            clock -= 3600;
            shiftFakeZone(-3600);
            jumpedBack = true;
            std::printf("  -- clock set back from %s to %s\n", clockText(clock + 3600).c_str(),
                        clockText(clock).c_str());
        }
        if (jumpedBack && !mistaken && clock >= mistakeAt) {
            clock += 20 * 60;
            mistaken = true;
            mistakenUntil = clock + 60;
            std::printf("  -- clock set forward by mistake from %s to %s\n", clockText(clock - 20 * 60).c_str(),
                        clockText(clock).c_str());
        } else if (mistaken && !corrected && clock >= mistakenUntil) {
            clock -= 20 * 60;
            corrected = true;
            std::printf("  -- clock corrected from %s to %s\n", clockText(clock + 20 * 60).c_str(),
                        clockText(clock).c_str());
        }
        setClock(clock);
        Simulator::markLog();
        if (jumpedBack && !hiccup && clock >= hiccupAt) {
            hiccup = true;
            Simulator::command("drop 2");
            std::printf("  -- two replies lost at %s: the link is lost, comes back and the run resumes\n",
                        clockText(clock).c_str());
        }
        if (clock >= 15 * 3600 + 19 * 60) {
            // The completion message at the end is answered.
            BoxAnswerer answer(IDOK);
            SendMessageA(window, WM_TIMER, static_cast<WPARAM>(Timer::exchange), 0);
            answer.boxesSoFar();
        } else {
            SendMessageA(window, WM_TIMER, static_cast<WPARAM>(Timer::exchange), 0);
        }
        for (int i = 0; i < 50 && requestInFlight(); ++i) pumpMessages(10);
        for (const WireFrame& frame : Simulator::requests()) {
            if (frame.bytes.size() != 5) continue;
            const std::uint16_t code = static_cast<std::uint16_t>(frame.bytes[2] | frame.bytes[3] << 8);
            const int stage = stageOfCode.count(code) ? stageOfCode[code] : 0;
            // The stage the schedule gives this clock (the one held after the
            // clock went back is the one begun before).
            const std::int64_t sinceStart = clock - 12 * 3600;
            const int scheduled = sinceStart < 0 ? 0 : static_cast<int>(sinceStart / (kStageMinutes * 60)) + 1;
            const bool held = jumpedBack && stage == nextStage();
            if (stage != scheduled && !held) ++wrong;
            std::printf("  %s  stage %d%s\n", clockText(clock).c_str(), stage,
                        stage == scheduled ? "" : held ? " (held after the clock went back)" : " (NOT the scheduled one)");
            if (!firstSent.count(stage)) firstSent[stage] = clockText(clock);
        }
        clock += kStepSeconds;
    }
    std::printf("stages sent: %zu of %d; not sent (their whole hold lay in the skipped hour):", firstSent.size(),
                kStages);
    for (int k = 1; k <= kStages; ++k)
        if (!firstSent.count(k)) std::printf(" %d", k);
    std::printf("\nset commands of a stage other than the running one: %d\n", wrong);
    closeMainWindow(window);
    closeSettings();
    return 0;
}
