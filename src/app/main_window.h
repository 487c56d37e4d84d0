// The main window: its controls, fonts and bitmap, and the window procedure
// that hands every message to the module that owns it.
#pragma once

#include <windows.h>

// Private messages of the main window.
constexpr UINT ReplyArrived = WM_USER + 100;  // from the receive thread
constexpr UINT ValueKey = WM_USER + 101;      // from the two temperature fields
constexpr UINT FieldKey = WM_USER + 102;      // from the seven two-digit fields

// Timers of the main window.
constexpr UINT_PTR exchangeTimer = 1000;    // 500 ms exchange cycle
constexpr UINT_PTR replyTimer = 1001;       // 1 s reply time-out
constexpr UINT_PTR stageTooltipTimer = 1002;
constexpr UINT_PTR runTooltipTimer = 1003;

struct MainControls {
    HWND window;
    HWND portCombo;
    HWND connectButton;
    HWND setpointEdit;
    HWND setButton;
    HWND recordButton;
    HWND runButton;
    HWND stageList;
    HWND stageTempEdit;
    HWND startDayEdit;
    HWND startMonthEdit;
    HWND startYearEdit;
    HWND startHourEdit;
    HWND startMinuteEdit;
    HWND holdHoursEdit;
    HWND holdMinutesEdit;
    HWND addStageButton;
    HWND clearListButton;
    HWND toolTip;
};

struct MainFonts {
    HFONT captionFont;
    HFONT boldFont;
    HFONT readoutFont;
    HFONT unitFont;
    HFONT brandFont;
    HFONT helpFont;
};

const MainControls& controls();
const MainFonts& fonts();
HBITMAP logoBitmap();
// Client-area height read during WM_CREATE.
int clientHeight();

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
