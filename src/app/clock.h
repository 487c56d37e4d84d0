// The program's one source of wall-clock and tick time. The Windows-side tests
// link their own definitions in place of clock.cpp to set the time they need.
#pragma once

#include <windows.h>

void readLocalTime(SYSTEMTIME& now);
DWORD tickCount();
