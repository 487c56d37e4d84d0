// The chart with a week of readings: the program's main window and chart
// window in one process, the journal's history filled with seven days of one
// reading a second ending at the test clock's now, the span chosen with the
// chart's own buttons. Prints the process's private bytes with the history
// empty, filled and with the chart open on 7 days; the time of one drawing
// of the chart into a 1000 x 500 memory bitmap (24 h and 7 days), and of one
// WM_PAINT of the chart window sized to a 1000 x 500 client area. Figures
// only: it fails on none of them.
//
//   chart_bench.exe                  the figures above
//   chart_bench.exe open-chart [span caption]
//       for the cadence benchmark: opens the chart of a quellor.exe running
//       in the same prefix through its system menu and presses the span's
//       button ("24 ч" by default); exit code 0 when the span is shown.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "chart_window.h"
#include "harness.h"
#include "journal/journal.h"
#include "journal/journal_history.h"
#include "settings/settings.h"
#include "window_support.h"

namespace {

constexpr char kMainTitle[] = "Управление термостатом КРМ-Д";
constexpr char kChartTitle[] = "График температуры";
constexpr char kDayCaption[] = "24 ч";
constexpr char kWeekCaption[] = "7 дней";
constexpr UINT kChartCommand = 0x0110;  // the chart's item in the main window's system menu

constexpr std::int64_t kWeekSeconds = 7 * 86400;
constexpr int kWidth = 1000;
constexpr int kHeight = 500;

double megabytes(std::int64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// The process's private bytes. Wine (8.0 here) leaves PrivateUsage empty and gives the
// same figure as PagefileUsage, which on Windows is the commit charge too;
// under Wine it counts the private pages touched (resident or swapped), not
// those merely committed.
std::int64_t privateBytes() {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                              sizeof memory))
        return -1;
    const SIZE_T bytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
    return static_cast<std::int64_t>(bytes);
}

double frequency() {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
}

LONGLONG counter() {
    LARGE_INTEGER c{};
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

void printTimes(const char* what, std::vector<double> ms) {
    if (ms.empty()) {
        std::printf("%s: not timed\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    const double median = n % 2 == 1 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    std::printf("%s: %zu times, median %.2f ms, min %.2f ms, max %.2f ms\n", what, n, median, ms.front(),
                ms.back());
}

// ---- A week of the journal ---------------------------------------------------

struct Week {
    long readings = 0;
    long events = 0;
};

// Seven days ending at now, as the program journals them live: the bath
// follows the maintained temperature with a time constant of ten minutes,
// wobbles by 0.3 degC every seven minutes and is noisy by a tenth; the
// maintained value steps five times (three stages of a run among them);
// the link is lost three times, for 15 min, 2 h and 90 s.
Week fillWeek(std::int64_t now, int offsetMinutes) {
    struct Gap {
        std::int64_t from, seconds;
    };
    const std::int64_t start = now - kWeekSeconds + 1;
    const Gap gaps[] = {{start + 86400 + 3600, 15 * 60}, {start + 3 * 86400 + 7200, 2 * 3600},
                        {start + 5 * 86400 + 600, 90}};
    struct Step {
        std::int64_t at;
        std::int16_t tenths;
        int stage;
    };
    const Step steps[] = {{start + 60, 250, 0},
                          {start + 2 * 86400, 370, 1},
                          {start + 4 * 86400, 500, 2},
                          {start + 4 * 86400 + 43200, 420, 3},
                          {start + 6 * 86400, 200, 0}};

    JournalHistory& history = journalHistory();
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-1, 1);
    Week week;
    JournalLine line;
    line.offsetMinutes = offsetMinutes;
    const auto event = [&](std::int64_t at, const std::string& text) {
        JournalLine e;
        e.universalSeconds = at;
        e.offsetMinutes = offsetMinutes;
        e.event = text;
        addLiveLine(history, e);
        ++week.events;
    };

    event(start, "запуск программы");
    event(start, "подключение к порту COM1");
    double bath = 200;
    std::int16_t maintained = 200;
    int stage = 0;
    std::size_t nextStep = 0;
    for (std::int64_t t = start; t <= now; ++t) {
        bool inGap = false;
        for (const Gap& gap : gaps) {
            if (t == gap.from) event(t, "связь потеряна");
            if (t == gap.from + gap.seconds) event(t, "связь восстановлена");
            inGap = inGap || (t >= gap.from && t < gap.from + gap.seconds);
        }
        if (nextStep < std::size(steps) && t == steps[nextStep].at) {
            const Step& s = steps[nextStep++];
            if (s.stage == 1) event(t, "программа этапов запущена");
            if (s.stage == 0 && stage > 0) event(t, "программа этапов выполнена");
            char text[128];
            if (s.stage > 0) {
                std::snprintf(text, sizeof text, "отправлен этап %d: %d,%d °C", s.stage, s.tenths / 10, s.tenths % 10);
                event(t, text);
            }
            std::snprintf(text, sizeof text, "отправлена команда установки температуры: было %d,%d °C, стало %d,%d °C",
                          maintained / 10, maintained % 10, s.tenths / 10, s.tenths % 10);
            event(t, text);
            maintained = s.tenths;
            stage = s.stage;
        }
        bath += (maintained - bath) / 600.0;
        if (inGap) continue;
        const double wobble = 3.0 * std::sin(static_cast<double>(t - start) * 2.0 * 3.14159265358979 / 420.0);
        line.universalSeconds = t;
        line.hasMeasured = true;
        line.measuredTenths = static_cast<std::int16_t>(std::lround(bath + wobble) + noise(random));
        line.hasMaintained = true;
        line.maintainedTenths = maintained;
        line.stage = stage;
        addLiveLine(history, line);
        ++week.readings;
    }
    return week;
}

// ---- The chart window through its own controls ------------------------------


// Presses the span's button; true when the chart then shows it (its button
// stays pressed in).
bool chooseSpan(HWND chart, const char* caption) {
    HWND button = childWithText(chart, caption);
    if (!button) {
        std::printf("no button \"%s\" in the chart window\n", caption);
        return false;
    }
    SendMessageA(button, BM_CLICK, 0, 0);
    drainMessages();
    const bool shown = SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (!shown) std::printf("the chart did not take the span \"%s\"\n", caption);
    return shown;
}

// The lowest edge of the chart window's buttons, in its client area.
BOOL CALLBACK lowerEdge(HWND child, LPARAM data) {
    RECT rect{};
    GetWindowRect(child, &rect);
    POINT corner{rect.left, rect.bottom};
    ScreenToClient(GetParent(child), &corner);
    LONG& bottom = *reinterpret_cast<LONG*>(data);
    bottom = std::max(bottom, corner.y);
    return TRUE;
}

LONG buttonsBottom(HWND chart) {
    LONG bottom = 0;
    EnumChildWindows(chart, lowerEdge, reinterpret_cast<LPARAM>(&bottom));
    return bottom;
}

// The chart window's paintings, counted by a procedure put in front of its own.
WNDPROC chartProc = nullptr;
long paints = 0;

LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) ++paints;
    return CallWindowProcA(chartProc, window, message, wParam, lParam);
}

