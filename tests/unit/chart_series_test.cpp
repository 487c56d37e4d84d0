// The chart's decisions: columns of a span, the program as steps in time,
// and the round ticks of both axes.
#include "chart/chart_series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <string>
#include <tuple>

namespace {

// Universal seconds of a local time at an offset, by the standard calendar.
std::int64_t at(int y, int mo, int d, int h, int mi, int s = 0, int offset = 180) {
    using std::chrono::sys_days, std::chrono::year;
    const auto days = sys_days{year{y} / mo / d} - sys_days{year{1601} / 1 / 1};
    return days.count() * 86400LL + h * 3600 + mi * 60 + s - offset * 60LL;
}

// An hour of readings from T0 at 25,0, the maintained value from +3000 on,
// spikes at +1234 (30,0) and +1235 (20,0), nothing in +2000..+2599.
const std::int64_t T0 = at(2026, 12, 9, 14, 0);
std::vector<JournalSample> hour() {
    std::vector<JournalSample> v;
    for (std::int16_t i = 0; i < 3600; ++i)
        if (i < 2000 || i >= 2600)
            v.push_back({T0 + i, static_cast<std::int16_t>(i == 1234 ? 300 : i == 1235 ? 200 : 250 + i % 3),
                         static_cast<std::int16_t>(250 - i % 2), 180, 1, i >= 3000});
    return v;
}

void widen(bool& any, std::int16_t& low, std::int16_t& high, std::int16_t v) {
    low = any ? std::min(low, v) : v, high = any ? std::max(high, v) : v, any = true;
}

// Every column against the header's formula taken in 128 bits (a reading at
// from + d is in the last column starting at or before it).
TEST(ChartReduce, EachReadingFallsInTheColumnOfItsTime) {
    const auto samples = hour();
    const struct { std::int64_t from, to; int columns; } spans[] = {
        {T0, T0 + 3600, 60}, {T0 + 1234, T0 + 1235, 1}, {T0 + 1233, T0 + 1234, 1}, {T0 + 100, T0 + 110, 1000},
        {T0 + 5, T0 + 3300, 1000}, {T0 + 3600, T0 + 7200, 3}, {-(1LL << 62), 1LL << 62, 4}, {INT64_MIN, INT64_MAX, 999}};
    for (const auto& s : spans) {
        SCOPED_TRACE(testing::Message() << s.from << ".." << s.to << " in " << s.columns);
        std::vector<ChartColumn> want(s.columns);
        const __int128 width = static_cast<__int128>(s.to) - s.from;
        for (const JournalSample& r : samples) {
            if (r.universalSeconds < s.from || r.universalSeconds >= s.to) continue;
            ChartColumn& c = want[((r.universalSeconds - static_cast<__int128>(s.from) + 1) * s.columns - 1) / width];
            widen(c.any, c.measuredLow, c.measuredHigh, r.measuredTenths);
            if (r.hasMaintained) widen(c.anyMaintained, c.maintainedLow, c.maintainedHigh, r.maintainedTenths);
        }
        const auto got = reduceSpan(samples, s.from, s.to, s.columns);
        ASSERT_EQ(got.size(), want.size());
        for (int i = 0; i < s.columns; ++i) {
            const ChartColumn &g = got[i], &w = want[i];
            EXPECT_TRUE(std::tie(g.any, g.measuredLow, g.measuredHigh, g.anyMaintained, g.maintainedLow, g.maintainedHigh) ==
                        std::tie(w.any, w.measuredLow, w.measuredHigh, w.anyMaintained, w.maintainedLow, w.maintainedHigh))
                << "column " << i;
        }
    }
    // The spans above as the chart sees them: both one-second spikes in one
    // column, the gap empty, a reading at from taken and one at to not.
    const auto hourly = reduceSpan(samples, T0, T0 + 3600, 60);
    EXPECT_TRUE(hourly[20].measuredLow == 200 && hourly[20].measuredHigh == 300);
    EXPECT_TRUE(!hourly[34].any && !hourly[42].any && hourly[33].any && hourly[43].any);
    EXPECT_TRUE(reduceSpan(samples, T0 + 1234, T0 + 1235, 1)[0].measuredHigh == 300 &&
                reduceSpan(samples, T0 + 1233, T0 + 1234, 1)[0].measuredHigh == 250);
    for (const auto& [from, to, n] : {std::tuple{T0, T0 + 60, 0}, {T0, T0 + 60, -5}, {T0, T0, 10}, {T0 + 9, T0, 10}})
        EXPECT_TRUE(reduceSpan(samples, from, to, n).empty());
}

// Second columns: 2 s without a reading are drawn across, 5 s are a gap, and
// of the empty end only what is not after now; at 10 s a column, one empty
// column is a gap.
TEST(ChartReduce, GapsAreStretchesOfThreeSecondsOrMoreUpToNow) {
    const auto gapsOf = [](int seconds, int columns, std::int64_t now, std::initializer_list<int> missing) {
        std::vector<JournalSample> samples;
        for (int t = 0; t < seconds; ++t)
            if (std::find(missing.begin(), missing.end(), t) == missing.end() && T0 + t <= now)
                samples.push_back(JournalSample{T0 + t, 250, 250, 180, 1, true});
        const auto gap = gapColumns(reduceSpan(samples, T0, T0 + seconds, columns), T0, T0 + seconds, now);
        std::string marks;
        for (char g : gap) marks += g ? '#' : '.';
        return marks;
    };
    EXPECT_EQ(gapsOf(20, 20, T0 + 19, {5, 6, 10, 11, 12, 13, 14}), "..........#####.....");
    EXPECT_EQ(gapsOf(20, 20, T0 + 12, {}), "....................");
    EXPECT_EQ(gapsOf(20, 20, T0 + 15, {13, 14, 15}), ".............###....");
    EXPECT_EQ(gapsOf(20, 20, T0 + 15, {14, 15}), "....................");
    EXPECT_EQ(gapsOf(60, 6, T0 + 59, {20, 21, 22, 23, 24, 25, 26, 27, 28, 29}), "..#...");
    EXPECT_EQ(columnStart(T0, T0 + 10, 3, 1), T0 + 3);
    EXPECT_EQ(columnStart(T0, T0 + 10, 3, 3), T0 + 10);
}

SettingsRecord recordOf(std::uint16_t y, std::uint16_t mo, std::uint16_t d, std::uint16_t h, std::uint16_t mi,
                         std::initializer_list<StageEntry> stages) {
    SettingsRecord r{};
    r.startYear = y, r.startMonth = mo, r.startDay = d, r.startHour = h, r.startMinute = mi;
    for (const StageEntry& s : stages) r.stages[r.stageCount++] = s;
    return r;
}

TEST(ChartPlan, StagesFollowEachOtherFromTheStartMomentInUniversalTime) {
    const StageEntry half{2930, 30, 0};
    const struct { SettingsRecord record; int offset; std::vector<std::int64_t> edges; std::vector<int> tenths; } rows[] = {
        {recordOf(25, 1, 31, 23, 30, {{2980, 45, 0}, {2630, 59, 99}, {3330, 0, 1}}), 180,
         {at(2025, 1, 31, 23, 30), at(2025, 2, 1, 0, 15), at(2025, 2, 5, 4, 14), at(2025, 2, 5, 5, 14)}, {250, -100, 600}},
        {recordOf(24, 2, 28, 22, 0, {{2930, 59, 99}}), 0, {at(2024, 2, 28, 22, 0, 0, 0), at(2024, 3, 4, 1, 59, 0, 0)}, {200}},
        {recordOf(25, 12, 31, 23, 59, {{2731, 1, 0}}), -300, {at(2025, 12, 31, 23, 59, 0, -300), at(2026, 1, 1, 0, 0, 0, -300)}, {1}},
        // A hold of 0:00 is no stage the program stores: the plan ends before it.
        {recordOf(25, 6, 1, 8, 0, {half, {2930, 0, 0}, half}), 0, {at(2025, 6, 1, 8, 0, 0, 0), at(2025, 6, 1, 8, 30, 0, 0)}, {200}},
        // No start moment, no stages, no such date or time: no plan.
        {recordOf(0, 6, 1, 8, 0, {half}), 0, {}, {}}, {recordOf(25, 6, 1, 8, 0, {}), 0, {}, {}},
        {recordOf(25, 2, 29, 8, 0, {half}), 0, {}, {}}, {recordOf(25, 13, 1, 8, 0, {half}), 0, {}, {}},
        {recordOf(25, 6, 1, 24, 0, {half}), 0, {}, {}}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.record.startDay << "." << r.record.startMonth << "." << r.record.startYear);
        const auto plan = planSteps(r.record, r.offset);
        ASSERT_EQ(plan.size(), r.tenths.size());
        for (std::size_t i = 0; i < plan.size(); ++i)
            EXPECT_TRUE(plan[i].from == r.edges[i] && plan[i].to == r.edges[i + 1] && plan[i].tenths == r.tenths[i] &&
                        plan[i].stage == static_cast<int>(i) + 1) << "stage " << i + 1;
    }
    // The journal counts local calendar seconds the same way.
    EXPECT_EQ(calendarSeconds(LocalTime{2025, 2, 1, 0, 15, 0}) - 180 * 60, planSteps(rows[0].record, 180)[1].from);
}

