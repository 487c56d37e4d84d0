// The main window's controls, fonts and bitmap, as the window made them. The
// window (main_window.cpp) alone writes them; its seat, painting, the help
// area and About read them here.
#pragma once

#include <windows.h>

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

// The window's own access, while it makes and releases them.
MainControls& windowControls();
MainFonts& windowFonts();
void setLogoBitmap(HBITMAP logo);
void setClientHeight(int height);