// The pixels of the measured series' colour in a drawing: a chart that drew
// no readings would be timed for nothing.
long seriesPixels(HDC dc, HBITMAP bitmap) {
    BITMAPINFO info = topDownBitmap(kWidth, kHeight);
    std::vector<std::uint32_t> bits(static_cast<std::size_t>(kWidth) * kHeight);
    if (GetDIBits(dc, bitmap, 0, kHeight, bits.data(), &info, DIB_RGB_COLORS) != kHeight) return -1;
    const std::uint32_t measured = 0x00005AC8;  // RGB(0, 90, 200) as the bitmap stores it, blue lowest
    return static_cast<long>(
        std::count_if(bits.begin(), bits.end(), [&](std::uint32_t p) { return (p & 0xFFFFFF) == measured; }));
}

// One drawing of the present view into a memory bitmap, as many times as asked.
std::vector<double> timeDrawing(int runs) {
    std::vector<double> ms;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    ReleaseDC(nullptr, screen);
    if (!memory || !bitmap) {
        std::printf("no %d x %d memory bitmap\n", kWidth, kHeight);
        if (memory) DeleteDC(memory);
        if (bitmap) DeleteObject(bitmap);
        return ms;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    const RECT area{0, 0, kWidth, kHeight};
    const double f = frequency();
    drawChart(memory, area);  // the first one warms the fonts' caches
    GdiFlush();
    for (int i = 0; i < runs; ++i) {
        const LONGLONG before = counter();
        drawChart(memory, area);
        GdiFlush();
        ms.push_back(static_cast<double>(counter() - before) * 1000.0 / f);
    }
    SelectObject(memory, old);
    std::printf("  the drawing holds %ld pixels of the measured series\n", seriesPixels(memory, bitmap));
    DeleteObject(bitmap);
    DeleteDC(memory);
    return ms;
}

// The chart window sized to the client area asked for; gives the one it got.
RECT sizeClient(HWND chart, int width, int height) {
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(chart, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(chart, GWL_EXSTYLE)));
    SetWindowPos(chart, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    pumpMessages(300);
    RECT client{};
    GetClientRect(chart, &client);
    return client;
}

std::vector<double> timePainting(HWND chart, int runs) {
    std::vector<double> ms;
    const double f = frequency();
    const long before = paints;
    for (int i = 0; i < runs; ++i) {
        drainMessages();
        const LONGLONG start = counter();
        RedrawWindow(chart, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
        GdiFlush();
        ms.push_back(static_cast<double>(counter() - start) * 1000.0 / f);
    }
    std::printf("WM_PAINT seen %ld times for %d redraws\n", paints - before, runs);
    return ms;
}

int figures() {
    useSettingsFile(SettingsBytes{}.bytes());
    SerialPortsOverride ports{twoPorts()};
    const HWND main = openMainWindow();
    if (!main) {
        std::printf("the main window did not open\n");
        return 0;
    }
    // The history as a program started a week ago holds it: its own start
    // a week back, not this one's.
    resetJournal();
    pumpMessages(500);
    const std::int64_t now = journalNow();
    const int offset = journalOffsetNow();

    const std::int64_t empty = privateBytes();
    const Week week = fillWeek(now, offset);
    const JournalHistory& history = journalHistory();
    pumpMessages(500);
    const std::int64_t filled = privateBytes();
    std::printf("history: %ld readings, %ld events, %zu of %zu reading places used (%.1f MB of them)\n",
                week.readings, week.events, history.samples.size(), history.samples.capacity(),
                megabytes(static_cast<std::int64_t>(history.samples.capacity() * sizeof(JournalSample))));

    SendMessageA(main, WM_SYSCOMMAND, kChartCommand, 0);
    HWND chart = FindWindowA(nullptr, kChartTitle);
    if (!chart) {
        std::printf("the chart window did not open\n");
        closeMainWindow(main);
        return 0;
    }
    chartProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(chart, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingProc)));
    const bool week7 = chooseSpan(chart, kWeekCaption);
    const long paintsBefore = paints;
    pumpMessages(3000);
    const std::int64_t open = privateBytes();
    std::printf("chart painted %ld times in 3 s on %s\n", paints - paintsBefore, week7 ? "7 days" : "its first span");
    if (empty < 0 || filled < 0 || open < 0) {
        std::printf("memory: not measured (GetProcessMemoryInfo failed)\n");
    } else {
        std::printf("private bytes: %.1f MB empty, %.1f MB with the week, %.1f MB with the chart open\n",
                    megabytes(empty), megabytes(filled), megabytes(open));
        std::printf("memory: history of 7 days %+.1f MB, chart open on 7 days %+.1f MB\n",
                    megabytes(filled - empty), megabytes(open - filled));
    }

    if (week7) printTimes("drawChart 1000 x 500, 7 days", timeDrawing(20));
    if (chooseSpan(chart, kDayCaption)) {
        printTimes("drawChart 1000 x 500, 24 h", timeDrawing(50));
        const RECT client = sizeClient(chart, kWidth, kHeight);
        std::printf("chart window client area %ld x %ld, the chart below the buttons' row from y = %ld\n",
                    client.right, client.bottom, buttonsBottom(chart));
        printTimes("WM_PAINT of the chart window, 24 h", timePainting(chart, 20));
    }
    std::fflush(stdout);

    closeChartWindow();
    closeMainWindow(main);
    closeSettings();
    return 0;
}