struct TickRow { std::int64_t from, to; int offset, max; std::int64_t first, step; int count; };

void expectTicks(const TickRow& r, const Ticks& t) {
    EXPECT_TRUE(t.count == r.count && (r.count == 0 || (t.first == r.first && t.step == r.step)))
        << r.from << ".." << r.to << " at most " << r.max << ": " << t.count << " from " << t.first << " by " << t.step;
}

// Temperature: 1, 2 or 5 times a power of ten tenths; time: round local times.
TEST(ChartTicks, StepsAreRoundAndTicksSitAtRoundLocalTimes) {
    const TickRow temperatures[] = {
        {197, 253, 0, 6, 200, 10, 6},  {197, 253, 0, 100, 197, 1, 57},  {-53, 17, 0, 8, -50, 10, 7},
        {-57, -3, 0, 5, -50, 10, 5},   // the last tick below zero is -1,0, not 0,0
        {250, 250, 0, 1, 250, 1, 1},   {-32768, 32767, 0, 3, -20000, 20000, 3}, {5, 4, 0, 6, 0, 1, 0}, {0, 10, 0, 0, 0, 1, 0}};
    for (const TickRow& r : temperatures)
        expectTicks(r, temperatureTicks(static_cast<std::int16_t>(r.from), static_cast<std::int16_t>(r.to), r.max));
    const std::int64_t t = at(2026, 12, 9, 14, 3, 5), day = 86400, week = 7 * day;
    const TickRow times[] = {
        {t, t + 600, 180, 6, at(2026, 12, 9, 14, 4), 120, 5},       {t, t + 3600, 180, 6, at(2026, 12, 9, 14, 10), 600, 6},
        {t, t + day, 330, 6, at(2026, 12, 9, 18, 0, 0, 330), 21600, 4},    // from 16:33:05 local
        {t, t + day, -300, 6, at(2026, 12, 9, 12, 0, 0, -300), 21600, 4},  // from 06:03:05 local
        {t, t + week, 180, 8, at(2026, 12, 10, 0, 0), day, 7},      {t, t + week, 180, 3, at(2026, 12, 11, 0, 0), 2 * day, 3},
        {t, t + week, 180, 1, at(2026, 12, 14, 0, 0), week, 1},     // a Monday
        {t, t + 60 * day, 180, 4, at(2026, 12, 21, 0, 0), 2 * week, 4}, {t, t + 60 * day, 180, 3, at(2026, 12, 28, 0, 0), 3 * week, 2},
        {t, t - 1, 180, 6, 0, 0, 0}, {t, t + 600, 180, 0, 0, 0, 0}};
    for (const TickRow& r : times) expectTicks(r, timeTicks(r.from, r.to, r.offset, r.max));
}

