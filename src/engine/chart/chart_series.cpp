#include "chart/chart_series.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>

#include "program/clock_stamp.h"

namespace {

// Whole minutes from 01.01.1601 00:00 to 01.01.2000 00:00: 399 years, 96 of
// them leap (1700, 1800 and 1900 are not).
constexpr std::int64_t kMinutesBefore2000 = (399LL * 365 + 96) * 24 * 60;

// Temperature codes count tenths of kelvin; 0,0 degC is code 2730.
constexpr int kCodeOfZeroDegrees = 2730;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t floorMod(std::int64_t a, std::int64_t b) { return a - floorDiv(a, b) * b; }

// A start moment the program could have stored: its year field is two digits
// and not 0 (which means none), and the rest is a real date and time.
bool startMomentValid(const ClockStamp& s) {
    return s.year >= 1 && s.year <= 99 && s.month >= 1 && s.month <= 12 && s.day >= 1 &&
           s.day <= monthLength(s.year, s.month) && s.hour >= 0 && s.hour <= 23 && s.minute >= 0 && s.minute <= 59;
}

std::int64_t universalOf(const ClockStamp& local, int offsetMinutes) {
    return (minuteNumber(local) + kMinutesBefore2000 - offsetMinutes) * 60;
}

// The ticks of one step in [low, high]: the first at a multiple of step
// after shifting by shift (which moves universal time to local time).
// False when there would be more than maxTicks of them.
bool ticksAt(std::int64_t low, std::int64_t high, std::int64_t shift, std::int64_t step, int maxTicks, Ticks& out) {
    const std::int64_t past = floorMod(floorMod(low, step) + floorMod(shift, step), step);
    const std::int64_t ahead = past == 0 ? 0 : step - past;
    if (low > INT64_MAX - ahead || low + ahead > high) {
        out = Ticks{low > INT64_MAX - ahead ? low : low + ahead, step, 0};
        return true;
    }
    const std::int64_t first = low + ahead;
    const std::uint64_t count =
        (static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(first)) / static_cast<std::uint64_t>(step) + 1;
    if (count > static_cast<std::uint64_t>(maxTicks)) return false;
    out = Ticks{first, step, static_cast<int>(count)};
    return true;
}

ChartRange liveRange(std::int64_t span, std::int64_t now, const std::vector<PlanStep>& plan) {
    if (span == kWholeProgram && !plan.empty())
        return ChartRange{std::min(plan.front().from, now), std::max(plan.back().to, now + 1)};
    if (span <= 0) span = kChartSpans[std::size(kChartSpans) - 1];
    return ChartRange{now + 1 - span, now + 1};
}

// Column i starts at from + floor(i * span / columns), returned here from
// from. The product can leave 64 bits, so it is taken apart: i * whole never
// exceeds the span, and i * part stays below columns squared (under 2^62).
std::uint64_t columnEdge(std::int64_t from, std::int64_t to, int columns, std::uint64_t i) {
    const std::uint64_t span = static_cast<std::uint64_t>(to) - static_cast<std::uint64_t>(from);
    const std::uint64_t n = static_cast<std::uint64_t>(columns);
    return i * (span / n) + i * (span % n) / n;
}

}  // namespace

std::int64_t columnStart(std::int64_t from, std::int64_t to, int columns, int i) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(from) +
                                     columnEdge(from, to, columns, static_cast<std::uint64_t>(i)));
}

std::vector<char> gapColumns(const std::vector<ChartColumn>& columns, std::int64_t from, std::int64_t to,
                             std::int64_t now) {
    const int n = static_cast<int>(columns.size());
    std::vector<char> gap(columns.size(), 0);
    for (int i = 0; i < n;) {
        if (columns[i].any) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && !columns[j].any) ++j;
        const std::int64_t start = columnStart(from, to, n, i);
        const std::int64_t end = std::min(columnStart(from, to, n, j), now + 1);
        if (start <= now && end - start >= kBridgedSeconds)
            for (int k = i; k < j && columnStart(from, to, n, k) <= now; ++k) gap[k] = 1;
        i = j;
    }
    return gap;
}

std::vector<ChartColumn> reduceSpan(const std::vector<JournalSample>& samples, std::int64_t from, std::int64_t to,
                                    int columns) {
    std::vector<ChartColumn> out;
    if (columns <= 0 || to <= from) return out;
    out.resize(static_cast<std::size_t>(columns));

    const auto edge = [=](std::uint64_t i) { return columnEdge(from, to, columns, i); };
    const std::uint64_t n = static_cast<std::uint64_t>(columns);

    auto it = std::lower_bound(samples.begin(), samples.end(), from,
                               [](const JournalSample& s, std::int64_t t) { return s.universalSeconds < t; });
    // Readings come in order of time, so the column only moves on; the last
    // column ends at the span's end, past every reading taken (and the walk
    // never leaves the columns whatever the edges say).
    const std::uint64_t last = n - 1;
    std::uint64_t column = 0;
    std::uint64_t next = edge(1);
    for (; it != samples.end() && it->universalSeconds < to; ++it) {
        const std::uint64_t at = static_cast<std::uint64_t>(it->universalSeconds) - static_cast<std::uint64_t>(from);
        while (at >= next && column < last) next = edge(++column + 1);
        ChartColumn& c = out[column];
        const std::int16_t measured = it->measuredTenths;
        if (!c.any) {
            c.any = true;
            c.measuredLow = c.measuredHigh = measured;
        } else {
            c.measuredLow = std::min(c.measuredLow, measured);
            c.measuredHigh = std::max(c.measuredHigh, measured);
        }
        if (!it->hasMaintained) continue;
        const std::int16_t maintained = it->maintainedTenths;
        if (!c.anyMaintained) {
            c.anyMaintained = true;
            c.maintainedLow = c.maintainedHigh = maintained;
        } else {
            c.maintainedLow = std::min(c.maintainedLow, maintained);
            c.maintainedHigh = std::max(c.maintainedHigh, maintained);
        }
    }
    return out;
}

