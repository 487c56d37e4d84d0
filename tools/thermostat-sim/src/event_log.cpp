#include "event_log.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>

std::string formatLocalTime(double epochSeconds)
{
    double whole = std::floor(epochSeconds);
    int ms = static_cast<int>((epochSeconds - whole) * 1000.0);
    if (ms > 999)
        ms = 999;
    const std::time_t seconds = static_cast<std::time_t>(whole);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, ms);
    return text;
}

EventLog::~EventLog()
{
    if (owned_ && file_)
        std::fclose(file_);
}

bool EventLog::open(const std::string& path, std::string& error)
{
    if (path.empty()) {
        file_ = stderr;
        return true;
    }
    file_ = std::fopen(path.c_str(), "a");
    if (!file_) {
        error = "cannot open log " + path + ": " + std::strerror(errno);
        return false;
    }
    owned_ = true;
    return true;
}

void EventLog::write(const std::string& event, double now)
{
    if (!file_)
        return;
    std::fprintf(file_, "%s %s\n", formatLocalTime(now).c_str(), event.c_str());
    std::fflush(file_);
}
