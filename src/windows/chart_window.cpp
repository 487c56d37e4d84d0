#include "chart_window.h"

#include <commdlg.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "chart/chart_series.h"
#include "chart_place.h"
#include "journal/journal.h"
#include "journal/journal_format.h"
#include "journal/journal_history.h"
#include "journal_writer.h"
#include "link/temperature.h"
#include "png_file.h"
#include "run/run.h"
#include "scoped_handles.h"
#include "settings/settings.h"
#include "startup.h"
#include "text_code.h"

namespace {

constexpr char kChartClass[] = "QuellorChart";
constexpr char kChartTitle[] = "График температуры";

// The row of buttons, left to right: the spans first, in the order of
// kChartSpans, then the whole program.
enum ButtonIndex {
    spanTenMinutes,
    spanHour,
    spanEightHours,
    spanDay,
    spanWeek,
    spanProgram,
    buttonNow,
    buttonImage,
    buttonData,
    kButtonCount
};
static_assert(spanProgram == static_cast<int>(std::size(kChartSpans)), "a button for each span");

constexpr const char* kButtonTexts[kButtonCount] = {
    "10 мин", "1 ч", "8 ч", "24 ч", "7 дней", "Вся программа", "Сейчас", "Сохранить изображение…", "Сохранить данные…"};
constexpr int kFirstButtonId = 100;
constexpr int kButtonHeight = 23;
constexpr int kButtonPadding = 20;  // beside a caption, both sides together
constexpr int kButtonGap = 4;
constexpr int kMargin = 6;

std::int64_t spanOfButton(int index) { return index == spanProgram ? kWholeProgram : kChartSpans[index]; }

bool knownSpan(std::int64_t span) {
    return span == kWholeProgram || std::find(std::begin(kChartSpans), std::end(kChartSpans), span) != std::end(kChartSpans);
}

// How far from an event's marker the mouse still names it, in pixels.
constexpr int kEventReach = 4;

// The journal began in this century (the settings keep two-digit years):
// scrolling back stops at its start.
std::int64_t earliestShown() {
    static const std::int64_t earliest = calendarSeconds(LocalTime{2000, 1, 1, 0, 0, 0});
    return earliest;
}

// The picture's colours are its own, not the system's, so that a saved
// picture looks as the window does on any computer.
constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kGrid = RGB(234, 234, 234);
constexpr COLORREF kFrame = RGB(120, 120, 120);
constexpr COLORREF kGap = RGB(222, 222, 222);
constexpr COLORREF kMeasured = RGB(0, 90, 200);
constexpr COLORREF kMaintained = RGB(210, 40, 40);
constexpr COLORREF kPlan = RGB(0, 140, 60);
constexpr COLORREF kStageLine = RGB(170, 170, 170);
constexpr COLORREF kStageText = RGB(100, 100, 100);
constexpr COLORREF kNowLine = RGB(60, 60, 60);
constexpr COLORREF kEventFill = RGB(240, 150, 0);
constexpr COLORREF kEventEdge = RGB(150, 80, 0);
constexpr COLORREF kLabelFill = RGB(255, 255, 225);
constexpr COLORREF kHairline = RGB(150, 150, 150);

struct ChartWindow {
    HWND window = nullptr;
    HWND buttons[kButtonCount] = {};
    // The button class's own procedure, as the subclassing gave it back.
    WNDPROC buttonClassProc = nullptr;
    ChartView view;
    // The last rectangle the window had while neither minimised nor
    // maximised: the place kept.
    RECT place{};
    int chartTop = 0;  // client y where the chart begins, under the buttons
    RECT plot{};       // the plot as last painted, for the mouse
    bool mouseInside = false;
    bool trackingMouse = false;
    bool labelShown = false;
    POINT mouse{};
    int wheelRest = 0;  // wheel turns short of a notch
    // The day files looked for: read, or found missing. The history they went
    // into lives as long as the main window, and so does this list.
    std::set<std::string> daysRead;
    ChartRange looked{0, 0};  // the last range the day files were looked for
};
ChartWindow chart;

HFONT chartFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// ---- What is shown ----------------------------------------------------------

struct ChartScene {
    std::int64_t now = 0;
    int offsetMinutes = 0;
    std::vector<PlanStep> plan;  // empty without a run
    ChartRange range{0, 1};      // the journal's span shown
    std::int64_t axisEnd = 1;    // the right edge: range.to, or beyond it for the plan ahead
};

ChartScene currentScene() {
    ChartScene scene;
    scene.now = journalNow();
    scene.offsetMinutes = journalOffsetNow();
    if (runActive()) scene.plan = planSteps(settings(), scene.offsetMinutes);
    scene.range = chartRange(chart.view, scene.now, scene.plan);
    scene.axisEnd = scene.range.to;
    // Live, with a run still ahead, a span keeps the right fifth of the plot
    // for the program to come.
    if (chart.view.live && chart.view.span != kWholeProgram && !scene.plan.empty() &&
        scene.plan.back().to > scene.now)
        scene.axisEnd = scene.range.to + (scene.range.to - scene.range.from) / 4;
    return scene;
}

LocalTime localOf(std::int64_t universal, int offsetMinutes) {
    return calendarTime(universal + std::int64_t{offsetMinutes} * 60);
}

std::string temperatureText(int tenths) {
    char text[kTemperatureTextSize];
    formatTemperature(static_cast<std::int16_t>(tenths), text);
    return text;
}

// "25,3 °C", or "25,1…25,4 °C" for a column whose readings differ.
std::string valueText(int low, int high) {
    std::string text = temperatureText(low);
    if (high != low) {
        text.append("…");
        text.append(temperatureText(high));
    }
    text.append(" °C");
    return text;
}

// ---- The frame: geometry and the columns of one drawing ---------------------

struct ChartFrame {
    ChartScene scene;
    RECT area{};
    RECT plot{};
    int textHeight = 0;
    std::int64_t from = 0, to = 1;  // the time axis, universal seconds
    std::vector<ChartColumn> columns;
    std::vector<char> gap;          // per column: part of a stretch without readings
    int low = 0, high = 10;         // the temperature axis, tenths of degC

