// The chart window, "График температуры": the measured and the maintained
// temperature of the journal over a chosen span, the run's program ahead of
// now, the events, and the values under the mouse. Not modal, owned by the
// main window; its place and span are kept in chart.ini (chart_place.h).
#pragma once

#include <windows.h>

// Opens the chart (or brings it forward), owned by the main window.
void openChartWindow(HWND owner);
// Each second, from the main window's exchange tick: redraw if live.
void chartWindowSecond();
// At exit: keeps place and span, destroys the window.
void closeChartWindow();

// Draws the present view, axes, series and legend into area of any device
// context; the window's painting and the saved picture both use it.
void drawChart(HDC dc, const RECT& area);
