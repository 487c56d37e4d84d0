// quellor-journal: the program's journal for the scripts, its lines and day
// files' names by the program's own code.
//
//   quellor-journal simulate FOLDER HOURS
//       the last HOURS hours (1..240) up to the present second: the program
//       started and connected, one reading a second of a bath that follows
//       the maintained temperature with a lag of 10 min, stages of 37,0,
//       31,0, 25,0 and 37,0 degC (the last still held), the link lost for
//       20 min, the program closed. The day files are made anew in FOLDER
//       (made when missing): a byte-order mark, the header, the lines.
// Exit status 2 on a wrong call, 1 when a file cannot be written.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "journal/journal_format.h"
#include "link/temperature.h"

namespace {

constexpr std::int64_t kUnixToUniversal = 11644473600;  // seconds from 01.01.1601 to 01.01.1970
constexpr std::int64_t kHour = 3600;
constexpr double kTauSeconds = 600;
// The stages, by their start before the end; the link is lost in stage 2.
constexpr struct {
    std::int64_t before;
    std::int16_t tenths;
} kStages[] = {{22 * kHour, 370}, {16 * kHour, 310}, {10 * kHour, 250}, {5 * kHour, 370}};
constexpr std::int64_t kGapBefore = 13 * kHour;
constexpr std::int64_t kGapSeconds = 20 * 60;

// Lines go to the file of their local day, written whole when the next day
// begins or the run ends.
struct DayFiles {
    std::filesystem::path folder;
    std::string name{}, text{};
    bool ok = true;

    void add(const JournalLine& line) {
        const std::string day =
            journalFileName(calendarTime(line.universalSeconds + std::int64_t{line.offsetMinutes} * 60));
        if (day != name) flush();
        if (text.empty()) text = "\xEF\xBB\xBF" + journalHeader();
        name = day;
        appendJournalLine(text, line);
    }
    void flush() {
        if (text.empty()) return;
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) std::fprintf(stderr, "quellor-journal: cannot write %s\n", (folder / name).string().c_str());
        ok = ok && out;
        text.clear();
    }
};

int simulate(const char* folder, long hours) {
    DayFiles files{folder};
    std::error_code error;  // a folder that cannot be made fails the first file
    std::filesystem::create_directories(files.folder, error);
    const std::int64_t end = std::time(nullptr) + kUnixToUniversal;
    const std::int64_t begin = end - hours * kHour;
    const std::int64_t gapFrom = end - kGapBefore, gapTo = gapFrom + kGapSeconds;
    const bool gap = gapFrom > begin + 1;  // after the link was made

    // What the thermostat reports; a stage begun before the first second is
    // in force from it.
    JournalLine state;
    state.maintainedTenths = 200;
    for (std::size_t k = 0; k < std::size(kStages); ++k) {
        if (end - kStages[k].before > begin) break;
        state.maintainedTenths = kStages[k].tenths;
        state.stage = static_cast<int>(k) + 1;
    }
    double bath = 21.4;
    const auto add = [&](std::int64_t t, const std::string& event, bool values) {
        JournalLine line = state;
        line.universalSeconds = t;
        line.hasMeasured = line.hasMaintained = values;
        line.event = event;
        files.add(line);
    };
    for (std::int64_t t = begin; t <= end; ++t) {
        const std::time_t unix = static_cast<std::time_t>(t - kUnixToUniversal);
        std::tm local{};
        localtime_r(&unix, &local);
        state.offsetMinutes = utcOffsetMinutes(ClockReading{{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                                             local.tm_hour, local.tm_min, local.tm_sec},
                                                            t});
        const double target = state.maintainedTenths / 10.0, tick = static_cast<double>(t - begin);
        bath = target + (bath - target) * std::exp(-1 / kTauSeconds);
        const double wobble = 0.06 * std::sin(tick * 0.0363) + 0.04 * std::sin(tick * 0.153);
        state.measuredTenths = static_cast<std::int16_t>(std::lround((bath + wobble) * 10));

        if (t == begin) {
            add(t, "запуск программы", false);
            add(t, "подключение к порту COM1", false);
            continue;
        }
        if (t == begin + 1) add(t, "связь установлена", true);
        for (std::size_t k = 0; k < std::size(kStages); ++k) {
            if (t != end - kStages[k].before) continue;
            if (k == 0) add(t, "программа этапов запущена", true);
            state.maintainedTenths = kStages[k].tenths;
            state.stage = static_cast<int>(k) + 1;
            char value[kTemperatureTextSize];
            formatTemperature(state.maintainedTenths, value);
            add(t, "отправлен этап " + std::to_string(k + 1) + ": " + value + " °C", true);
        }
        if (gap && t == gapFrom) add(t, "связь потеряна", false);
        if (gap && t == gapTo) add(t, "связь восстановлена", true);
        if (gap && t >= gapFrom && t < gapTo) continue;
        add(t, "", true);  // the reading
        if (t == end) add(t, "выход из программы", true);
    }
    files.flush();
    return files.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    char* rest = nullptr;
    const long hours = argc == 4 ? std::strtol(argv[3], &rest, 10) : 0;
    if (argc != 4 || std::string(argv[1]) != "simulate" || argv[2][0] == '\0' || rest == argv[3] || *rest != '\0' ||
        hours < 1 || hours > 240) {
        std::fprintf(stderr, "usage: quellor-journal simulate FOLDER HOURS (HOURS 1..240)\n");
        return 2;
    }
    return simulate(argv[2], hours);
}
