#include "seen_windows.h"

namespace {

struct WindowSearch {
    DWORD processId;
    const char* windowClass;
    bool boxOnly;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search->processId && owner != search->processId) || !IsWindowVisible(window)) return TRUE;
    if (search->windowClass[0] && className(window) != search->windowClass) return TRUE;
    if (search->boxOnly && !isBox(window)) return TRUE;
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

namespace {

struct TextSearch {
    const std::string& text;
    HWND found;
};

// A named callback: a lambda does not convert to the stdcall WNDENUMPROC of
// the 32-bit build.
BOOL CALLBACK matchText(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<TextSearch*>(data);
    if (windowText(child) != search->text) return TRUE;
    search->found = child;
    return FALSE;
}

}  // namespace

HWND childWithText(HWND parent, const std::string& text) {
    TextSearch search{text, nullptr};
    EnumChildWindows(parent, matchText, reinterpret_cast<LPARAM>(&search));
    return search.found;
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
    WindowSearch search{processId, windowClass, false, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool isBox(HWND window) {
    return IsWindowVisible(window) && className(window) == "#32770" && !boxText(window).empty();
}

HWND findBox(DWORD processId) {
    WindowSearch search{processId, "#32770", true, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Box readBox(HWND window) {
    Box box;
    box.window = window;
    box.caption = windowText(window);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        const std::string kind = className(child);
        if (kind == "Static") {
            if ((style & SS_TYPEMASK) == SS_ICON && SendMessageA(child, STM_GETICON, 0, 0)) box.hasIcon = true;
            std::string text = windowText(child);
            if (text.size() > box.text.size()) box.text = text;
        } else if (kind == "Button" && IsWindowVisible(child)) {
            box.buttons.push_back(GetDlgCtrlID(child));
            if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) box.defaultButton = GetDlgCtrlID(child);
        }
    }
    return box;
}

void pressButton(HWND box, int id) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}