TEST(ChartView, RangesAndScrollingBackToLive) {
    const std::int64_t now = T0;
    const std::vector<PlanStep> plan = {{now - 1000, now + 2000, 250, 1}, {now + 2000, now + 5000, 300, 2}};
    const struct { std::int64_t span, now; std::vector<int> steps; bool live, withPlan; std::int64_t from, to; } rows[] = {
        {3600, now, {}, true, true, now - 3599, now + 1}, {kWholeProgram, now, {}, true, true, now - 1000, now + 5000},
        // The whole program widened to now, or without a plan the longest span.
        {kWholeProgram, now + 9000, {}, true, true, now - 1000, now + 9001},
        {kWholeProgram, now - 2000, {}, true, true, now - 2000, now + 5000},
        {kWholeProgram, now, {}, true, false, now - 604799, now + 1},
        {3600, now, {-2, 1}, false, true, now - 5399, now - 1799},  // back a span, forward half
        {3600, now, {-1, 7}, true, true, now - 3599, now + 1},      // forward past now: live
        {kWholeProgram, now, {-1}, false, true, now - 4000, now + 2000}};
    for (const auto& r : rows) {
        const std::vector<PlanStep> shown = r.withPlan ? plan : std::vector<PlanStep>{};
        ChartView view{r.span, true, 0};
        for (int steps : r.steps) scrollChart(view, steps, r.now, shown);
        const ChartRange range = chartRange(view, r.now, shown);
        EXPECT_TRUE(view.live == r.live && range.from == r.from && range.to == r.to)
            << r.span << " after " << r.steps.size() << " scrolls: " << range.from - now << ".." << range.to - now;
    }
}

}  // namespace
