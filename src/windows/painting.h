// Everything the main window draws itself: panel frames, captions and units,
// the readout of the measured temperature, the column captions above the stage
// list, the stage entry row, the maker's name and the logo.
#pragma once

#include <windows.h>

#include <cstdint>

#include "controls.h"
#include "link/link_state.h"
#include "scoped_handles.h"

// Areas that other modules invalidate.
constexpr RECT linkPanelRect = {12, 12, 128, 108};
constexpr RECT readoutRect = {20, 57, 120, 95};
constexpr RECT setpointBoxRect = {44, 165, 95, 185};
constexpr RECT startMomentStripRect = {338, 27, 474, 49};
constexpr RECT stageNumberBoxRect = {158, 243, 196, 260};
constexpr RECT stageStartDateRect = {338, 243, 406, 260};
constexpr RECT stageStartTimeRect = {408, 243, 457, 260};

// What the window shows depends on these values of other modules only; they
// are gathered once per paint so that the drawing itself can be exercised for
// every state on any device context.
struct PaintState {
    LinkState link;
    std::int16_t measuredTenths;  // tenths of degC, shown only while linkUp
    bool setpointLocked;
    bool runShown;                // the running view is shown
    unsigned long stageNumber;    // entryStageIndex + 1
    const char* stageStartDate;   // "dd.mm.yy"
    const char* stageStartTime;   // "hh:mm"
};

// The fonts, logo and client height the drawing uses.
struct PaintTools {
    MainFonts fonts;
    HBITMAP logo;
    int clientHeight;
};

PaintState currentPaintState();
PaintTools currentPaintTools();

// The whole window as WM_PAINT draws it, onto dc.
void paintWindowContents(HDC dc, const PaintState& state, const PaintTools& tools);
// The stage number box, filled and drawn.
void paintStageNumber(HDC dc, HFONT boldFont, unsigned long number);
// The stage start date and time boxes, filled and drawn.
void paintStageStart(HDC dc, HFONT boldFont, const char* date, const char* time);

LRESULT paintMainWindow(HWND window);
void redrawStageNumber(HWND window);
void redrawStageStart(HWND window);
