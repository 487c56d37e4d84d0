// drive-quellor.exe: drives a running quellor.exe from outside, for the
// pictures of the operator's guide (scripts/guide-pictures.sh) and the tests
// of the installed program (scripts/test-release.sh). It runs in the same
// Wine prefix and does only what an operator would: it presses buttons,
// double-clicks a row, picks a menu item, closes a window; it tells where a
// window is on the screen so that a script can cut it out of a screenshot,
// and it reads what a message box or a shortcut says.
//
//   drive-quellor rect TITLE [TITLE...]     screen rectangle around these
//                                          top-level windows: "x y w h"
//   drive-quellor wait TITLE SECONDS        until a top-level window shows
//   drive-quellor click TEXT                presses the main window's button
//                                          with this caption (enabled only)
//   drive-quellor wait-control TEXT SECONDS until a visible control of the
//                                          main window has this caption
//   drive-quellor wait-hidden TEXT SECONDS  until that control is hidden
//   drive-quellor dblclick-row ROW          double-clicks row ROW (from 0) of
//                                          the stage list
//   drive-quellor close TITLE               closes a top-level window
//   drive-quellor menu ID                   the main window's menu command ID,
//                                          as choosing the item sends it
//   drive-quellor box-text SECONDS          waits for a message box and
//                                          prints its text
//   drive-quellor shortcut FILE.lnk         prints the shortcut's target and
//                                          working folder, one a line
//   drive-quellor note FILE TEXT            writes TEXT to FILE (a stand-in
//                                          document viewer for the tests)
//
// Exit status 0 when done, 1 when the window, the control or the state did
// not come, 2 on a usage error. Texts are compared whole.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t kMainTitle[] = L"Управление термостатом КРМ-Д";

// Output in UTF-8, the scripts' encoding; the C runtime's wide output would
// drop every letter outside its "C" locale.
void printLine(const std::wstring& text, FILE* out = stdout) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    bytes += '\n';
    fwrite(bytes.data(), 1, bytes.size(), out);
    fflush(out);
}

std::wstring textOf(HWND window) {
    wchar_t text[256] = {};
    // WM_GETTEXT is marshalled between processes; GetWindowText of a
    // control in another process would not ask the control.
    SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return text;
}

struct TopSearch {
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK visitTop(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TopSearch*>(param);
    if (!IsWindowVisible(window)) return TRUE;
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (wcscmp(text, search->title) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

HWND topWindow(const wchar_t* title) {
    TopSearch search{title, nullptr};
    EnumWindows(visitTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ControlSearch {
    const wchar_t* text;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK visitControl(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    if (search->className) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (wcscmp(name, search->className) == 0) search->found = window;
    } else if (textOf(window) == search->text) {
        search->found = window;
    }
    return search->found ? FALSE : TRUE;
}

HWND control(const wchar_t* text, const wchar_t* className = nullptr) {
    HWND main = topWindow(kMainTitle);
    if (!main) return nullptr;
    ControlSearch search{text, className, nullptr};
    EnumChildWindows(main, visitControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls every 100 ms until done() or the deadline; polling is all an outside
// process can do here.
template <typename Done>
bool waitFor(double seconds, Done done) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        if (done()) return true;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return false;
        Sleep(100);
    }
}

int printRect(const std::vector<const wchar_t*>& titles) {
    RECT all{};
    bool any = false;
    for (const wchar_t* title : titles) {
        HWND window = topWindow(title);
        if (!window) {
            printLine(std::wstring(L"no window \"") + title + L"\"", stderr);
            return 1;
        }
        RECT r;
        GetWindowRect(window, &r);
        if (!any) all = r;
        UnionRect(&all, &all, &r);
        any = true;
    }
    printLine(std::to_wstring(all.left) + L" " + std::to_wstring(all.top) + L" " +
              std::to_wstring(all.right - all.left) + L" " + std::to_wstring(all.bottom - all.top));
    return 0;
}

int doubleClickRow(int row) {
    HWND list = control(nullptr, L"SysListView32");
    if (!list) return 1;
    RECT client;
    GetClientRect(list, &client);
    const LRESULT perPage = SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0);
    if (perPage <= 0) return 1;
    const int rowHeight = (client.bottom - client.top) / static_cast<int>(perPage);
    const LPARAM point = MAKELPARAM(60, row * rowHeight + rowHeight / 2);
    // The order a real double-click brings: down, up, double-click, up.
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
    return 0;
}

// A message box: a visible dialog of the standard class; its text is the
// longest of its static controls (the icon is a static without text).
BOOL CALLBACK visitBox(HWND window, LPARAM param) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    std::wstring longest;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        GetClassNameW(child, name, 16);
        if (wcscmp(name, L"Static") != 0) continue;
        std::wstring text = textOf(child);
        if (text.size() > longest.size()) longest = text;
    }
    if (longest.empty()) return TRUE;
    *reinterpret_cast<std::wstring*>(param) = longest;
    return FALSE;
}

int printBoxText(double seconds) {
    std::wstring text;
    if (!waitFor(seconds, [&] {
            EnumWindows(visitBox, reinterpret_cast<LPARAM>(&text));
            return !text.empty();
        }))
        return 1;
    // The program's boxes break lines with "\n\r"; one line a line here.
    std::wstring out;
    for (wchar_t c : text)
        if (c != L'\r') out += c;
    printLine(out);
    return 0;
}

int printShortcut(const wchar_t* file) {
    CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    IPersistFile* persist = nullptr;
    int status = 1;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(file, STGM_READ))) {
        wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
        link->GetPath(target, MAX_PATH, nullptr, 0);
        link->GetWorkingDirectory(folder, MAX_PATH);
        printLine(target);
        printLine(folder);
        status = 0;
    }
    if (persist) persist->Release();
    if (link) link->Release();
    CoUninitialize();
    return status;
}

int note(const wchar_t* file, const wchar_t* text) {
    FILE* out = _wfopen(file, L"wb");
    if (!out) return 1;
    printLine(text, out);
    fclose(out);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring command = argv[1];
    const wchar_t* what = argv[2];
    const double seconds = argc > 3 ? _wtof(argv[3]) : 0;

    if (command == L"rect") return printRect(std::vector<const wchar_t*>(argv + 2, argv + argc));
    if (command == L"wait") return waitFor(seconds, [&] { return topWindow(what) != nullptr; }) ? 0 : 1;
    if (command == L"close") {
        HWND window = topWindow(what);
        if (!window) return 1;
        PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (command == L"click") {
        HWND button = control(what);
        if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) return 1;
        PostMessageW(button, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == L"wait-control")
        return waitFor(seconds, [&] {
                   HWND c = control(what);
                   return c && IsWindowVisible(c);
               })
                   ? 0
                   : 1;
    if (command == L"wait-hidden")
        return waitFor(seconds, [&] {
                   HWND c = control(what);
                   return c && !IsWindowVisible(c);
               })
                   ? 0
                   : 1;
    if (command == L"dblclick-row") return doubleClickRow(_wtoi(what));
    if (command == L"menu") {
        HWND main = topWindow(kMainTitle);
        if (!main) return 1;
        PostMessageW(main, WM_COMMAND, _wtoi(what), 0);
        return 0;
    }
    if (command == L"box-text") return printBoxText(_wtof(what));
    if (command == L"shortcut") return printShortcut(what);
    if (command == L"note" && argc > 3) return note(what, argv[3]);
    return 2;
}
