// Where the chart window stands and which span it shows, kept between runs
// of the program in "<application data>\KRMD\chart.ini", section [chart]:
// left, top, width and height of the window, span in seconds (0: the whole
// program of the run).
#pragma once

#include <windows.h>

#include <cstdint>

struct ChartPlace {
    bool placed = false;  // the file held a whole rectangle
    RECT rect{};          // screen coordinates, the frame included
    bool spanKept = false;
    std::int64_t span = 0;
};

// What the file holds; nothing when there is no file or it cannot be read.
ChartPlace loadChartPlace();
// Writes the rectangle and the span; a folder or file that cannot be written
// loses only the place.
void saveChartPlace(const RECT& rect, std::int64_t span);

// The smallest size the chart window takes.
constexpr int kChartMinWidth = 480;
constexpr int kChartMinHeight = 300;

// The rectangle moved and shrunk, no smaller than the minimum, into the work
// area of the monitor nearest to it, so that a window kept on a monitor since
// removed comes back where it can be seen.
RECT placeOnMonitor(RECT wanted);
