#include "port_calls_watch.h"

#include "port_calls.h"

namespace {

// Both calls come from the user-interface thread only.
std::string calls;

HANDLE gate() {
    static HANDLE open = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    return open;
}

struct HeldStart {
    LPTHREAD_START_ROUTINE procedure;
    void* parameter;
};

DWORD WINAPI startWhenReleased(void* given) {
    const HeldStart start = *static_cast<HeldStart*>(given);
    delete static_cast<HeldStart*>(given);
    WaitForSingleObject(gate(), INFINITE);
    return start.procedure(start.parameter);
}

}  // namespace

BOOL writeToPort(HANDLE port, const void* bytes, DWORD n) {
    DWORD written = 0;
    const BOOL ok = WriteFile(port, bytes, n, &written, nullptr);
    calls += 'W';
    return ok;
}

HANDLE startReceiveThread(LPTHREAD_START_ROUTINE procedure, void* parameter) {
    calls += 'T';
    return CreateThread(nullptr, 0, startWhenReleased, new HeldStart{procedure, parameter}, 0, nullptr);
}

std::string portCalls() { return calls; }
void clearPortCalls() { calls.clear(); }
void holdReaders() { ResetEvent(gate()); }
void releaseReaders() { SetEvent(gate()); }
