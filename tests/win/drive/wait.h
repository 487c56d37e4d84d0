// Waiting in the Windows-side tests: for an event, with a deadline, never for
// a fixed time.
#pragma once

#include <windows.h>

// Waits while the condition is false, up to timeoutMs; returns the condition.
template <typename Condition>
bool waitFor(Condition condition, DWORD timeoutMs) {
    const DWORD until = GetTickCount() + timeoutMs;
    while (!condition()) {
        if (static_cast<int>(until - GetTickCount()) <= 0) return condition();
        Sleep(20);
    }
    return true;
}

// For "nothing happens": true when the condition holds at every look during
// windowMs; false as soon as it does not. The window is the span in which
// the program would have acted (a timer period or a time-out), not a guess
// at how long something takes.
template <typename Condition>
bool holdsFor(Condition condition, DWORD windowMs) {
    const DWORD until = GetTickCount() + windowMs;
    do {
        if (!condition()) return false;
        Sleep(20);
    } while (static_cast<int>(until - GetTickCount()) > 0);
    return condition();
}
