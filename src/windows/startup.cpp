#include "startup.h"

#include <commctrl.h>

#include "resource.h"

namespace {

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
}

HINSTANCE appInstance() { return instance; }
const char* startupFolder() { return startFolder; }
HCURSOR arrowCursor() { return arrow; }
HCURSOR handCursor() { return hand; }
HICON programIcon() { return icon; }
