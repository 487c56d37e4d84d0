#include "app/main_window.h"

#include "app/help.h"
#include "app/painting.h"
#include "control/run.h"
#include "link/connection.h"
#include "link/port_list.h"
#include "link/protocol.h"
#include "program/input_fields.h"
#include "program/stage_list.h"
#include "recording/recording.h"

namespace {

MainControls mainControls;
MainFonts mainFonts;
HBITMAP logo;
int height;

LRESULT onCreate(HWND window) {
    mainControls.window = window;
    return 0;
}

LRESULT onClose(HWND window, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, WM_CLOSE, wParam, lParam);
}

LRESULT onDestroy(HWND) {
    PostQuitMessage(0);
    return 0;
}

void onExchangeTimer(HWND window) {
    recordStep(window);
    runMinuteTick(window);
    onExchangeTick(window);
}

void onTimer(HWND window, WPARAM id) {
    switch (id) {
    case exchangeTimer: onExchangeTimer(window); break;
    case replyTimer: onReplyTimeout(window); break;
    case stageTooltipTimer: onStageTooltipTimer(window); break;
    case runTooltipTimer: onRunTooltipTimer(window); break;
    }
}

// Controls have no identifiers: a command is told apart by the sending
// control's handle. Any command from a button counts as a click.
void onCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    const HWND from = reinterpret_cast<HWND>(lParam);
    const MainControls& c = mainControls;
    if (!from) onHelpCommand(window, wParam);
    else if (from == c.connectButton) onConnectButton(window);
    else if (from == c.portCombo) onPortComboCommand(window, wParam);
    else if (from == c.addStageButton) onAddStageButton(window);
    else if (from == c.clearListButton) onClearListButton(window);
    else if (from == c.setButton) onSetButton(window);
    else if (from == c.recordButton) onRecordButton(window);
    else if (from == c.runButton) onRunButton(window);
}

void onNotify(HWND window, LPARAM lParam) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && mainControls.stageList && header->hwndFrom == mainControls.stageList) onStageListNotify(window, header);
}

}  // namespace

const MainControls& controls() { return mainControls; }
const MainFonts& fonts() { return mainFonts; }
HBITMAP logoBitmap() { return logo; }
int clientHeight() { return height; }

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE: onHelpMouseMove(window, lParam); return 0;
    case WM_LBUTTONDOWN: onHelpClick(window, lParam); return 0;
    case WM_TIMER: onTimer(window, wParam); return 0;
    case ReplyArrived: onReplyArrived(window); return 0;
    case WM_PAINT: return paintMainWindow(window);
    case ValueKey: onValueKey(window, wParam); return 0;
    case FieldKey: onFieldKey(window, wParam, lParam); return 0;
    case WM_COMMAND: onCommand(window, wParam, lParam); return 0;
    case WM_NOTIFY: onNotify(window, lParam); return 0;
    case WM_CREATE: return onCreate(window);
    case WM_DESTROY: return onDestroy(window);
    case WM_CLOSE: return onClose(window, wParam, lParam);
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