    int columnCount() const { return static_cast<int>(columns.size()); }
    std::int64_t columnStart(int i) const { return ::columnStart(from, to, columnCount(), i); }
    int xOf(std::int64_t t) const {
        t = std::clamp(t, from, to);
        return plot.left + static_cast<int>((t - from) * columnCount() / (to - from));
    }
    int yOf(int tenths) const {
        const std::int64_t rows = plot.bottom - plot.top - 1;
        return plot.bottom - 1 - static_cast<int>((std::int64_t{tenths} - low) * rows / (high - low));
    }
    bool holds(std::int64_t t) const { return t >= from && t < to; }
};

// The stages drawn ahead: the part of each after now, within the axis.
bool aheadInView(const ChartFrame& f, const PlanStep& step) {
    return step.to > std::max(f.scene.now, f.from) && step.from < f.to;
}

void fitTemperatures(ChartFrame& f) {
    int low = INT_MAX;
    int high = INT_MIN;
    const auto take = [&](int a, int b) {
        low = std::min(low, a);
        high = std::max(high, b);
    };
    for (const ChartColumn& c : f.columns) {
        if (c.any) take(c.measuredLow, c.measuredHigh);
        if (c.anyMaintained) take(c.maintainedLow, c.maintainedHigh);
    }
    for (const PlanStep& step : f.scene.plan)
        if (aheadInView(f, step)) take(step.tenths, step.tenths);
    if (low > high) {
        // Nothing to show: room temperature and a little around it.
        low = 200;
        high = 250;
    }
    if (high - low < 10) {
        const int middle = low + (high - low) / 2;
        low = middle - 5;
        high = low + 10;
    }
    const int pad = std::max(2, (high - low) / 20);
    f.low = std::max<int>(INT16_MIN, low - pad);
    f.high = std::min<int>(INT16_MAX, high + pad);
}

// The plot inside the area: room for the legend above, the temperatures on
// the left and two lines of time and date below. The font is selected.
ChartFrame makeFrame(HDC dc, const RECT& area) {
    ChartFrame f;
    f.scene = currentScene();
    f.area = area;
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    f.textHeight = std::max<int>(metrics.tmHeight, 8);
    SIZE widest{};
    GetTextExtentPoint32A(dc, "-000,0", 6, &widest);
    f.plot = RECT{area.left + widest.cx + 12, area.top + f.textHeight + 12, area.right - 16,
                  area.bottom - 2 * f.textHeight - 10};
    f.from = f.scene.range.from;
    f.to = std::max(f.scene.axisEnd, f.from + 1);
    const int width = f.plot.right - f.plot.left;
    if (width < 10 || f.plot.bottom - f.plot.top < 10) {
        f.plot = RECT{};
        return f;
    }
    // One column per pixel; reduceSpan reads the readings where they are.
    f.columns = reduceSpan(journalHistory().samples, f.from, f.to, width);
    if (f.columns.empty()) {
        f.plot = RECT{};
        return f;
    }
    f.gap = gapColumns(f.columns, f.from, f.to, f.scene.now);
    fitTemperatures(f);
    return f;
}

// ---- Drawing ----------------------------------------------------------------

// The pens and brushes of one drawing, made once for it.
struct ChartTools {
    GdiObject grid{CreatePen(PS_SOLID, 1, kGrid)};
    GdiObject frame{CreatePen(PS_SOLID, 1, kFrame)};
    GdiObject measured{CreatePen(PS_SOLID, 1, kMeasured)};
    GdiObject maintained{CreatePen(PS_SOLID, 1, kMaintained)};
    GdiObject plan{CreatePen(PS_DASH, 1, kPlan)};
    GdiObject stage{CreatePen(PS_SOLID, 1, kStageLine)};
    GdiObject now{CreatePen(PS_SOLID, 1, kNowLine)};
    GdiObject eventEdge{CreatePen(PS_SOLID, 1, kEventEdge)};
    GdiObject background{CreateSolidBrush(kBackground)};
    GdiObject gap{CreateSolidBrush(kGap)};
    GdiObject eventFill{CreateSolidBrush(kEventFill)};
};

void line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void textAt(HDC dc, const std::string& text, RECT rect, UINT format) {
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_SINGLELINE | DT_NOPREFIX);
}

