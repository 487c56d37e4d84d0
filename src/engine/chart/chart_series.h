// The chart's decisions: the reduction of a span of readings to the columns
// on screen, the run's program ahead of "now" as a series, and the round
// ticks of the two axes. The Windows side draws what these give. Portable:
// no Windows header.
#pragma once

#include <cstdint>
#include <vector>

#include "journal/journal_history.h"
#include "settings/settings_record.h"

// One column of the chart: the lowest and highest value of each series among
// the readings that fall in it, so that a one-second spike stays visible.
struct ChartColumn {
    bool any = false;            // no reading in the column: a gap (no link)
    std::int16_t measuredLow = 0, measuredHigh = 0;
    bool anyMaintained = false;
    std::int16_t maintainedLow = 0, maintainedHigh = 0;
};

// Column i covers [from + i*(to-from)/columns, from + (i+1)*(to-from)/columns)
// in universal seconds. One pass over the readings of the span.
std::vector<ChartColumn> reduceSpan(const std::vector<JournalSample>& samples, std::int64_t from, std::int64_t to,
                                    int columns);

// The first second of column i of reduceSpan's division of [from, to) into
// columns; i == columns gives to.
std::int64_t columnStart(std::int64_t from, std::int64_t to, int columns, int i);

// A stretch without readings shorter than this is drawn across, not shaded:
// the 500 ms poll's jitter leaves a second without a reading now and then.
constexpr std::int64_t kBridgedSeconds = 3;

// Per column of reduceSpan(.., from, to, columns.size()): 1 where it is part
// of a gap, a stretch of empty columns in the past (up to the second now)
// lasting kBridgedSeconds or more.
std::vector<char> gapColumns(const std::vector<ChartColumn>& columns, std::int64_t from, std::int64_t to,
                             std::int64_t now);

// One stage of the program, as drawn: from its start to its end (universal
// seconds), at its temperature.
struct PlanStep {
    std::int64_t from, to;
    std::int16_t tenths;
    int stage;  // 1-based
};

// The stages of the record (its start moment and stage table), placed in
// universal time by offsetMinutes (the local time of the start moment minus
// universal time). Empty without a valid start moment or stages.
std::vector<PlanStep> planSteps(const SettingsRecord& record, int offsetMinutes);

// Round ticks: the first at or after low, then every step, up to high.
struct Ticks {
    std::int64_t first = 0;
    std::int64_t step = 1;
    int count = 0;
};
// Temperature ticks in tenths of degC: a step of 1, 2 or 5 times a power of
// ten (0,1 degC at least), at most maxTicks of them.
Ticks temperatureTicks(std::int16_t low, std::int16_t high, int maxTicks);
// Time ticks in universal seconds at round local times (1, 2, 5, 10, 15,
// 30 min; 1, 2, 3, 6, 12 h; 1, 2 days...), at most maxTicks.
Ticks timeTicks(std::int64_t from, std::int64_t to, int offsetMinutes, int maxTicks);

// The span buttons of the chart, in seconds, shortest first, and the one that
// shows the whole program of the run.
constexpr std::int64_t kChartSpans[] = {10 * 60, 60 * 60, 8 * 60 * 60, 24 * 60 * 60, 7 * 24 * 60 * 60};
constexpr std::int64_t kWholeProgram = 0;

// What the chart shows: a span ending at now (live), or one scrolled back to
// end at end (universal seconds, excluded).
struct ChartView {
    std::int64_t span = 60 * 60;  // one of kChartSpans, or kWholeProgram
    bool live = true;
    std::int64_t end = 0;         // while not live
};

struct ChartRange {
    std::int64_t from, to;  // universal seconds, from included, to excluded
};

// The range shown. Live, a span ends with the second now (included); the
// whole program runs from the first stage's start to the last stage's end,
// widened to take in now, and without a plan it is the longest span. Scrolled
// back, the range has the width it has live and ends at view.end.
ChartRange chartRange(const ChartView& view, std::int64_t now, const std::vector<PlanStep>& plan);

// Moves the view by half its width per step: back for steps < 0, forward
// for steps > 0. Reaching the live range's end makes the view live again.
void scrollChart(ChartView& view, int steps, std::int64_t now, const std::vector<PlanStep>& plan);
