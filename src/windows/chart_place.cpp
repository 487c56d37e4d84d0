#include "chart_place.h"

#include <shlobj.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

constexpr char kSection[] = "chart";

// "<application data>\KRMD\chart.ini"; empty when the system gives no folder.
// The KRMD folder is made when asked for, as the settings file makes it.
std::string chartIniPath(bool makeFolder) {
    char folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE) || !folder[0]) return {};
    std::string path = std::string(folder) + "\\KRMD";
    if (makeFolder && !CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return {};
    return path + "\\chart.ini";
}

// A whole decimal number, sign allowed; false for anything else (a key that
// is missing reads as empty).
bool readNumber(const std::string& path, const char* key, long long& out) {
    char text[32] = {};
    GetPrivateProfileStringA(kSection, key, "", text, sizeof text, path.c_str());
    if (!text[0]) return false;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0') return false;
    out = value;
    return true;
}

void writeNumber(const std::string& path, const char* key, long long value) {
    const std::string text = std::to_string(value);
    WritePrivateProfileStringA(kSection, key, text.c_str(), path.c_str());
}

// Coordinates far outside any desktop are not a place; the monitor check
// could not bring them back meaningfully and the sums could overflow.
constexpr long long kFarthest = 1000000;

bool plausible(long long value) { return value > -kFarthest && value < kFarthest; }

}  // namespace

ChartPlace loadChartPlace() {
    ChartPlace place;
    const std::string path = chartIniPath(false);
    if (path.empty()) return place;
    long long left = 0, top = 0, width = 0, height = 0, span = 0;
    if (readNumber(path, "left", left) && readNumber(path, "top", top) && readNumber(path, "width", width) &&
        readNumber(path, "height", height) && plausible(left) && plausible(top) && width > 0 && height > 0 &&
        plausible(width) && plausible(height)) {
        place.placed = true;
        place.rect = RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + width),
                          static_cast<LONG>(top + height)};
    }
    if (readNumber(path, "span", span)) {
        place.spanKept = true;
        place.span = span;
    }
    return place;
}

void saveChartPlace(const RECT& rect, std::int64_t span) {
    const std::string path = chartIniPath(true);
    if (path.empty()) return;
    writeNumber(path, "left", rect.left);
    writeNumber(path, "top", rect.top);
    writeNumber(path, "width", rect.right - rect.left);
    writeNumber(path, "height", rect.bottom - rect.top);
    writeNumber(path, "span", span);
}

RECT placeOnMonitor(RECT wanted) {
    int width = std::max<int>(kChartMinWidth, wanted.right - wanted.left);
    int height = std::max<int>(kChartMinHeight, wanted.bottom - wanted.top);
    wanted.right = wanted.left + width;
    wanted.bottom = wanted.top + height;

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor)) return wanted;
    const RECT& work = monitor.rcWork;
    // A work area smaller than the minimum gets the whole work area.
    width = std::min<int>(width, work.right - work.left);
    height = std::min<int>(height, work.bottom - work.top);
    const LONG left = std::clamp<LONG>(wanted.left, work.left, work.right - width);
    const LONG top = std::clamp<LONG>(wanted.top, work.top, work.bottom - height);
    return RECT{left, top, left + width, top + height};
}
