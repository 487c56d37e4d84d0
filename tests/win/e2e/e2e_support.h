// Helpers of the end-to-end tests: they start the shipped quellor.exe as a
// process of its own and look at it from outside, as Windows would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "seen_windows.h"

// Path of the quellor.exe built beside this test program (two folders up),
// or the one named by the QUELLOR_EXE environment variable.
std::string quellorPath();

class ProgramProcess {
public:
    ProgramProcess() = default;
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Starts quellor.exe with the given current directory (empty: this one).
    bool start(const std::string& currentDirectory = "");
    DWORD id() const { return info_.dwProcessId; }
    // Waits for the process to end; returns its exit code, or STILL_ACTIVE.
    DWORD waitForExit(DWORD ms);
    void kill();

private:
    PROCESS_INFORMATION info_ = {};
};

// The first visible top-level window of the process with this class ("" for
// any), waiting up to ms for it to appear.
HWND waitForWindow(DWORD processId, const char* windowClass, DWORD ms);

// Presses a button of a dialog or message box by its identifier.
void pressButton(HWND box, int id);

std::string appDataFolder();
std::string settingsFilePath();
std::vector<unsigned char> readWholeFile(const std::string& path);
// Deletes the settings folder so that the next start is a user's first.
void removeSettings();
