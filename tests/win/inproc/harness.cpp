#include "harness.h"

#include <cstdio>
#include <cstring>

#include "clock.h"
#include "main_window.h"
#include "settings/settings.h"
#include "settings_file.h"
#include "startup.h"

namespace {

SYSTEMTIME fakeNow = {2026, 12, 1, 7, 10, 0, 0, 0};
DWORD fakeTicks = 1000000;
std::int64_t fakeZoneShift = 0;
std::string settingsPath;

BOOL CALLBACK findDialog(HWND window, LPARAM out) {
    if (isBox(window)) {
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

// Universal time follows the fake local time, less the zone's shifts.
void readClock(SYSTEMTIME& local, std::int64_t& universalSeconds) {
    local = fakeNow;
    FILETIME file{};
    SystemTimeToFileTime(&fakeNow, &file);
    universalSeconds =
        static_cast<std::int64_t>((static_cast<ULONGLONG>(file.dwHighDateTime) << 32 | file.dwLowDateTime) / 10'000'000) -
        fakeZoneShift;
}
void shiftFakeZone(std::int64_t seconds) { fakeZoneShift += seconds; }
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

HWND createMainWindowOnly() {
    static bool shellReady = false;
    if (!shellReady) {
        initAppShell(GetModuleHandleA(nullptr));
        shellReady = true;
    }
    return createMainWindow();
}

HWND openMainWindow() {
    HWND window = createMainWindowOnly();
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

void drainMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool pumpUntil(const std::function<bool()>& condition, DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    while (!condition()) {
        if (static_cast<int>(until - GetTickCount()) <= 0) return false;
        drainMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

BoxAnswerer::BoxAnswerer(int button, int count)
    : threadId_(GetCurrentThreadId()), button_(button), count_(count) {
    thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

BoxAnswerer::BoxAnswerer(std::function<int(const Box&)> decide, int count)
    : threadId_(GetCurrentThreadId()), button_(IDCANCEL), decide_(std::move(decide)), count_(count) {
    thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

const std::vector<Box>& BoxAnswerer::boxesSoFar() {
    InterlockedExchange(&stop_, 1);
    return boxes();
}

BoxAnswerer::~BoxAnswerer() {
    boxes();
}

const std::vector<Box>& BoxAnswerer::boxes() {
    if (thread_) {
        // The box may still need this thread's loop to close; keep pumping.
        // A WM_QUIT met here is put back for the test to see.
        bool quit = false;
        WPARAM exitCode = 0;
        while (MsgWaitForMultipleObjects(1, &thread_, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    quit = true;
                    exitCode = message.wParam;
                    continue;
                }
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        if (quit) PostQuitMessage(static_cast<int>(exitCode));
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return boxes_;
}

DWORD WINAPI BoxAnswerer::watch(void* self) {
    auto* me = static_cast<BoxAnswerer*>(self);
    const DWORD deadline = GetTickCount() + 5000;
    std::vector<HWND> answered;
    while (static_cast<int>(me->boxes_.size()) < me->count_ && static_cast<int>(deadline - GetTickCount()) > 0 &&
           !InterlockedCompareExchange(&me->stop_, 0, 0)) {
        HWND found = nullptr;
        EnumThreadWindows(me->threadId_, findDialog, reinterpret_cast<LPARAM>(&found));
        bool already = false;
        for (HWND old : answered) already = already || old == found;
        if (found && !already) {
            Sleep(50);  // let the box finish its set-up
            const Box box = readBox(found);
            const int button = me->decide_ ? me->decide_(box) : me->button_;
            me->boxes_.push_back(box);
            answered.push_back(found);
            pressButton(found, button);
        }
        Sleep(20);
    }
    return 0;
}


namespace {

const char kSerialCommKey[] = "Hardware\\DeviceMap\\SerialComm";

SerialPortsOverride::Values readSerialComm() {
    SerialPortsOverride::Values values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        char data[256] = {};
        DWORD dataSize = sizeof data - 1;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &dataSize) !=
            ERROR_SUCCESS)
            break;
        values.emplace_back(name, data);
    }
    RegCloseKey(key);
    return values;
}

// Hardware\DeviceMap is volatile, so its subkeys must be volatile too.
HKEY openSerialComm() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

void writeSerialComm(const SerialPortsOverride::Values& values, bool keyExists) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSerialCommKey);
    if (!keyExists) return;
    if (HKEY key = openSerialComm()) RegCloseKey(key);
    for (const auto& [name, data] : values) SerialPortsOverride::addPort(name, data);
}

}  // namespace

SerialPortsOverride::SerialPortsOverride(const Values& values, bool keyExists) : saved_(readSerialComm()) {
    writeSerialComm(values, keyExists);
}

SerialPortsOverride::~SerialPortsOverride() { writeSerialComm(saved_, true); }

bool SerialPortsOverride::addPort(const std::string& name, const std::string& data) {
    HKEY key = openSerialComm();
    if (!key) return false;
    const LONG result = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                       static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

std::uint8_t listedPortIndex(const char* name) {
    const HWND combo = controls().portCombo;
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char listed[64] = {};
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(listed));
        if (std::string(listed) == name) return static_cast<std::uint8_t>(i);
    }
    return 0;
}

BITMAPINFO topDownBitmap(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
