#include "app/clock.h"

void readLocalTime(SYSTEMTIME& now) { GetLocalTime(&now); }

DWORD tickCount() { return GetTickCount(); }
