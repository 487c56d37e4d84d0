#include "app/clock.h"

ClockStamp presentMoment() {
    SYSTEMTIME now;
    readLocalTime(now);
    now.wYear = static_cast<WORD>(now.wYear - 2000);
    return copyStartMoment(now);
}
