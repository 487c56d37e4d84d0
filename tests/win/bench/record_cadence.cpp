// An accelerated hour of recording: the program's main window and recording
// code, a recording started through the real dialog, and the exchange tick's
// recording step driven with a replaceable tick count that moves 500 ms at a
// time with timer jitter (and now and then a late tick). Prints, for each
// interval, the count of value lines against elapsed time / interval and the
// largest deviation of a line's time (start + n intervals) from the tick that
// wrote it, beside what the earlier rule (next due = writing tick + interval)
// gives for the same ticks. Arguments: minutes (default 60), first tick count.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "main_window.h"
#include "settings/settings.h"
#include "harness.h"
#include "recording/record_format.h"
#include "recording/recording.h"
#include "resource.h"
#include "window_support.h"

namespace {

ULONGLONG fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct Figures {
    long lines = 0;
    long expected = 0;
    long worstMs = 0;
};

void run(HWND window, const std::string& path, int index, long minutes, DWORD firstTick) {
    const DWORD period = intervalPeriods[index];
    setRecordChoice(nullptr, nullptr, static_cast<std::uint8_t>(index));
    DeleteFileA(path.c_str());
    setFakeTicks(firstTick);
    {
        BoxAnswerer start(IDC_FILE_START);
        SendMessageA(window, WM_COMMAND, 0, reinterpret_cast<LPARAM>(controls().recordButton));
    }
    if (!recordingActive()) {
        std::printf("%s: the recording did not start\n", intervalTexts[index]);
        return;
    }

    std::mt19937 random(index + 1);
    std::uniform_int_distribution<int> jitter(-40, 40);
    std::uniform_int_distribution<int> late(0, 99);
    const long long total = minutes * 60000LL;
    Figures now, old;
    // The earlier rule, on the 32-bit tick count as it was compared.
    DWORD oldDue = firstTick;
    long long at = 0;
    for (int tick = 0; at <= total; ++tick) {
        setFakeTicks(firstTick + static_cast<DWORD>(at));
        const ULONGLONG before = fileSize(path);
        recordStep();
        if (fileSize(path) != before) {
            const long deviation = static_cast<long>(at - static_cast<long long>(now.lines) * period);
            if (deviation > now.worstMs) now.worstMs = deviation;
            ++now.lines;
        }
        const DWORD t = firstTick + static_cast<DWORD>(at);
        if (t >= oldDue) {
            const long deviation = static_cast<long>(at - static_cast<long long>(old.lines) * period);
            if (deviation > old.worstMs) old.worstMs = deviation;
            ++old.lines;
            oldDue = t + period;
        }
        // One tick in a hundred comes 250 ms late (a busy machine).
        at = 500LL * (tick + 1) + jitter(random) + (late(random) == 0 ? 250 : 0);
    }
    endRecording();
    now.expected = old.expected = static_cast<long>(total / period) + 1;
    std::printf("%-7s %3ld min  lines %6ld of %6ld (start + n * interval, n from 0)  largest lag %4ld ms"
                "   | earlier rule: lines %6ld, largest lag %8ld ms\n",
                intervalTexts[index], minutes, now.lines, now.expected, now.worstMs, old.lines, old.worstMs);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const long minutes = argc > 1 ? std::atol(argv[1]) : 60;
    const DWORD firstTick = argc > 2 ? static_cast<DWORD>(std::strtoul(argv[2], nullptr, 0)) : 1000000;
    useSettingsFile(SettingsBytes{}.bytes());
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string stored(folder);
    if (!stored.empty() && stored.back() == '\\') stored.pop_back();
    setRecordChoice(stored.c_str(), "\\quellor-bench.txt", 0);
    const std::string path = stored + "\\quellor-bench.txt";

    SerialPortsOverride ports{twoPorts()};
    HWND window = openMainWindow();
    std::printf("first tick count %lu\n", static_cast<unsigned long>(firstTick));
    run(window, path, 0, minutes, firstTick);
    run(window, path, 2, minutes, firstTick);
    closeMainWindow(window);
    DeleteFileA(path.c_str());
    return 0;
}