void drawGaps(HDC dc, const ChartFrame& f, const ChartTools& tools) {
    const int n = f.columnCount();
    for (int i = 0; i < n;) {
        if (!f.gap[i]) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && f.gap[j]) ++j;
        const RECT band{f.plot.left + i, f.plot.top, f.plot.left + j, f.plot.bottom};
        FillRect(dc, &band, tools.gap.brush());
        i = j;
    }
}

void drawTemperatureAxis(HDC dc, const ChartFrame& f, const ChartTools& tools) {
    const int maxTicks = std::max(2, static_cast<int>((f.plot.bottom - f.plot.top) / (2 * f.textHeight)));
    const Ticks ticks =
        temperatureTicks(static_cast<std::int16_t>(f.low), static_cast<std::int16_t>(f.high), maxTicks);
    SelectedObject pen(dc, tools.grid.get());
    for (int k = 0; k < ticks.count; ++k) {
        const int tenths = static_cast<int>(ticks.first + k * ticks.step);
        const int y = f.yOf(tenths);
        line(dc, f.plot.left, y, f.plot.right, y);
        textAt(dc, temperatureText(tenths),
               RECT{f.area.left, y - f.textHeight / 2 - 1, f.plot.left - 6, y + f.textHeight / 2 + 1},
               DT_RIGHT | DT_VCENTER);
    }
    textAt(dc, "°C", RECT{f.area.left, f.area.top + 4, f.plot.left - 6, f.area.top + 4 + f.textHeight}, DT_RIGHT);
}

void drawTimeAxis(HDC dc, const ChartFrame& f, const ChartTools& tools) {
    SIZE label{};
    GetTextExtentPoint32A(dc, "00:00", 5, &label);
    const int maxTicks = std::max(2, static_cast<int>((f.plot.right - f.plot.left) / (label.cx + 24)));
    const Ticks ticks = timeTicks(f.from, f.to - 1, f.scene.offsetMinutes, maxTicks);
    const bool datesAlways = f.scene.range.to - f.scene.range.from >= 24 * 60 * 60;
    SelectedObject pen(dc, tools.grid.get());
    for (int k = 0; k < ticks.count; ++k) {
        const std::int64_t t = ticks.first + k * ticks.step;
        const int x = f.xOf(t);
        line(dc, x, f.plot.top, x, f.plot.bottom);
        const LocalTime local = localOf(t, f.scene.offsetMinutes);
        char text[16];
        wsprintfA(text, "%02d:%02d", local.hour, local.minute);
        const int half = label.cx;
        const int left = std::max<int>(f.area.left, std::min<int>(x - half, f.area.right - 2 * half));
        const int top = f.plot.bottom + 4;
        textAt(dc, text, RECT{left, top, left + 2 * half, top + f.textHeight}, DT_CENTER);
        if (datesAlways || (local.hour == 0 && local.minute == 0)) {
            wsprintfA(text, "%02d.%02d", local.day, local.month);
            textAt(dc, text, RECT{left, top + f.textHeight, left + 2 * half, top + 2 * f.textHeight}, DT_CENTER);
        }
    }
}

// Each stage's start, and the program's end, as a thin line.
void drawStageBoundaries(HDC dc, const ChartFrame& f, const ChartTools& tools) {
    if (f.scene.plan.empty()) return;
    SelectedObject pen(dc, tools.stage.get());
    for (const PlanStep& step : f.scene.plan)
        if (f.holds(step.from)) line(dc, f.xOf(step.from), f.plot.top, f.xOf(step.from), f.plot.bottom);
    const std::int64_t end = f.scene.plan.back().to;
    if (f.holds(end)) line(dc, f.xOf(end), f.plot.top, f.xOf(end), f.plot.bottom);
}

// The stage's number beside its start, drawn last on the chart's background:
// a series at the height of the numbers (a stage held at the highest
// temperature shown) would hide them.
void drawStageNumbers(HDC dc, const ChartFrame& f) {
    SetTextColor(dc, kStageText);
    SetBkColor(dc, kBackground);
    SetBkMode(dc, OPAQUE);
    const int top = f.plot.top + 8;
    for (const PlanStep& step : f.scene.plan) {
        if (!f.holds(step.from)) continue;
        const int x = f.xOf(step.from);
        char number[16];
        wsprintfA(number, "%d", step.stage);
        textAt(dc, number, RECT{x + 3, top, x + 60, top + f.textHeight}, DT_LEFT);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kText);
}

// The program from now to its end as a dashed step line.
void drawPlanAhead(HDC dc, const ChartFrame& f, const ChartTools& tools) {
    std::vector<POINT> points;
    const std::int64_t start = std::max(f.scene.now, f.from);
    for (const PlanStep& step : f.scene.plan) {
        if (!aheadInView(f, step)) continue;
        const int y = f.yOf(step.tenths);
        points.push_back(POINT{f.xOf(std::max(step.from, start)), y});
        points.push_back(POINT{f.xOf(std::min(step.to, f.to)), y});
    }
    if (points.size() < 2) return;
    SelectedObject pen(dc, tools.plan.get());
    Polyline(dc, points.data(), static_cast<int>(points.size()));
}

