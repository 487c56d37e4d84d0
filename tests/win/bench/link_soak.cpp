// Many exchanges in a short time: the program's own link code, its real main
// window and a real COM1 leading to the simulated thermostat, with the
// exchange step called as soon as the previous reply was taken instead of
// every 500 ms. Prints threads, handles and memory every so many exchanges;
// they must not grow. Argument: the number of exchanges (default 10000).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "main_window.h"
#include "seat.h"
#include "settings/settings.h"
#include "harness.h"
#include "link/protocol.h"
#include "simulator.h"
#include "process_counts.h"

namespace {

void report(long exchanges) {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    DWORD ownHandles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &ownHandles);
    std::printf("%8ld  threads %d  handles %ld (own count %lu)  working set %lu KB  pagefile %lu KB\n", exchanges,
                bench::countThreads(GetCurrentProcessId()), bench::countHandles(GetCurrentProcessId()),
                static_cast<unsigned long>(ownHandles), static_cast<unsigned long>(memory.WorkingSetSize / 1024),
                static_cast<unsigned long>(memory.PagefileUsage / 1024));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const long total = argc > 1 ? std::atol(argv[1]) : 10000;
    useSettingsFile(std::vector<std::uint8_t>(536, 0));
    const HWND window = openMainWindow();
    setPortIndex(listedPortIndex("COM1"));
    SendMessageA(controls().connectButton, BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && !linkIsUp(); ++i) pumpMessages(20);
    if (!linkIsUp()) {
        std::printf("no connection\n");
        return 1;
    }
    // Only this loop drives the exchanges from here on.
    KillTimer(window, static_cast<UINT_PTR>(Timer::exchange));

    const DWORD started = GetTickCount();
    Simulator::markLog();
    report(0);
    long exchanges = 0;
    long nextReport = total / 10;
    bool wasUp = true;
    long losses = 0;
    DWORD lastCount = GetTickCount();
    while (exchanges < total) {
        onExchangeTick();  // sends only when no request is in flight
        pumpMessages(1);
        if (wasUp && !linkIsUp()) ++losses;
        wasUp = linkIsUp();
        if (GetTickCount() - lastCount < 1000) continue;
        lastCount = GetTickCount();
        exchanges = static_cast<long>(Simulator::requests().size());
        if (exchanges >= nextReport) {
            report(exchanges);
            nextReport += total / 10;
        }
    }
    std::printf("%ld exchanges in %lu s; links lost: %ld\n", exchanges,
                static_cast<unsigned long>((GetTickCount() - started) / 1000), losses);
    closeMainWindow(window);
    closeSettings();
    return 0;
}