// ---- Opening the chart of the running program --------------------------------

template <typename Condition>
bool waitFor(Condition condition, DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    while (!condition()) {
        if (static_cast<int>(until - GetTickCount()) <= 0) return false;
        Sleep(50);
    }
    return true;
}

int openChartOfProgram(const char* caption) {
    HWND main = nullptr;
    if (!waitFor([&] { return (main = FindWindowA(nullptr, kMainTitle)) != nullptr; }, 30000)) {
        std::printf("no window \"%s\"\n", kMainTitle);
        return 1;
    }
    PostMessageA(main, WM_SYSCOMMAND, kChartCommand, 0);
    HWND chart = nullptr;
    if (!waitFor([&] { return (chart = FindWindowA(nullptr, kChartTitle)) != nullptr; }, 10000)) {
        std::printf("the chart window did not open\n");
        return 1;
    }
    HWND button = nullptr;
    if (!waitFor([&] { return (button = childWithText(chart, caption)) != nullptr; }, 10000)) {
        std::printf("no button \"%s\" in the chart window\n", caption);
        return 1;
    }
    PostMessageA(button, BM_CLICK, 0, 0);
    if (!waitFor([&] { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 10000)) {
        std::printf("the chart did not take the span \"%s\"\n", caption);
        return 1;
    }
    std::printf("chart open, its span button pressed in\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "open-chart") == 0)
        return openChartOfProgram(argc > 2 ? argv[2] : kDayCaption);
    return figures();
}
