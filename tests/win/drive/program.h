// The shipped quellor.exe as the end-to-end tests see it: a process of its
// own, started as the operator starts it, with a settings file the test
// wrote or the one it finds; looked at from outside (its window, controls and
// message boxes) as Windows would. QUELLOR_EXE in the environment names the
// program; otherwise it is the one built beside the test program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings_record.h"
#include "seen_windows.h"
#include "wait.h"

class Program {
public:
    // Writes this settings record, starts the program and waits (10 s at
    // most) for its main window.
    explicit Program(const SettingsRecord& settings);
    // The same with a record holding only this port index and start moment
    // (year 0: none, so no automatic connection).
    explicit Program(std::uint8_t portIndex = 0, std::uint16_t startYear = 0);
    // Starts the program with whatever settings are on the disk (or none),
    // in the given current directory, and does not wait for anything.
    static std::unique_ptr<Program> startAsFound(const std::string& currentDirectory = "");

    // Answers the boxes still up and closes the window; ends the process if
    // it does not end within 5 s.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return process_.hProcess != nullptr; }
    DWORD id() const { return process_.dwProcessId; }
    // Waits for the main window and finds its controls; the window or none.
    HWND waitForMainWindow(DWORD timeoutMs);
    // The first visible top-level window of the process with this class (""
    // for any), once it has its controls; none within timeoutMs.
    HWND waitForWindow(const char* windowClass, DWORD timeoutMs);
    // Waits for the process to end: its exit code, or STILL_ACTIVE.
    DWORD waitForExit(DWORD timeoutMs);
    // Ends the process at once, as a power cut or the task manager would:
    // nothing of the program's own runs.
    void kill();
    // True when the main window answers a message within timeoutMs: the
    // program has handled everything posted to it before.
    bool responds(DWORD timeoutMs = 5000);

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
    // Waits for the box to go away by itself.
    bool waitBoxGone(const Box& box, DWORD timeoutMs);

    bool connected();  // port controls hidden
    bool waitConnected(bool connected, DWORD timeoutMs);

    // Texts from the port list.
    std::vector<std::string> ports();

private:
    struct AsFound {};
    Program(AsFound, const std::string& currentDirectory);
    bool start(const std::string& currentDirectory);

    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
    HWND portCombo_ = nullptr;
    HWND connectButton_ = nullptr;
    HWND setpointEdit_ = nullptr;
    HWND setButton_ = nullptr;
};

// The settings file of the user the tests run as.
std::string appDataFolder();
std::string settingsFilePath();
void writeSettingsFile(const SettingsRecord& record);
// Deletes the settings folder so that the next start is a user's first.
void removeSettings();
std::vector<unsigned char> readWholeFile(const std::string& path);