// One series: each column a vertical line from its lowest to its highest
// value, joined to the column before, so that a one-second spike shows at
// any span. A gap breaks the line; so does, for the maintained value, a
// reading without one. All of it in one call.
void drawSeries(HDC dc, const ChartFrame& f, bool maintained, HGDIOBJ pen) {
    const int n = f.columnCount();
    std::vector<POINT> points;
    std::vector<DWORD> counts;
    points.reserve(static_cast<std::size_t>(n) * 4);
    counts.reserve(static_cast<std::size_t>(n));
    bool joined = false;
    int previousX = 0, previousLow = 0, previousHigh = 0;
    for (int i = 0; i < n; ++i) {
        const ChartColumn& c = f.columns[i];
        const bool has = maintained ? c.anyMaintained : c.any;
        if (!has) {
            if (f.gap[i] || c.any) joined = false;
            continue;
        }
        const int low = maintained ? c.maintainedLow : c.measuredLow;
        const int high = maintained ? c.maintainedHigh : c.measuredHigh;
        const int x = f.plot.left + i;
        if (joined) {
            // From the previous column's value nearest to this one to this
            // column's value nearest to it.
            int from = previousLow, to = high;
            if (low > previousHigh) {
                from = previousHigh;
                to = low;
            } else if (high >= previousLow) {
                from = to = std::max(low, previousLow);
            }
            points.push_back(POINT{previousX, f.yOf(from)});
            points.push_back(POINT{x, f.yOf(to)});
        }
        // The line's last pixel is not drawn: one past the top.
        points.push_back(POINT{x, f.yOf(low)});
        points.push_back(POINT{x, f.yOf(high) - 1});
        counts.push_back(joined ? 4 : 2);
        joined = true;
        previousX = x;
        previousLow = low;
        previousHigh = high;
    }
    if (counts.empty()) return;
    SelectedObject selected(dc, pen);
    PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
}

using EventRange = std::pair<std::vector<JournalEvent>::const_iterator, std::vector<JournalEvent>::const_iterator>;

EventRange eventsOf(const ChartFrame& f) {
    const std::vector<JournalEvent>& events = journalHistory().events;
    const auto before = [](const JournalEvent& e, std::int64_t t) { return e.universalSeconds < t; };
    const auto first = std::lower_bound(events.begin(), events.end(), f.from, before);
    return {first, std::lower_bound(first, events.end(), f.to, before)};
}

void drawEvents(HDC dc, const ChartFrame& f, const ChartTools& tools) {
    SelectedObject pen(dc, tools.eventEdge.get());
    SelectedObject brush(dc, tools.eventFill.get());
    const EventRange events = eventsOf(f);
    for (auto e = events.first; e != events.second; ++e) {
        const int x = f.xOf(e->universalSeconds);
        const POINT corners[] = {{x - 4, f.plot.top}, {x + 4, f.plot.top}, {x, f.plot.top + 6}};
        Polygon(dc, corners, 3);
    }
}

void drawLegend(HDC dc, const ChartFrame& f, const ChartTools& tools) {
    struct Entry {
        const char* text;
        HGDIOBJ pen;
    };
    const Entry entries[] = {{"Измерено", tools.measured.get()},
                             {"Поддерживается", tools.maintained.get()},
                             {"Программа", tools.plan.get()}};
    // The program's entry only while a run's program is drawn.
    const int shown = f.scene.plan.empty() ? 2 : 3;
    int x = f.plot.left;
    const int top = f.area.top + 4;
    const int middle = top + f.textHeight / 2;
    for (int i = 0; i < shown; ++i) {
        const Entry& entry = entries[i];
        {
            SelectedObject pen(dc, entry.pen);
            line(dc, x, middle, x + 24, middle);
            line(dc, x, middle + 1, x + 24, middle + 1);
        }
        x += 30;
        SIZE size{};
        const int length = lstrlenA(entry.text);
        GetTextExtentPoint32A(dc, entry.text, length, &size);
        TextOutA(dc, x, top, entry.text, length);
        x += size.cx + 18;
    }
}

void drawFrame(HDC dc, const ChartFrame& f) {
    const ChartTools tools;
    FillRect(dc, &f.area, tools.background.brush());
    if (f.plot.right <= f.plot.left) return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kText);

    // The shaded gaps under the grid, the grid under everything else.
    drawGaps(dc, f, tools);
    drawTemperatureAxis(dc, f, tools);
    drawTimeAxis(dc, f, tools);
    drawLegend(dc, f, tools);

    const int saved = SaveDC(dc);
    IntersectClipRect(dc, f.plot.left, f.plot.top, f.plot.right, f.plot.bottom);
    drawStageBoundaries(dc, f, tools);
    drawPlanAhead(dc, f, tools);
    drawSeries(dc, f, true, tools.maintained.get());
    drawSeries(dc, f, false, tools.measured.get());
    if (f.holds(f.scene.now) && f.scene.now + 1 < f.to) {
        SelectedObject pen(dc, tools.now.get());
        const int x = f.xOf(f.scene.now);
        line(dc, x, f.plot.top, x, f.plot.bottom);
    }
    drawEvents(dc, f, tools);
    drawStageNumbers(dc, f);
    RestoreDC(dc, saved);

    SelectedObject pen(dc, tools.frame.get());
    SelectedObject brush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, f.plot.left - 1, f.plot.top - 1, f.plot.right + 1, f.plot.bottom + 1);
}

