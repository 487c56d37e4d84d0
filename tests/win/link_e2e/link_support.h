// What the link's end-to-end tests see of the outside world: the simulated
// thermostat (its control port and its log of the wire) and the shipped
// quellor.exe running as another process (its window, controls and boxes).
//
// The test script passes, in the environment:
//   QUELLOR_EXE        the program to start
//   SIM_CONTROL_PORT   the simulator's loopback command port
//   SIM_LOG            the simulator's log file (a path Wine can open)
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/settings_record.h"
#include "seen_windows.h"

// One frame on the wire as the simulator logged it.
struct WireFrame {
    double ms;         // time of day in milliseconds
    bool in;           // true: sent by the program; false: the thermostat's reply
    std::vector<std::uint8_t> bytes;
};

class Simulator {
public:
    // Sends one command line and returns the answer ("OK ..." or "ERR ...").
    static std::string command(const std::string& line);
    // Frames logged from now on are the ones frames() returns.
    static void markLog();
    static std::vector<WireFrame> frames();
    // Only the requests the program sent (IN lines).
    static std::vector<WireFrame> requests();
    // Waits until at least count requests have been logged since the mark.
    static bool waitForRequests(std::size_t count, DWORD timeoutMs);
};

// A message box of the program's, as read from outside.
struct Box {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};

class Program {
public:
    // Writes a settings file with this port index and start moment (year 0:
    // none, so no automatic connection) and starts the program.
    explicit Program(std::uint8_t portIndex = 0, std::uint16_t startYear = 0);
    // Writes this settings record and starts the program.
    explicit Program(const SettingsRecord& settings);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND window() const { return window_; }
    HWND portCombo() const { return portCombo_; }
    HWND connectButton() const { return connectButton_; }
    HWND setpointEdit() const { return setpointEdit_; }
    HWND setButton() const { return setButton_; }

    // Clicks a button of the main window as the operator would (BM_CLICK),
    // without waiting for what the click starts.
    void click(HWND button);
    void setText(HWND control, const std::string& text);

    // The first visible message box of the program, or none within timeoutMs.
    Box waitForBox(DWORD timeoutMs);
    // True when no box of the program is up.
    bool noBox();
    // Presses OK (or closes) a box.
    void answer(const Box& box);
    // Presses the button with this identifier (IDYES, IDNO...).
    void answer(const Box& box, int button);
    // Waits for the process to end: its exit code, or STILL_ACTIVE.
    DWORD waitForExit(DWORD timeoutMs);
    // Waits for the box to go away by itself.
    bool waitBoxGone(const Box& box, DWORD timeoutMs);

    bool connected();  // port controls hidden
    bool waitConnected(bool connected, DWORD timeoutMs);

    // Texts from the port list.
    std::vector<std::string> ports();

private:
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
    HWND portCombo_ = nullptr;
    HWND connectButton_ = nullptr;
    HWND setpointEdit_ = nullptr;
    HWND setButton_ = nullptr;
};

// Waits while the condition is false, up to timeoutMs; returns the condition.
template <typename Condition>
bool waitFor(Condition condition, DWORD timeoutMs) {
    const DWORD until = GetTickCount() + timeoutMs;
    while (!condition()) {
        if (static_cast<int>(until - GetTickCount()) <= 0) return condition();
        Sleep(20);
    }
    return true;
}

std::string hex(const std::vector<std::uint8_t>& bytes);
