// Which stage of the program runs at a given minute, and what a minute tick of
// a run does: the rules of the program run that need no window. Portable: no
// Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/settings_record.h"
#include "program/clock_stamp.h"

// Where a run stands: the next stage to begin (the running one is
// nextStage - 1; 0 while none has begun), the start of that next stage (the
// end of the running one, or of the program after the last), and the code of
// the running stage's temperature (0 while none has begun).
struct RunPosition {
    std::uint8_t nextStage = 0;
    ClockStamp nextStageStart{};
    std::uint16_t targetCode = 0;
};

enum class StageSearch { notBegun, running, allOver };

// The stage whose interval holds the present minute: a stage runs from its
// start minute (inclusive) to the next stage's start (exclusive); stages whose
// whole hold lies in the past are skipped. An empty program is all over as
// soon as its start moment is reached.
StageSearch findStage(const ClockStamp& start, const StageEntry* stages, std::size_t count,
                      const ClockStamp& present, RunPosition& position);

// What the minute ticks of a run remember between them.
struct TickMemory {
    // The whole minute of the last tick: a tick in the same minute does
    // nothing.
    ClockStamp lastMinute{};
    // Set on entering the running view and after a list change: the next
    // tick sends the running stage's temperature.
    bool resync = true;
    // The latest minute the run has seen. A clock set back never brings back
    // a stage that has ended: the stages are looked up at this minute until
    // the clock passes it again.
    ClockStamp latest{};
    // Universal time at the last tick, once known: a step back of it tells a
    // corrected clock from a change of time zone.
    std::int64_t universal = 0;
    bool universalKnown = false;
    // Set by a clock correction: the next tick looks the stage up again,
    // even an earlier one.
    bool lookUp = false;
};

// Universal time stepping back by more than this between two ticks is a
// clock set back by hand or by a time server.
constexpr std::int64_t kClockCorrectionSeconds = 90;

// Notes universal time at a tick. When it stepped back by more than
// kClockCorrectionSeconds, the clock was corrected (after a mistaken step
// forward, say): the latest minute moves back by as much, but never below the
// present, and the next minuteStep looks the stage up at once and sends it.
// This is the one case in which an ended stage comes back. A local clock that
// goes back while universal time goes on (daylight saving time, a change of
// time zone) keeps the latest minute. True on a correction.
bool noticeClockCorrection(TickMemory& memory, const ClockStamp& present, std::int64_t universalSeconds);

// The minute at which the run looks up its stage: the present, or the latest
// minute already seen when the clock was set back. Remembers the present
// when it is the latest.
ClockStamp runMinute(TickMemory& memory, const ClockStamp& present);

enum class MinuteStep {
    nothing,   // no new minute, or nothing to do in it
    send,      // (re)send the running stage's temperature (targetCode)
    complete,  // the last stage's hold has run out: end the run
};

// One tick of a running program. Acts once per clock minute. When the run's
// minute is at or past the next stage's start, the run is re-synchronised to
// the stage of that minute: at its boundary minute that is simply the next
// stage, and a boundary whose minute no tick saw (the computer asleep, the
// clock set forward) is taken at the first tick after it. A tick with resync
// set sends the running stage's temperature; after a clock correction the
// stage is looked up at the corrected minute and sent. stageChanged tells
// whether position now names another stage.
MinuteStep minuteStep(TickMemory& memory, const ClockStamp& present, const ClockStamp& start,
                      const StageEntry* stages, std::size_t count, RunPosition& position, bool& stageChanged);