// ---- The label under the mouse ----------------------------------------------

// The column to report at pixel column i: itself, or, when it merely falls
// between two readings, the nearest one with a reading.
int reportedColumn(const ChartFrame& f, int i) {
    if (f.columns[i].any || f.gap[i]) return i;
    for (int d = 1; d <= 3; ++d) {
        if (i - d >= 0 && f.columns[i - d].any) return i - d;
        if (i + d < f.columnCount() && f.columns[i + d].any) return i + d;
    }
    return i;
}

// The offset of the first reading of column i, so that its local time is
// the one the file shows (across a change of daylight saving time too);
// now's offset for a column without one.
int offsetOfColumn(const ChartFrame& f, int i) {
    const std::vector<JournalSample>& samples = journalHistory().samples;
    const std::int64_t start = f.columnStart(i);
    const auto at = std::lower_bound(samples.begin(), samples.end(), start,
                                     [](const JournalSample& s, std::int64_t t) { return s.universalSeconds < t; });
    return at != samples.end() && at->universalSeconds < f.columnStart(i + 1) ? at->offsetMinutes
                                                                              : f.scene.offsetMinutes;
}

std::vector<std::string> labelLines(const ChartFrame& f, POINT at) {
    std::vector<std::string> lines;
    const int i = std::clamp<int>(at.x - f.plot.left, 0, f.columnCount() - 1);
    const std::int64_t t = f.columnStart(i);
    const LocalTime local = localOf(t, offsetOfColumn(f, i));
    char moment[40];
    wsprintfA(moment, "%02d.%02d.%04d %02d:%02d:%02d", local.day, local.month, local.year, local.hour, local.minute,
              local.second);
    lines.emplace_back(moment);

    const ChartColumn& c = f.columns[reportedColumn(f, i)];
    if (c.any) lines.push_back("Измерено: " + valueText(c.measuredLow, c.measuredHigh));
    if (c.anyMaintained) lines.push_back("Поддерживается: " + valueText(c.maintainedLow, c.maintainedHigh));
    if (!c.any && t <= f.scene.now) lines.emplace_back("Нет данных");
    for (const PlanStep& step : f.scene.plan) {
        if (t < step.from || t >= step.to) continue;
        char stage[16];
        wsprintfA(stage, "%d", step.stage);
        lines.push_back("Программа: " + temperatureText(step.tenths) + " °C, этап " + stage);
        break;
    }

    constexpr int kMostEvents = 3;
    int named = 0;
    const EventRange events = eventsOf(f);
    for (auto e = events.first; e != events.second; ++e) {
        if (std::abs(f.xOf(e->universalSeconds) - at.x) > kEventReach) continue;
        if (named++ == kMostEvents) {
            lines.emplace_back("…");
            break;
        }
        lines.push_back(e->text);
    }
    return lines;
}

void drawPointer(HDC dc, const ChartFrame& f, POINT at) {
    {
        GdiObject hairline(CreatePen(PS_DOT, 1, kHairline));
        SelectedObject pen(dc, hairline.get());
        SetBkMode(dc, TRANSPARENT);
        line(dc, at.x, f.plot.top, at.x, f.plot.bottom);
    }
    const std::vector<std::string> lines = labelLines(f, at);
    int width = 0;
    for (const std::string& text : lines) {
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        width = std::max<int>(width, size.cx);
    }
    width += 10;
    const int height = static_cast<int>(lines.size()) * f.textHeight + 6;
    // Below and right of the cursor; turned to the other side at the edges.
    int left = at.x + 14;
    int top = at.y + 18;
    if (left + width > f.area.right) left = at.x - 6 - width;
    if (top + height > f.area.bottom) top = at.y - 6 - height;
    left = std::max<int>(left, f.area.left);
    top = std::max<int>(top, f.area.top);

    GdiObject fill(CreateSolidBrush(kLabelFill));
    GdiObject edge(CreatePen(PS_SOLID, 1, kFrame));
    SelectedObject pen(dc, edge.get());
    SelectedObject brush(dc, fill.get());
    Rectangle(dc, left, top, left + width, top + height);
    SetTextColor(dc, kText);
    int y = top + 3;
    for (const std::string& text : lines) {
        TextOutA(dc, left + 5, y, text.c_str(), static_cast<int>(text.size()));
        y += f.textHeight;
    }
}

// ---- Earlier history from the day files -------------------------------------

enum class DayFile { read, missing, unreadable };

// A day of readings is some 4 MB; a file far larger is not the journal's,
// and only its beginning is read (the line it cuts is skipped).
constexpr DWORD kLargestDayFile = 64u << 20;

