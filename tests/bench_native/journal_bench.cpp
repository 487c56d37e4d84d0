// Benchmark of the journal read back and of the chart's reduction, natively:
// a week of day files (one reading a second) is written to a temporary
// folder, then read from disk and parsed into a history, and the week's
// readings are reduced to the columns of a chart. Prints figures only; it
// fails only when the files cannot be written or read.
//   journal_bench [runs of the reduction, default 20]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "chart/chart_series.h"
#include "journal/journal_format.h"
#include "journal/journal_history.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDays = 7;
constexpr int kDaySeconds = 86400;
constexpr int kColumns = 1000;
constexpr int kOffsetMinutes = 180;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A day of readings from local midnight: the measured value wanders around
// the maintained one, which steps every two hours, the stage with it.
std::string dayFile(const LocalTime& midnight) {
    std::string text = journalHeader();
    text.reserve(static_cast<std::size_t>(kDaySeconds) * 40);
    const std::int64_t start = calendarSeconds(midnight) - kOffsetMinutes * 60;
    JournalLine line;
    line.offsetMinutes = kOffsetMinutes;
    line.hasMeasured = true;
    line.hasMaintained = true;
    for (int i = 0; i < kDaySeconds; ++i) {
        const int stage = i / 7200;
        line.universalSeconds = start + i;
        line.maintainedTenths = static_cast<std::int16_t>(200 + 50 * (stage % 4));
        line.measuredTenths = static_cast<std::int16_t>(line.maintainedTenths + (i * 7919 % 61) - 30);
        line.stage = stage + 1;
        text += formatJournalLine(line);
    }
    return text;
}

bool writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

bool readFile(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    bytes.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    return static_cast<bool>(in.read(bytes.data(), size));
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    std::error_code error;
    const std::string name = "journal_bench." + std::to_string(Clock::now().time_since_epoch().count());
    const fs::path folder = fs::temp_directory_path(error) / name;
    if (error || !fs::create_directories(folder, error)) {
        std::fprintf(stderr, "journal_bench: cannot make a temporary folder: %s\n", error.message().c_str());
        return 1;
    }

    // The week: 07.12.2026 (a Monday) to 13.12.2026, local days at +03:00.
    std::vector<fs::path> files;
    std::uintmax_t totalBytes = 0;
    const Clock::time_point writing = Clock::now();
    for (int day = 0; day < kDays; ++day) {
        const LocalTime midnight{2026, 12, 7 + day, 0, 0, 0};
        const fs::path path = folder / journalFileName(midnight);
        if (!writeFile(path, dayFile(midnight))) {
            std::fprintf(stderr, "journal_bench: cannot write %s\n", path.string().c_str());
            fs::remove_all(folder, error);
            return 1;
        }
        files.push_back(path);
    }
    const double writeMs = millisecondsSince(writing);

    std::printf("Day files in %s (%d files, %d readings each, written in %.0f ms):\n", folder.string().c_str(), kDays,
                kDaySeconds, writeMs);
    for (const fs::path& path : files) {
        const std::uintmax_t size = fs::file_size(path, error);
        totalBytes += size;
        std::printf("  %s  %ju bytes\n", path.filename().string().c_str(), size);
    }
    std::printf("  total %ju bytes (%.1f MB)\n", totalBytes, totalBytes / 1e6);

    // (a) Reading the week back, oldest day first, as the chart does when it
    // opens. The files were just written, so they come from the system's
    // cache: this times reading and parsing, not the disk.
    JournalHistory history;
    double readMs = 0, parseMs = 0, mergeMs = 0;
    const Clock::time_point loading = Clock::now();
    std::string bytes;
    for (const fs::path& path : files) {
        Clock::time_point step = Clock::now();
        if (!readFile(path, bytes)) {
            std::fprintf(stderr, "journal_bench: cannot read %s\n", path.string().c_str());
            fs::remove_all(folder, error);
            return 1;
        }
        readMs += millisecondsSince(step);
        step = Clock::now();
        const std::vector<JournalLine> lines = parseJournalFile(bytes.data(), bytes.size());
        parseMs += millisecondsSince(step);
        step = Clock::now();
        mergeJournalLines(history, lines);
        mergeMs += millisecondsSince(step);
    }
    const double loadMs = millisecondsSince(loading);
    fs::remove_all(folder, error);

    const std::size_t count = history.samples.size();
    std::printf("\n(a) Reading %d day files back into the history: %.1f ms\n", kDays, loadMs);
    std::printf("    reading the files %.1f ms, parsing %.1f ms, merging %.1f ms\n", readMs, parseMs, mergeMs);
    std::printf("    %zu readings (%zu expected), %zu events\n", count, static_cast<std::size_t>(kDays) * kDaySeconds,
                history.events.size());
    std::printf("    samples memory: %zu bytes in use (%zu x %zu), %zu bytes reserved\n",
                count * sizeof(JournalSample), count, sizeof(JournalSample),
                history.samples.capacity() * sizeof(JournalSample));
    if (count == 0) {
        std::fprintf(stderr, "journal_bench: no readings came back\n");
        return 1;
    }

    // (b) The whole week to the columns of a chart.
    const std::int64_t from = history.samples.front().universalSeconds;
    const std::int64_t to = history.samples.back().universalSeconds + 1;
    std::vector<double> times;
    long long shown = 0;
    for (int run = 0; run < runs; ++run) {
        const Clock::time_point start = Clock::now();
        const std::vector<ChartColumn> columns = reduceSpan(history.samples, from, to, kColumns);
        times.push_back(millisecondsSince(start));
        shown += std::count_if(columns.begin(), columns.end(), [](const ChartColumn& c) { return c.any; });
    }
    std::printf("\n(b) reduceSpan of %zu readings to %d columns, %d runs:\n", count, kColumns, runs);
    std::printf("    median %.3f ms, fastest %.3f ms, slowest %.3f ms (target: at most 20 ms)\n", median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()));
    std::printf("    columns with readings per run: %lld of %d\n", shown / runs, kColumns);
    return 0;
}
