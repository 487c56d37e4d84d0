#include "app/main_window.h"

namespace {

MainControls mainControls;
MainFonts mainFonts;
HBITMAP logo;
int height;

}  // namespace

const MainControls& controls() { return mainControls; }
const MainFonts& fonts() { return mainFonts; }
HBITMAP logoBitmap() { return logo; }
int clientHeight() { return height; }

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        mainControls.window = window;
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