DayFile readDayFile(const std::string& path, std::string& bytes) {
    // The journal's writer may have the file open for appending.
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? DayFile::missing
                                                                               : DayFile::unreadable;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return DayFile::unreadable;
    const DWORD wanted = static_cast<DWORD>(std::min<LONGLONG>(size.QuadPart, kLargestDayFile));
    bytes.resize(wanted);
    DWORD total = 0;
    while (total < wanted) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + total, wanted - total, &got, nullptr)) return DayFile::unreadable;
        if (got == 0) break;
        total += got;
    }
    bytes.resize(total);
    return DayFile::read;
}

// When the range begins before what the history holds, the day files it
// touches are read into it, each once: the lines of this program's own
// start are live already and the history does not take them again.
void readEarlierDays(const ChartScene& scene) {
    chart.looked = scene.range;
    JournalHistory& history = journalHistory();
    const std::int64_t oldest = history.samples.empty() ? INT64_MAX : history.samples.front().universalSeconds;
    if (scene.range.from >= history.liveSince && scene.range.from >= oldest) return;
    const std::string folder = journalFolder();
    if (folder.empty()) return;
    // Days after today hold no line from before now (a program's range can
    // reach far ahead).
    const std::int64_t to = std::min(scene.range.to, scene.now + 1);
    for (const std::string& name : journalDaysOf(scene.range.from, to, scene.offsetMinutes)) {
        if (chart.daysRead.count(name)) continue;
        std::string bytes;
        const DayFile found = readDayFile(folder + "\\" + name, bytes);
        // A file held or unreadable now is tried again when the range next changes.
        if (found == DayFile::unreadable) continue;
        chart.daysRead.insert(name);
        if (found == DayFile::missing || bytes.empty()) continue;
        std::size_t skip = 0;
        if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) skip = 3;
        const std::string text = utf8ToProgram(bytes.data() + skip, bytes.size() - skip);
        mergeJournalLines(history, parseJournalFile(text.data(), text.size()));
    }
}

// ---- Buttons and the view ---------------------------------------------------

void setChecked(HWND button, bool checked) {
    const WPARAM state = checked ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(SendMessageA(button, BM_GETCHECK, 0, 0)) != state)
        SendMessageA(button, BM_SETCHECK, state, 0);
}

void setEnabled(HWND button, bool enabled) {
    if ((IsWindowEnabled(button) != FALSE) != enabled) EnableWindow(button, enabled ? TRUE : FALSE);
}

// The buttons follow the view: the span shown and "Сейчас" pressed in while
// live; "Вся программа" only while a run has a program. A whole program
// whose run has ended shows the longest span, which is what the range then is.
void followRun(const ChartScene& scene) {
    const bool program = !scene.plan.empty();
    if (!program && chart.view.span == kWholeProgram) chart.view.span = kChartSpans[std::size(kChartSpans) - 1];
    for (int i = 0; i <= spanProgram; ++i) setChecked(chart.buttons[i], chart.view.span == spanOfButton(i));
    setChecked(chart.buttons[buttonNow], chart.view.live);
    setEnabled(chart.buttons[spanProgram], program);
}

RECT chartArea() {
    RECT client{};
    if (chart.window) GetClientRect(chart.window, &client);
    client.top = std::min<LONG>(chart.chartTop, client.bottom);
    return client;
}

void invalidateChart() {
    if (!chart.window) return;
    const RECT area = chartArea();
    InvalidateRect(chart.window, &area, FALSE);
}

// After every change of the view: the buttons, the day files, a redraw.
void viewChanged() {
    const ChartScene scene = currentScene();
    followRun(scene);
    readEarlierDays(scene);
    invalidateChart();
}

void chooseSpan(int index) {
    chart.view.span = spanOfButton(index);
    // The whole program is shown as it stands now.
    if (chart.view.span == kWholeProgram) chart.view = ChartView{kWholeProgram, true, 0};
    viewChanged();
}

void backToLive() {
    chart.view.live = true;
    chart.view.end = 0;
    viewChanged();
}

// Half a span per step: back for steps < 0. Not before the journal's century.
void scrollBy(int steps) {
    if (steps == 0) return;
    const ChartScene scene = currentScene();
    ChartView moved = chart.view;
    scrollChart(moved, steps, scene.now, scene.plan);
    if (steps < 0 && !moved.live && chartRange(moved, scene.now, scene.plan).from < earliestShown()) return;
    chart.view = moved;
    viewChanged();
}

// ---- Saving -----------------------------------------------------------------

// The path the operator chose, or empty for Cancel.
std::string askSavePath(const char* filter, const char* suggested, const char* extension) {
    char path[MAX_PATH + 1] = {};
    lstrcpynA(path, suggested, sizeof path);
    OPENFILENAMEA choice{};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = chart.window;
    choice.hInstance = appInstance();
    choice.lpstrFilter = filter;
    choice.lpstrFile = path;
    choice.nMaxFile = sizeof path;
    choice.lpstrDefExt = extension;
    choice.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&choice)) return {};
    return path;
}

void tellSaveFailed(const char* what, const std::string& path) {
    const std::string text = std::string(what) + "\n\r" + path;
    MessageBoxA(chart.window, text.c_str(), kChartTitle, MB_OK | MB_ICONERROR);
}

