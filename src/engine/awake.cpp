#include "awake.h"

#include "seat.h"

namespace {

unsigned reasons = 0;

}  // namespace

void keepAwakeFor(AwakeFor reason, bool on) {
    const unsigned before = reasons;
    const unsigned bit = static_cast<unsigned>(reason);
    reasons = on ? reasons | bit : reasons & ~bit;
    if ((before != 0) != (reasons != 0)) seat().system.keepAwake(reasons != 0);
}

void resetAwake() {
    if (reasons != 0) seat().system.keepAwake(false);
    reasons = 0;
}
