// The program's one source of wall-clock and tick time. The Windows-side tests
// link their own definitions in place of clock.cpp to set the time they need.
#pragma once

#include <windows.h>

#include <cstdint>

// Local time, and universal time in seconds since 1601, from one reading.
void readClock(SYSTEMTIME& local, std::int64_t& universalSeconds);
DWORD tickCount();
