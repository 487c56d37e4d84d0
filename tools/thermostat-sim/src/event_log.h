// The event log: one line per event, "<YYYY-MM-DD HH:MM:SS.mmm> <event>" in
// local time, written and flushed at once so that a reader never sees half a
// line and nothing is lost when the simulator is killed.
#pragma once

#include <cstdio>
#include <string>

// Local time of a moment given in seconds since the epoch.
std::string formatLocalTime(double epochSeconds);

class EventLog {
public:
    EventLog() = default;
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;
    ~EventLog();

    // Appends to path, or writes to standard error when path is empty.
    bool open(const std::string& path, std::string& error);
    void write(const std::string& event, double now);

private:
    std::FILE* file_ = nullptr;
    bool owned_ = false;
};
