#include "harness.h"

#include <cstdio>
#include <cstring>

#include "app/clock.h"
#include "app/settings.h"
#include "app/startup.h"

namespace {

SYSTEMTIME fakeNow = {2026, 12, 1, 7, 10, 0, 0, 0};
DWORD fakeTicks = 1000000;
std::string settingsPath;

std::string className(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK findDialog(HWND window, LPARAM out) {
    if (className(window) == "#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

void readLocalTime(SYSTEMTIME& now) { now = fakeNow; }
DWORD tickCount() { return fakeTicks; }

void setFakeLocalTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    fakeNow = SYSTEMTIME{year, month, 0, day, hour, minute, second, 0};
}
void setFakeTicks(DWORD ticks) { fakeTicks = ticks; }
void advanceFakeTicks(DWORD ms) { fakeTicks += ms; }

std::string useSettingsFile(const std::vector<std::uint8_t>& bytes, bool exists) {
    closeSettings();
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    settingsPath = std::string(folder) + "quellor-test.ini";
    DeleteFileA(settingsPath.c_str());
    if (exists) {
        HANDLE file = CreateFileA(settingsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (!bytes.empty()) WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    openSettingsFile(settingsPath.c_str());
    return settingsPath;
}

std::vector<std::uint8_t> settingsFileBytes() {
    // The program holds the file unshared; read it through a second handle is
    // refused, so read it back through a copy made by the system.
    std::string copy = settingsPath + ".copy";
    std::vector<std::uint8_t> bytes;
    closeSettings();
    HANDLE file = CreateFileA(settingsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        bytes.resize(GetFileSize(file, nullptr));
        DWORD read = 0;
        if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
    }
    openSettingsFile(settingsPath.c_str());
    return bytes;
}

void closeSettings() { closeSettingsFile(); }

HWND openMainWindow() {
    static bool shellReady = false;
    if (!shellReady) {
        initAppShell(GetModuleHandleA(nullptr));
        shellReady = true;
    }
    HWND window = createMainWindow();
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    pumpMessages(50);
    return window;
}

void closeMainWindow(HWND window) {
    if (IsWindow(window)) DestroyWindow(window);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void pumpMessages(DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    MSG message;
    while (static_cast<int>(until - GetTickCount()) > 0) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

BoxAnswerer::BoxAnswerer(int button, int count)
    : threadId_(GetCurrentThreadId()), button_(button), count_(count) {
    thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer() {
    boxes();
}

const std::vector<SeenBox>& BoxAnswerer::boxes() {
    if (thread_) {
        // The box may still need this thread's loop to close; keep pumping.
        while (MsgWaitForMultipleObjects(1, &thread_, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return boxes_;
}

DWORD WINAPI BoxAnswerer::watch(void* self) {
    auto* me = static_cast<BoxAnswerer*>(self);
    const DWORD deadline = GetTickCount() + 5000;
    std::vector<HWND> answered;
    while (static_cast<int>(me->boxes_.size()) < me->count_ && static_cast<int>(deadline - GetTickCount()) > 0) {
        HWND found = nullptr;
        EnumThreadWindows(me->threadId_, findDialog, reinterpret_cast<LPARAM>(&found));
        bool already = false;
        for (HWND old : answered) already = already || old == found;
        if (found && !already) {
            Sleep(50);  // let the box finish its set-up
            SeenBox box;
            box.seen = true;
            box.caption = windowText(found);
            for (HWND child = GetWindow(found, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                if (className(child) == "Static") {
                    std::string text = windowText(child);
                    if (text.size() > box.text.size()) box.text = text;
                }
            }
            me->boxes_.push_back(box);
            answered.push_back(found);
            PostMessageA(found, WM_COMMAND, MAKEWPARAM(me->button_, BN_CLICKED), 0);
        }
        Sleep(20);
    }
    return 0;
}

std::string windowText(HWND window) {
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                        nullptr);
    return text;
}
