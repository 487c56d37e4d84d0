#include "link_support.h"

#include <winsock2.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/settings_record.h"

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::uint64_t logMark = 0;

std::string readLogFrom(std::uint64_t offset) {
    const std::string path = environment("SIM_LOG");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    std::string text;
    if (static_cast<std::uint64_t>(size.QuadPart) > offset) {
        text.resize(static_cast<std::size_t>(size.QuadPart - offset));
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
        DWORD read = 0;
        ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
        text.resize(read);
    }
    CloseHandle(file);
    return text;
}

std::uint64_t logSize() {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(environment("SIM_LOG").c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// "2026-12-07 10:00:01.250 IN B3 B3"
bool parseLine(const std::string& line, WireFrame& frame) {
    int year, month, day, hour, minute, second, ms;
    char direction[4] = {};
    int used = 0;
    if (std::sscanf(line.c_str(), "%d-%d-%d %d:%d:%d.%d %3s%n", &year, &month, &day, &hour, &minute, &second, &ms,
                    direction, &used) != 8)
        return false;
    if (std::strcmp(direction, "IN") != 0 && std::strcmp(direction, "OUT") != 0) return false;
    frame.in = direction[0] == 'I';
    frame.ms = ((static_cast<double>(day) * 24 + hour) * 60 + minute) * 60000.0 + second * 1000.0 + ms;
    frame.bytes.clear();
    const char* at = line.c_str() + used;
    unsigned value = 0;
    int step = 0;
    while (std::sscanf(at, " %2x%n", &value, &step) == 1) {
        frame.bytes.push_back(static_cast<std::uint8_t>(value));
        at += step;
    }
    return !frame.bytes.empty();
}

RECT clientRectOf(HWND child, HWND parent) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void writeSettings(const SettingsRecord& record) {
    char folder[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, TRUE);
    std::string path = std::string(folder) + "\\KRMD";
    CreateDirectoryA(path.c_str(), nullptr);
    path += "\\quellor.ini";

    std::uint8_t bytes[kSettingsMaxSize] = {};
    const std::size_t size = encodeSettings(record, bytes);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

std::string Simulator::command(const std::string& line) {
    static bool started = false;
    if (!started) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        started = true;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::atoi(environment("SIM_CONTROL_PORT").c_str())));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return "ERR no simulator";
    }
    const std::string sent = line + "\n";
    send(s, sent.data(), static_cast<int>(sent.size()), 0);
    std::string answer;
    char c;
    while (recv(s, &c, 1, 0) == 1 && c != '\n') answer += c;
    closesocket(s);
    return answer;
}

void Simulator::markLog() { logMark = logSize(); }

std::vector<WireFrame> Simulator::frames() {
    std::vector<WireFrame> result;
    const std::string text = readLogFrom(logMark);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a line still being written
        WireFrame frame;
        if (parseLine(text.substr(start, end - start), frame)) result.push_back(frame);
        start = end + 1;
    }
    return result;
}

std::vector<WireFrame> Simulator::requests() {
    std::vector<WireFrame> result;
    for (const WireFrame& frame : frames())
        if (frame.in) result.push_back(frame);
    return result;
}

bool Simulator::waitForRequests(std::size_t count, DWORD timeoutMs) {
    return waitFor([&] { return requests().size() >= count; }, timeoutMs);
}

static SettingsRecord settingsWith(std::uint8_t portIndex, std::uint16_t startYear) {
    SettingsRecord record{};
    record.portIndex = portIndex;
    record.startYear = startYear;
    if (startYear != 0) {
        record.startMonth = 1;
        record.startDay = 1;
    }
    return record;
}

Program::Program(std::uint8_t portIndex, std::uint16_t startYear) : Program(settingsWith(portIndex, startYear)) {}

Program::Program(const SettingsRecord& settings) {
    writeSettings(settings);
    std::string exe = environment("QUELLOR_EXE");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
        return;
    WaitForInputIdle(process_.hProcess, 5000);
    waitFor(
        [&] {
            window_ = findVisibleWindow(process_.dwProcessId, "termostat");
            return window_ != nullptr;
        },
        10000);
    if (!window_) return;

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
}

Program::~Program() {
    if (!process_.hProcess) return;
    if (window_) {
        for (int i = 0; i < 3 && !noBox(); ++i) answer(waitForBox(100));
        PostMessageA(window_, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

void Program::click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void Program::setText(HWND control, const std::string& text) {
    SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
}

Box Program::waitForBox(DWORD timeoutMs) {
    Box box;
    HWND found = nullptr;
    waitFor([&] { return (found = findVisibleWindow(process_.dwProcessId, "#32770")) != nullptr; }, timeoutMs);
    if (!found) return box;
    Sleep(50);  // let the box finish its set-up
    box.window = found;
    box.caption = windowText(found);
    box.text = boxText(found);
    return box;
}

bool Program::noBox() {
    return findVisibleWindow(process_.dwProcessId, "#32770") == nullptr;
}

void Program::answer(const Box& box) { answer(box, IDOK); }

void Program::answer(const Box& box, int button) {
    if (box.window) PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    waitBoxGone(box, 3000);
}

DWORD Program::waitForExit(DWORD timeoutMs) {
    if (!process_.hProcess) return STILL_ACTIVE;
    WaitForSingleObject(process_.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
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

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char part[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(part, sizeof part, text.empty() ? "%02X" : " %02X", b);
        text += part;
    }
    return text;
}
