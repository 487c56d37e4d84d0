// The program's one source of wall-clock and tick time. The Windows-side tests
// link their own definitions in place of clock.cpp to set the time they need.
#pragma once

#include <windows.h>

#include "program/clock_stamp.h"

void readLocalTime(SYSTEMTIME& now);
DWORD tickCount();

// The present minute as a ClockStamp (year minus 2000).
ClockStamp presentMoment();
