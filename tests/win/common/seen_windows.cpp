#include "seen_windows.h"

#include <cstring>

namespace {

struct WindowSearch {
    DWORD processId;
    const char* windowClass;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    if (search->windowClass[0] && className(window) != search->windowClass) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

std::string windowText(HWND window) {
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return text;
}

std::string className(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string boxText(HWND box) {
    std::string longest;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (className(child) != "Static") continue;
        std::string text = windowText(child);
        if (text.size() > longest.size()) longest = text;
    }
    return longest;
}

HWND findVisibleWindow(DWORD processId, const char* windowClass) {
    WindowSearch search{processId, windowClass, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