std::vector<PlanStep> planSteps(const SettingsRecord& record, int offsetMinutes) {
    std::vector<PlanStep> plan;
    ClockStamp moment{static_cast<std::int16_t>(record.startYear), static_cast<std::int16_t>(record.startMonth),
                      static_cast<std::int16_t>(record.startDay), static_cast<std::int16_t>(record.startHour),
                      static_cast<std::int16_t>(record.startMinute)};
    if (record.startYear == 0 || record.stageCount == 0 || !startMomentValid(moment)) return plan;

    // The stages are dated as the run dates them: each starts where the hold
    // of the one before ends (addHold). A stage the program could not have
    // stored ends the plan, as it ends the stages kept from a file.
    plan.reserve(record.stageCount);
    std::int64_t from = universalOf(moment, offsetMinutes);
    for (int i = 0; i < record.stageCount; ++i) {
        const StageEntry& stage = record.stages[i];
        if (!stageWellFormed(stage)) break;
        addHold(moment, stage.holdHours, stage.holdMinutes);
        const std::int64_t to = universalOf(moment, offsetMinutes);
        plan.push_back(PlanStep{from, to, static_cast<std::int16_t>(stage.temperatureCode - kCodeOfZeroDegrees), i + 1});
        from = to;
    }
    return plan;
}

Ticks temperatureTicks(std::int16_t low, std::int16_t high, int maxTicks) {
    if (low > high || maxTicks < 1) return Ticks{};
    // A step of 100000 tenths leaves at most one tick in the 16-bit range.
    for (std::int64_t power = 1;; power *= 10) {
        for (const std::int64_t times : {1, 2, 5}) {
            Ticks ticks;
            if (ticksAt(low, high, 0, times * power, maxTicks, ticks)) return ticks;
        }
    }
}

Ticks timeTicks(std::int64_t from, std::int64_t to, int offsetMinutes, int maxTicks) {
    if (to < from || maxTicks < 1) return Ticks{};
    static constexpr std::int64_t kSteps[] = {60,    120,   300,   600,   900,    1800,   3600,
                                              7200,  10800, 21600, 43200, 86400, 172800, 604800};
    const std::int64_t shift = std::int64_t{offsetMinutes} * 60;
    Ticks ticks;
    for (const std::int64_t step : kSteps)
        if (ticksAt(from, to, shift, step, maxTicks, ticks)) return ticks;

    // Longer ranges: whole weeks (01.01.1601 was a Monday, so a week's ticks
    // fall on local Mondays at midnight). A step of span / maxTicks leaves at
    // most maxTicks + 1 ticks, so a few more weeks at most make it fit.
    constexpr std::int64_t kWeek = 604800;
    const std::uint64_t span = static_cast<std::uint64_t>(to) - static_cast<std::uint64_t>(from);
    std::uint64_t weeks = std::max<std::uint64_t>(2, span / kWeek / static_cast<std::uint64_t>(maxTicks));
    for (;; ++weeks) {
        if (weeks > static_cast<std::uint64_t>(INT64_MAX / kWeek)) return Ticks{};
        if (ticksAt(from, to, shift, static_cast<std::int64_t>(weeks) * kWeek, maxTicks, ticks)) return ticks;
    }
}

ChartRange chartRange(const ChartView& view, std::int64_t now, const std::vector<PlanStep>& plan) {
    const ChartRange live = liveRange(view.span, now, plan);
    if (view.live) return live;
    return ChartRange{view.end - (live.to - live.from), view.end};
}

void scrollChart(ChartView& view, int steps, std::int64_t now, const std::vector<PlanStep>& plan) {
    const ChartRange shown = chartRange(view, now, plan);
    const std::int64_t half = std::max<std::int64_t>(1, (shown.to - shown.from) / 2);
    // However far the wheel turns, the end stays far inside 64 bits.
    const std::int64_t limit = INT64_MAX / 4 / half;
    const std::int64_t moved = std::clamp<std::int64_t>(steps, -limit, limit) * half;
    const std::int64_t end = moved > INT64_MAX / 2 - shown.to ? INT64_MAX / 2 : shown.to + moved;
    if (end >= liveRange(view.span, now, plan).to) {
        view.live = true;
        view.end = 0;
    } else {
        view.live = false;
        view.end = end;
    }
}
