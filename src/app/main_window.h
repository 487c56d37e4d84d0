// The main window: its controls, fonts and bitmap, and the window procedure
// that hands every message to the module that owns it. The window composes
// the reactions: what the controls, the run and the recording do when the
// link reports. The link, the run and the recording never include this header.
#pragma once

#include <windows.h>

// The private messages and timers it handles are declared by their senders
// and owners: ReplyArrived (link/serial_port.h), ValueKey and FieldKey
// (program/input_fields.h), exchangeTimer and replyTimer (link/protocol.h),
// stageTooltipTimer (program/stage_list.h), runTooltipTimer (control/run.h).

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
