// drive-quellor.exe: drives a running quellor.exe from outside, for the
// pictures of the operator's guide (scripts/guide-pictures.sh) and the tests
// of the installed program (scripts/test-release.sh); built with the tests of
// each Windows tree. It runs in the same
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
//   drive-quellor sysmenu ID                the main window's system-menu
//                                          command ID (decimal or 0x...), as
//                                          choosing the item sends it
//   drive-quellor pointer X Y               moves the mouse pointer to that
//                                          point of the screen
//   drive-quellor box-text SECONDS          waits for a message box and
//                                          prints its text
//   drive-quellor shortcut FILE.lnk         prints the shortcut's target and
//                                          working folder, one a line
//   drive-quellor note FILE TEXT            writes TEXT to FILE (a stand-in
//                                          document viewer for the tests)
//   drive-quellor press TITLE TEXT SECONDS  waits for a visible, enabled
//                                          button with this caption ("&"
//                                          left out) in the top-level window
//                                          TITLE, and presses it
//   drive-quellor parent EXE                the name of the process that
//                                          started the running EXE, "none"
//                                          when it has ended
//   drive-quellor wait-process EXE SECONDS  until a process of that name
//                                          runs (a trailing "*" matches any
//                                          end), on any desktop
//   drive-quellor wait-gone EXE SECONDS     until none runs
//   drive-quellor version FILE              the file's version resource:
//                                          product, product version, file
//                                          version, company, description
//   drive-quellor run COMMAND-LINE          runs the command line exactly as
//                                          given (Wine would quote an
//                                          argument such as the unquoted
//                                          "_?=C:\Program Files\..." of an
//                                          uninstaller), with this helper's
//                                          standard handles; its exit code
//
// Exit status 0 when done, 1 when the window, the control or the state did
// not come, 2 on a usage error. Texts are compared whole.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "seen_windows.h"
#include "wait.h"

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
    // The installer's pages add a blank to its title.
    size_t length = wcslen(text);
    while (length > 0 && text[length - 1] == L' ') text[--length] = L'\0';
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

template <typename Done>
bool waitSeconds(double seconds, Done done) {
    return waitFor(done, static_cast<DWORD>(seconds * 1000));
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

int printBoxText(double seconds) {
    HWND box = nullptr;
    if (!waitSeconds(seconds, [&] { return (box = findBox(0)) != nullptr; })) return 1;
    const std::string text = readBox(box).text;
    // The program's texts are in the system's code page; its boxes break
    // lines with "\n\r", one line a line here.
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    std::wstring out;
    for (wchar_t c : wide)
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

// A button of a top-level window, by its caption without the "&" of its
// access key: the installer's "&Далее >" is "Далее >" here.
struct ButtonSearch {
    std::wstring text;
    HWND found;
};

BOOL CALLBACK visitButton(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ButtonSearch*>(param);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (_wcsicmp(name, L"Button") != 0 || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    std::wstring caption;
    for (wchar_t c : textOf(window))
        if (c != L'&') caption += c;
    if (caption != search->text) return TRUE;
    search->found = window;
    return FALSE;
}

int pressButtonByCaption(const wchar_t* title, const wchar_t* text, double seconds) {
    ButtonSearch search{text, nullptr};
    if (!waitSeconds(seconds, [&] {
            HWND top = topWindow(title);
            if (top) EnumChildWindows(top, visitButton, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        }))
        return 1;
    // What a click ends in: the button's notification to its owner. A
    // posted BM_CLICK is lost when the button's window is not the active one.
    pressButton(GetParent(search.found), GetDlgCtrlID(search.found));
    return 0;
}

// Calls visit(entry) for each running process until it returns false.
template <typename Visit>
void eachProcess(Visit visit) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && visit(entry); more = Process32NextW(snapshot, &entry)) {
    }
    CloseHandle(snapshot);
}

bool nameMatches(const wchar_t* name, const std::wstring& pattern) {
    if (!pattern.empty() && pattern.back() == L'*')
        return _wcsnicmp(name, pattern.c_str(), pattern.size() - 1) == 0;
    return _wcsicmp(name, pattern.c_str()) == 0;
}

int printParent(const wchar_t* exe) {
    DWORD parent = 0;
    bool running = false;
    eachProcess([&](const PROCESSENTRY32W& e) {
        if (!nameMatches(e.szExeFile, exe)) return true;
        parent = e.th32ParentProcessID;
        running = true;
        return false;
    });
    if (!running) return 1;
    std::wstring name = L"none";
    eachProcess([&](const PROCESSENTRY32W& e) {
        if (e.th32ProcessID != parent) return true;
        name = e.szExeFile;
        return false;
    });
    printLine(name);
    return 0;
}

bool processRuns(const wchar_t* exe) {
    bool running = false;
    eachProcess([&](const PROCESSENTRY32W& e) {
        running = nameMatches(e.szExeFile, exe);
        return !running;
    });
    return running;
}

int printVersion(const wchar_t* file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    if (size == 0) return 1;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(file, 0, size, data.data())) return 1;
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof *translation)
        return 1;
    for (const wchar_t* key : {L"ProductName", L"ProductVersion", L"FileVersion", L"CompanyName", L"FileDescription"}) {
        wchar_t path[96];
        swprintf(path, 96, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language, translation->codePage, key);
        wchar_t* value = nullptr;
        printLine(VerQueryValueW(data.data(), path, reinterpret_cast<void**>(&value), &length) && value ? value : L"");
    }
    return 0;
}

int runCommandLine(const wchar_t* commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return 255;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring command = argv[1];
    const wchar_t* what = argv[2];
    const double seconds = argc > 3 ? _wtof(argv[3]) : 0;

    if (command == L"rect") return printRect(std::vector<const wchar_t*>(argv + 2, argv + argc));
    if (command == L"wait") return waitSeconds(seconds, [&] { return topWindow(what) != nullptr; }) ? 0 : 1;
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
        return waitSeconds(seconds, [&] {
                   HWND c = control(what);
                   return c && IsWindowVisible(c);
               })
                   ? 0
                   : 1;
    if (command == L"wait-hidden")
        return waitSeconds(seconds, [&] {
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
    if (command == L"sysmenu") {
        wchar_t* rest = nullptr;
        const unsigned long id = wcstoul(what, &rest, 0);
        if (rest == what || *rest != L'\0' || id > 0xFFFF) return 2;
        HWND main = topWindow(kMainTitle);
        if (!main) return 1;
        PostMessageW(main, WM_SYSCOMMAND, id, 0);
        return 0;
    }
    if (command == L"pointer" && argc > 3) return SetCursorPos(_wtoi(what), _wtoi(argv[3])) ? 0 : 1;
    if (command == L"box-text") return printBoxText(_wtof(what));
    if (command == L"shortcut") return printShortcut(what);
    if (command == L"note" && argc > 3) return note(what, argv[3]);
    if (command == L"press" && argc > 3) return pressButtonByCaption(what, argv[3], argc > 4 ? _wtof(argv[4]) : 0);
    if (command == L"parent") return printParent(what);
    if (command == L"wait-process") return waitSeconds(seconds, [&] { return processRuns(what); }) ? 0 : 1;
    if (command == L"wait-gone") return waitSeconds(seconds, [&] { return !processRuns(what); }) ? 0 : 1;
    if (command == L"version") return printVersion(what);
    if (command == L"run") return runCommandLine(what);
    return 2;
}
