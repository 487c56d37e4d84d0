// Placeholder until the window's painting is built.
#include "app/painting.h"

LRESULT paintMainWindow(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    return 0;
}
void redrawStageNumber(HWND) {}
void redrawStageStart(HWND) {}
