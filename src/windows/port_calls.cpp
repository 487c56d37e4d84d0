#include "port_calls.h"

BOOL writeToPort(HANDLE port, const void* bytes, DWORD n) {
    DWORD written = 0;
    return WriteFile(port, bytes, n, &written, nullptr);
}

HANDLE startReceiveThread(LPTHREAD_START_ROUTINE procedure, void* parameter) {
    return CreateThread(nullptr, 0, procedure, parameter, 0, nullptr);
}
