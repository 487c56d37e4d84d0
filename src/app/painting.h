// Everything the main window draws itself: panel frames, captions and units,
// the readout of the measured temperature, the column captions above the stage
// list, the stage entry row, the maker's name and the logo.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/main_window.h"
#include "link/protocol.h"

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
    bool running;                 // runFlag set
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

// Scoped holders for device contexts and GDI objects, so that every object
// made or selected during a paint is released on every path.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() {
        if (object_) DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ get() const { return object_; }
    HBRUSH brush() const { return static_cast<HBRUSH>(object_); }

private:
    HGDIOBJ object_;
};

// Selects an object into a DC and puts the previous one back. A null object is
// not selected (a window whose fonts were not made keeps the DC's own).
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() { restore(); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    void restore() {
        if (previous_) SelectObject(dc_, previous_);
        previous_ = nullptr;
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDC() { EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};
