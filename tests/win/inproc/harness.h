// Shared helpers of the in-process Windows tests: the fake clock, a settings
// file of the test's own, the main window, and answering message boxes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "seen_windows.h"

// The program's clock in these tests (replaces the shipped clock.cpp).
void setFakeLocalTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second = 0);
// The local time the next setFakeLocalTime gives moves by seconds more than
// universal time (a change of daylight saving time or of time zone).
void shiftFakeZone(std::int64_t seconds);
void setFakeTicks(DWORD ticks);
void advanceFakeTicks(DWORD ms);

// A fresh settings file holding these bytes (none: the file does not exist
// and the program creates it). Opens it as the program does at start-up.
std::string useSettingsFile(const std::vector<std::uint8_t>& bytes, bool exists = true);
std::vector<std::uint8_t> settingsFileBytes();
void closeSettings();

// Index of the port of this name in the main window's port list (the order
// the system gives), or 0 when it is not listed.
std::uint8_t listedPortIndex(const char* name);

// Creates the real main window, as start-up does, and shows it.
HWND openMainWindow();
// Only creates it: nothing is shown and no message is dispatched.
HWND createMainWindowOnly();
// Destroys it and drains the WM_QUIT it posts.
void closeMainWindow(HWND window);

// The header of a 32-bit bitmap of that size, its top row first.
BITMAPINFO topDownBitmap(int width, int height);

// Dispatches the thread's messages for about ms milliseconds of real time.
void pumpMessages(DWORD ms);
// Dispatches what is queued now (posted key checks, say) without waiting.
void drainMessages();
// Dispatches messages until the condition holds or ms have passed; gives the
// condition's last value.
bool pumpUntil(const std::function<bool()>& condition, DWORD ms);

// Watches this thread's windows from a second thread; the first dialog-class
// window that appears is read and answered with the given button id (IDOK,
// IDCANCEL, IDYES, IDNO, IDRETRY...). Construct before the action that
// shows the box; the result is complete once the action has returned.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int button, int count = 1);
    // Chooses the button for each box once it has been read; decide runs on
    // the watching thread, before the box is answered.
    BoxAnswerer(std::function<int(const Box&)> decide, int count);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    // Waits for the watcher to finish (answered, or 5 s passed).
    const std::vector<Box>& boxes();
    // Stops watching at once and gives the boxes seen so far. After an action
    // that returned, every box it showed has been seen: a box blocks the
    // action until it is answered.
    const std::vector<Box>& boxesSoFar();

private:
    static DWORD WINAPI watch(void* self);
    DWORD threadId_;
    int button_;
    std::function<int(const Box&)> decide_;
    int count_;
    volatile LONG stop_ = 0;
    HANDLE thread_ = nullptr;
    std::vector<Box> boxes_;
};


// The serial ports the program finds: the values of
// HKLM\Hardware\DeviceMap\SerialComm (value name, data) are replaced with
// these for the object's lifetime, or the key is removed when keyExists is
// false; the earlier values come back afterwards.
class SerialPortsOverride {
public:
    using Values = std::vector<std::pair<std::string, std::string>>;
    explicit SerialPortsOverride(const Values& values, bool keyExists = true);
    ~SerialPortsOverride();
    SerialPortsOverride(const SerialPortsOverride&) = delete;
    SerialPortsOverride& operator=(const SerialPortsOverride&) = delete;
    // Adds one value while the object lives (the key is made if missing).
    static bool addPort(const std::string& name, const std::string& data);

private:
    Values saved_;
};
