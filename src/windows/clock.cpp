#include "clock.h"

void readClock(SYSTEMTIME& local, std::int64_t& universalSeconds) {
    FILETIME universal;
    GetSystemTimeAsFileTime(&universal);
    // Local time from this very reading, by the time zone's rules.
    SYSTEMTIME universalTime;
    if (!FileTimeToSystemTime(&universal, &universalTime) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universalTime, &local))
        GetLocalTime(&local);
    ULARGE_INTEGER count;
    count.LowPart = universal.dwLowDateTime;
    count.HighPart = universal.dwHighDateTime;
    universalSeconds = static_cast<std::int64_t>(count.QuadPart / 10'000'000);
}

DWORD tickCount() { return GetTickCount(); }
