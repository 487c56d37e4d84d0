// Prints the threads, handles and memory of the running quellor.exe (found by
// its main window), as Windows sees them, on one line:
//   threads N handles N working-set-kb N pagefile-kb N
// Used by the benchmark scripts; exit code 1 when the program is not running.
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "process_counts.h"

int main() {
    const HWND window = FindWindowA("termostat", nullptr);
    if (!window) {
        std::fprintf(stderr, "quellor.exe is not running\n");
        return 1;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        std::fprintf(stderr, "cannot open the process\n");
        return 1;
    }

    const int threads = bench::countThreads(pid);
    const long handles = bench::countHandles(pid);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    CloseHandle(process);

    std::printf("threads %d handles %ld working-set-kb %lu pagefile-kb %lu\n", threads, handles,
                static_cast<unsigned long>(memory.WorkingSetSize / 1024),
                static_cast<unsigned long>(memory.PagefileUsage / 1024));
    return 0;
}