// A path from the "A" file dialog is in the system's ANSI code page, as
// CreateFileA would read it.
std::wstring widePath(const std::string& path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

bool writePicture(const std::string& path, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return false;
    {
        MemoryDC memory(nullptr);
        if (!memory.get()) return false;
        SelectedObject selected(memory.get(), bitmap.get());
        drawChart(memory.get(), RECT{0, 0, width, height});
        GdiFlush();
    }
    return savePngFile(bitmap.bitmap(), widePath(path));
}

void saveImage() {
    const std::string path = askSavePath("Рисунок PNG (*.png)\0*.png\0", "график.png", "png");
    if (path.empty()) return;
    // The picture has the size of the chart on screen.
    const RECT area = chartArea();
    const int width = std::max<int>(area.right - area.left, kChartMinWidth);
    const int height = std::max<int>(area.bottom - area.top, kChartMinHeight / 2);
    if (!writePicture(path, width, height)) tellSaveFailed("Не удалось сохранить изображение в файл", path);
}

bool writeWholeFile(const std::string& path, const std::string& text) {
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::size_t done = 0;
    while (done < text.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data() + done, chunk, &written, nullptr) || written == 0) {
            // A file cut short is not left to pass for the span's data.
            file.reset();
            DeleteFileA(path.c_str());
            return false;
        }
        done += written;
    }
    return true;
}

void saveData() {
    // The span as it was when the button was pressed.
    const ChartRange span = currentScene().range;
    const std::string path = askSavePath("Файлы CSV (*.csv)\0*.csv\0", "журнал.csv", "csv");
    if (path.empty()) return;
    const std::string& header = journalHeader();
    const std::string lines = journalSpanLines(journalHistory(), span.from, span.to);
    std::string text = "\xEF\xBB\xBF";
    text += programToUtf8(header.data(), header.size());
    text += programToUtf8(lines.data(), lines.size());
    if (!writeWholeFile(path, text)) tellSaveFailed("Не удалось сохранить данные в файл", path);
}

// ---- The window -------------------------------------------------------------

// The arrow keys scroll the chart whichever button has the focus.
LRESULT CALLBACK buttonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && (wParam == VK_LEFT || wParam == VK_RIGHT)) {
        SendMessageA(GetParent(button), message, wParam, lParam);
        return 0;
    }
    if (!chart.buttonClassProc) return DefWindowProcA(button, message, wParam, lParam);
    return CallWindowProcA(chart.buttonClassProc, button, message, wParam, lParam);
}

void createButtons(HWND window) {
    for (int i = 0; i < kButtonCount; ++i) {
        // The spans and "Сейчас" stay pressed in while they are what is shown.
        const DWORD kind = i <= buttonNow ? BS_CHECKBOX | BS_PUSHLIKE : BS_PUSHBUTTON;
        HWND button = CreateWindowExA(0, "BUTTON", kButtonTexts[i], WS_CHILD | WS_VISIBLE | WS_TABSTOP | kind, 0, 0,
                                      10, kButtonHeight, window,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstButtonId + i)),
                                      appInstance(), nullptr);
        chart.buttons[i] = button;
        if (!button) continue;
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(chartFont()), FALSE);
        const WNDPROC previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(buttonProc)));
        if (!chart.buttonClassProc) chart.buttonClassProc = previous;
    }
}

// The buttons in rows as wide as the window; the chart below them.
void layoutButtons(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    WindowDC dc(window);
    SelectedObject font(dc.get(), chartFont());
    int x = kMargin;
    int y = kMargin;
    for (int i = 0; i < kButtonCount; ++i) {
        SIZE size{};
        GetTextExtentPoint32A(dc.get(), kButtonTexts[i], lstrlenA(kButtonTexts[i]), &size);
        const int width = size.cx + kButtonPadding;
        if (x > kMargin && x + width > client.right - kMargin) {
            x = kMargin;
            y += kButtonHeight + kButtonGap;
        }
        if (chart.buttons[i]) MoveWindow(chart.buttons[i], x, y, width, kButtonHeight, TRUE);
        x += width + kButtonGap;
    }
    chart.chartTop = y + kButtonHeight + kMargin;
}

void notePlace(HWND window) {
    if (!IsIconic(window) && !IsZoomed(window)) GetWindowRect(window, &chart.place);
}

// The whole client area: the buttons' background, the chart and the label
// under the mouse.
void paintClient(HWND window, HDC target) {
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0) return;
    // Drawn whole in memory and copied at once: the redraw each second does
    // not flicker.
    MemoryDC memory(target);
    GdiObject canvas(CreateCompatibleBitmap(target, width, height));
    if (!memory.get() || !canvas) return;
    SelectedObject selected(memory.get(), canvas.get());
    const RECT buttonRow{0, 0, width, std::min(chart.chartTop, height)};
    FillRect(memory.get(), &buttonRow, GetSysColorBrush(COLOR_BTNFACE));
    const RECT area = chartArea();
    if (area.bottom > area.top) {
        SelectedObject font(memory.get(), chartFont());
        const ChartFrame frame = makeFrame(memory.get(), area);
        drawFrame(memory.get(), frame);
        chart.plot = frame.plot;
        chart.labelShown = chart.mouseInside && PtInRect(&frame.plot, chart.mouse);
        if (chart.labelShown) drawPointer(memory.get(), frame, chart.mouse);
    }
    BitBlt(target, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}

