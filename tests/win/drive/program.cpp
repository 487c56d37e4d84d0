#include "program.h"

#include <shlobj.h>

#include <cstdlib>

namespace {

std::string quellorPath() {
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("QUELLOR_EXE", path, sizeof path) > 0) return path;
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    for (int up = 0; up < 3; ++up) folder = folder.substr(0, folder.find_last_of('\\'));
    return folder + "\\quellor.exe";
}

RECT clientRectOf(HWND child, HWND parent) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SettingsRecord settingsWith(std::uint8_t portIndex, std::uint16_t startYear) {
    SettingsRecord record{};
    record.portIndex = portIndex;
    record.startYear = startYear;
    if (startYear != 0) {
        record.startMonth = 1;
        record.startDay = 1;
    }
    return record;
}

}  // namespace

Program::Program(const SettingsRecord& settings) {
    writeSettingsFile(settings);
    if (start("")) waitForMainWindow(10000);
}

Program::Program(std::uint8_t portIndex, std::uint16_t startYear) : Program(settingsWith(portIndex, startYear)) {}

Program::Program(AsFound, const std::string& currentDirectory) { start(currentDirectory); }

std::unique_ptr<Program> Program::startAsFound(const std::string& currentDirectory) {
    return std::unique_ptr<Program>(new Program(AsFound{}, currentDirectory));
}

bool Program::start(const std::string& currentDirectory) {
    std::string command = "\"" + quellorPath() + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &process_) != 0;
}

Program::~Program() {
    if (!process_.hProcess) return;
    if (window_ && IsWindow(window_)) {
        for (int i = 0; i < 3 && !noBox(); ++i) answer(waitForBox(100));
        PostMessageA(window_, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) kill();
    if (process_.hProcess) {
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
}

HWND Program::waitForMainWindow(DWORD timeoutMs) {
    window_ = waitForWindow("termostat", timeoutMs);
    if (!window_) return nullptr;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT r = clientRectOf(child, window_);
        const std::string kind = className(child);
        const bool topLeft = r.left < 130 && r.top >= 10 && r.top < 110;
        const bool middleLeft = r.left < 130 && r.top >= 120 && r.top < 232;
        if (topLeft && kind == "ComboBox") portCombo_ = child;
        if (topLeft && kind == "Button") connectButton_ = child;
        if (middleLeft && kind == "Edit") setpointEdit_ = child;
        if (middleLeft && kind == "Button") setButton_ = child;
    }
    return window_;
}

HWND Program::waitForWindow(const char* windowClass, DWORD timeoutMs) {
    if (!process_.hProcess) return nullptr;
    HWND found = nullptr;
    // A window is taken once it has its controls (a box its text), so that
    // what the test reads is what the program built.
    waitFor(
        [&] {
            found = findVisibleWindow(process_.dwProcessId, windowClass);
            return found && GetWindow(found, GW_CHILD);
        },
        timeoutMs);
    return found;
}

DWORD Program::waitForExit(DWORD timeoutMs) {
    if (!process_.hProcess) return STILL_ACTIVE;
    WaitForSingleObject(process_.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

void Program::kill() {
    if (!process_.hProcess) return;
    if (waitForExit(0) == STILL_ACTIVE) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
    window_ = nullptr;
}

bool Program::responds(DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return window_ && SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

void Program::click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void Program::setText(HWND control, const std::string& text) {
    SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
}

Box Program::waitForBox(DWORD timeoutMs) {
    HWND found = nullptr;
    waitFor([&] { return (found = findBox(process_.dwProcessId)) != nullptr; }, timeoutMs);
    return found ? readBox(found) : Box{};
}

bool Program::noBox() { return findVisibleWindow(process_.dwProcessId, "#32770") == nullptr; }

void Program::answer(const Box& box) { answer(box, IDOK); }

void Program::answer(const Box& box, int button) {
    if (box.window) pressButton(box.window, button);
    waitBoxGone(box, 3000);
}

bool Program::waitBoxGone(const Box& box, DWORD timeoutMs) {
    return waitFor([&] { return !box.window || !IsWindow(box.window) || !IsWindowVisible(box.window); }, timeoutMs);
}

bool Program::connected() {
    return portCombo_ && connectButton_ && !IsWindowVisible(portCombo_) && !IsWindowVisible(connectButton_);
}

bool Program::waitConnected(bool wanted, DWORD timeoutMs) {
    return waitFor([&] { return connected() == wanted; }, timeoutMs);
}

std::vector<std::string> Program::ports() {
    std::vector<std::string> names;
    const LRESULT count = SendMessageA(portCombo_, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char name[256] = {};
        SendMessageA(portCombo_, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
        names.push_back(name);
    }
    return names;
}

std::string appDataFolder() {
    char folder[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, TRUE);
    return folder;
}

std::string settingsFilePath() { return appDataFolder() + "\\KRMD\\quellor.ini"; }

void writeSettingsFile(const SettingsRecord& record) {
    CreateDirectoryA((appDataFolder() + "\\KRMD").c_str(), nullptr);
    std::uint8_t bytes[kSettingsMaxSize] = {};
    const std::size_t size = encodeSettings(record, bytes);
    HANDLE file = CreateFileA(settingsFilePath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

void removeSettings() {
    DeleteFileA(settingsFilePath().c_str());
    RemoveDirectoryA((appDataFolder() + "\\KRMD").c_str());
}

std::vector<unsigned char> readWholeFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}
