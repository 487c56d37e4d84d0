#include "app/startup.h"

#include <commctrl.h>

#include "app/main_window.h"
#include "resources/resource.h"

const char kMainWindowClass[] = "termostat";
const char kMainWindowTitle[] = "Управление термостатом КРМ-Д";

namespace {

constexpr int kWindowWidth = 510;
constexpr int kWindowHeight = 350;

HINSTANCE instance;
char startFolder[MAX_PATH + 1];
HCURSOR arrow;
HCURSOR hand;
HICON icon;

}  // namespace

void initAppShell(HINSTANCE module) {
    instance = module;
    GetCurrentDirectoryA(sizeof startFolder, startFolder);
    InitCommonControls();
    arrow = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    hand = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
    icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM));

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = arrow;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassExA(&windowClass);
}

HWND createMainWindow() {
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
    return CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                           kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
}

HINSTANCE appInstance() { return instance; }
const char* startupFolder() { return startFolder; }
HCURSOR arrowCursor() { return arrow; }
HCURSOR handCursor() { return hand; }
HICON programIcon() { return icon; }