void paintChartWindow(HWND window) {
    PaintDC paint(window);
    if (paint.get()) paintClient(window, paint.get());
}

void onMouseMove(HWND window, LPARAM lParam) {
    chart.mouse = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    chart.mouseInside = true;
    if (!chart.trackingMouse) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = window;
        chart.trackingMouse = TrackMouseEvent(&track) != FALSE;
    }
    if (chart.labelShown || PtInRect(&chart.plot, chart.mouse)) invalidateChart();
}

void onMouseLeave() {
    chart.trackingMouse = false;
    chart.mouseInside = false;
    if (chart.labelShown) invalidateChart();
}

void onWheel(int delta) {
    chart.wheelRest += delta;
    const int notches = chart.wheelRest / WHEEL_DELTA;
    chart.wheelRest -= notches * WHEEL_DELTA;
    // Turned away from the operator: back in time.
    scrollBy(-notches);
}

void onCommand(WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    const int index = LOWORD(wParam) - kFirstButtonId;
    if (index < 0 || index >= kButtonCount) return;
    if (index <= spanProgram) chooseSpan(index);
    else if (index == buttonNow) backToLive();
    else if (index == buttonImage) saveImage();
    else saveData();
}

LRESULT onCreate(HWND window) {
    chart.window = window;
    createButtons(window);
    layoutButtons(window);
    notePlace(window);
    viewChanged();
    return 0;
}

void onDestroy() {
    if (chart.place.right > chart.place.left) saveChartPlace(chart.place, chart.view.span);
    chart.window = nullptr;
    for (HWND& button : chart.buttons) button = nullptr;
    chart.mouseInside = chart.trackingMouse = chart.labelShown = false;
    chart.wheelRest = 0;
}

LRESULT CALLBACK chartWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return onCreate(window);
    case WM_SIZE:
        layoutButtons(window);
        notePlace(window);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_MOVE: notePlace(window); return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = POINT{kChartMinWidth, kChartMinHeight};
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: paintChartWindow(window); return 0;
    case WM_PRINTCLIENT: paintClient(window, reinterpret_cast<HDC>(wParam)); return 0;
    case WM_COMMAND: onCommand(wParam); return 0;
    case WM_MOUSEWHEEL: onWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_KEYDOWN:
        if (wParam == VK_LEFT || wParam == VK_RIGHT) {
            scrollBy(wParam == VK_LEFT ? -1 : 1);
            return 0;
        }
        break;
    case WM_MOUSEMOVE: onMouseMove(window, lParam); return 0;
    case WM_MOUSELEAVE: onMouseLeave(); return 0;
    case WM_LBUTTONDOWN: SetFocus(window); return 0;
    case WM_DESTROY: onDestroy(); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerChartClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = chartWindowProc;
    windowClass.hInstance = appInstance();
    windowClass.hIcon = programIcon();
    windowClass.hCursor = arrowCursor();
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kChartClass;
    registered = RegisterClassExA(&windowClass) != 0;
    return registered;
}

// 800 x 450 over the middle of the main window.
RECT centredOn(HWND owner) {
    constexpr int kWidth = 800;
    constexpr int kHeight = 450;
    RECT ownerRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner) GetWindowRect(owner, &ownerRect);
    const int left = (ownerRect.left + ownerRect.right - kWidth) / 2;
    const int top = (ownerRect.top + ownerRect.bottom - kHeight) / 2;
    return RECT{left, top, left + kWidth, top + kHeight};
}

}  // namespace

void openChartWindow(HWND owner) {
    if (chart.window) {
        if (IsIconic(chart.window)) ShowWindow(chart.window, SW_RESTORE);
        SetForegroundWindow(chart.window);
        return;
    }
    if (!registerChartClass()) return;
    const ChartPlace kept = loadChartPlace();
    chart.view = ChartView{};
    if (kept.spanKept && knownSpan(kept.span)) chart.view.span = kept.span;
    const RECT place = placeOnMonitor(kept.placed ? kept.rect : centredOn(owner));
    chart.place = place;
    HWND window = CreateWindowExA(0, kChartClass, kChartTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, place.left,
                                  place.top, place.right - place.left, place.bottom - place.top, owner, nullptr,
                                  appInstance(), nullptr);
    if (!window) return;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
}

void chartWindowSecond() {
    if (!chart.window) return;
    const ChartScene scene = currentScene();
    followRun(scene);
    if (!chart.view.live) return;
    // A live range only moves on with the clock, which needs no older day;
    // the whole program moves when the program is changed.
    if (chart.view.span == kWholeProgram && scene.range.from != chart.looked.from) readEarlierDays(scene);
    invalidateChart();
}

void closeChartWindow() {
    if (chart.window) DestroyWindow(chart.window);
    // The history these days went into ends with the main window.
    chart.daysRead.clear();
    chart.looked = ChartRange{0, 0};
}

void drawChart(HDC dc, const RECT& area) {
    SelectedObject font(dc, chartFont());
    drawFrame(dc, makeFrame(dc, area));
}
