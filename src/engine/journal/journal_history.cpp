#include "journal/journal_history.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

JournalEvent eventOf(const JournalLine& line) {
    return JournalEvent{line.universalSeconds, line.offsetMinutes, line.event, line.hasMeasured,
                        line.measuredTenths,   line.hasMaintained, line.maintainedTenths, line.stage};
}

constexpr std::int64_t kDaySeconds = 86400;

JournalSample sampleOf(const JournalLine& line) {
    JournalSample sample{};
    sample.universalSeconds = line.universalSeconds;
    sample.measuredTenths = line.measuredTenths;
    sample.maintainedTenths = line.hasMaintained ? line.maintainedTenths : std::int16_t{0};
    sample.offsetMinutes = static_cast<std::int16_t>(std::clamp(line.offsetMinutes, -14 * 60, 14 * 60));
    sample.stage = static_cast<std::uint8_t>(line.stage >= 1 && line.stage <= 255 ? line.stage : 0);
    sample.hasMaintained = line.hasMaintained;
    return sample;
}

bool isReading(const JournalLine& line) { return line.event.empty() && line.hasMeasured; }

template <typename Item>
bool earlier(const Item& a, const Item& b) {
    return a.universalSeconds < b.universalSeconds;
}

// Puts the item after every one of its second or earlier: at the end unless
// the clock was set back.
template <typename Item>
void insertInOrder(std::vector<Item>& items, Item item) {
    if (items.empty() || items.back().universalSeconds <= item.universalSeconds) {
        items.push_back(std::move(item));
        return;
    }
    const auto at = std::upper_bound(items.begin(), items.end(), item, earlier<Item>);
    items.insert(at, std::move(item));
}

template <typename Item>
void sortByTime(std::vector<Item>& items) {
    if (!std::is_sorted(items.begin(), items.end(), earlier<Item>))
        std::stable_sort(items.begin(), items.end(), earlier<Item>);
}

void mergeSamples(JournalHistory& history, const std::vector<JournalLine>& lines) {
    std::vector<JournalSample> fresh;
    for (const JournalLine& line : lines)
        if (isReading(line) && line.universalSeconds < history.liveSince) fresh.push_back(sampleOf(line));
    sortByTime(fresh);

    // One reading a second: the first of a second in the file, and none for a
    // second already held. Both lists are in order, so one walk does.
    std::vector<JournalSample>& held = history.samples;
    std::size_t kept = 0, h = 0;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const std::int64_t second = fresh[i].universalSeconds;
        if (kept > 0 && fresh[kept - 1].universalSeconds == second) continue;
        while (h < held.size() && held[h].universalSeconds < second) ++h;
        if (h < held.size() && held[h].universalSeconds == second) continue;
        fresh[kept++] = fresh[i];
    }
    if (kept == 0) return;

    // Merged in place from the back, so the week's readings are never held
    // twice; room for a day of live readings is kept, so the next ones do not
    // make the list grow to twice its size at once.
    const std::size_t old = held.size();
    if (held.capacity() < old + kept) held.reserve(old + kept + static_cast<std::size_t>(kDaySeconds));
    held.resize(old + kept);
    std::size_t i = old, j = kept, w = old + kept;
    while (j > 0) {
        if (i > 0 && held[i - 1].universalSeconds > fresh[j - 1].universalSeconds)
            held[--w] = held[--i];
        else
            held[--w] = fresh[--j];
    }
}

void mergeEvents(JournalHistory& history, const std::vector<JournalLine>& lines) {
    std::vector<JournalEvent> fresh;
    for (const JournalLine& line : lines)
        if (!line.event.empty() && line.universalSeconds < history.liveSince)
            fresh.push_back(eventOf(line));
    if (fresh.empty()) return;
    sortByTime(fresh);

    // Each (second, text) once: neither one already held nor one twice here.
    std::vector<JournalEvent>& held = history.events;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        JournalEvent& event = fresh[i];
        const auto [first, last] = std::equal_range(held.begin(), held.end(), event, earlier<JournalEvent>);
        bool seen = std::any_of(first, last, [&](const JournalEvent& e) { return e.text == event.text; });
        for (std::size_t k = kept; !seen && k > 0 && fresh[k - 1].universalSeconds == event.universalSeconds; --k)
            seen = fresh[k - 1].text == event.text;
        if (seen) continue;
        if (kept != i) fresh[kept] = std::move(event);  // not onto itself: that would empty the text
        ++kept;
    }
    fresh.resize(kept);
    if (fresh.empty()) return;

    std::vector<JournalEvent> merged;
    merged.reserve(held.size() + fresh.size());
    std::merge(std::make_move_iterator(held.begin()), std::make_move_iterator(held.end()),
               std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()), std::back_inserter(merged),
               earlier<JournalEvent>);
    held = std::move(merged);
}

}  // namespace

void addLiveLine(JournalHistory& history, const JournalLine& line) {
    if (history.liveSince == INT64_MAX) history.liveSince = line.universalSeconds;
    // Live lines come as the clock goes: the last one has the present offset.
    history.offsetMinutes = line.offsetMinutes;
    if (!line.event.empty())
        insertInOrder(history.events, eventOf(line));
    else if (line.hasMeasured) {
        // A reading a second for days: the history grows by a day at a time,
        // not by doubling (a week would hold room for 16 MB where it needs 9.7).
        std::vector<JournalSample>& samples = history.samples;
        if (samples.size() == samples.capacity()) samples.reserve(samples.size() + static_cast<std::size_t>(kDaySeconds));
        insertInOrder(samples, sampleOf(line));
    }
}

std::vector<JournalLine> parseJournalFile(const char* bytes, std::size_t n) {
    std::vector<JournalLine> lines;
    if (bytes == nullptr) return lines;
    std::size_t at = 0;
    if (n >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF && static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF)
        at = 3;
    lines.reserve((n - at) / 40 + 1);

    JournalLine line;
    while (at < n) {
        const void* found = std::memchr(bytes + at, '\n', n - at);
        // Every line is written with its line break: text after the last one
        // is a line a crash cut short (or the zero bytes it left), even when
        // what is there happens to parse.
        if (found == nullptr) break;
        const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found) - bytes);
        if (parseJournalLine(bytes + at, end - at, line)) lines.push_back(std::move(line));
        at = end + 1;
    }
    sortByTime(lines);
    return lines;
}

void mergeJournalLines(JournalHistory& history, const std::vector<JournalLine>& lines) {
    mergeSamples(history, lines);
    mergeEvents(history, lines);
    // Before the first live line the newest line read back gives the offset.
    if (history.liveSince == INT64_MAX) {
        const JournalSample* sample = history.samples.empty() ? nullptr : &history.samples.back();
        const JournalEvent* event = history.events.empty() ? nullptr : &history.events.back();
        if (event != nullptr && (sample == nullptr || event->universalSeconds > sample->universalSeconds))
            history.offsetMinutes = event->offsetMinutes;
        else if (sample != nullptr)
            history.offsetMinutes = sample->offsetMinutes;
    }
}

std::string journalSpanLines(const JournalHistory& history, std::int64_t from, std::int64_t to) {
    std::string out;
    if (to <= from) return out;
    const auto byTime = [](const auto& item, std::int64_t second) { return item.universalSeconds < second; };
    auto s = std::lower_bound(history.samples.begin(), history.samples.end(), from, byTime);
    const auto sEnd = std::lower_bound(s, history.samples.end(), to, byTime);
    auto e = std::lower_bound(history.events.begin(), history.events.end(), from, byTime);
    const auto eEnd = std::lower_bound(e, history.events.end(), to, byTime);
    out.reserve(static_cast<std::size_t>(sEnd - s) * 42 + static_cast<std::size_t>(eEnd - e) * 80);

    JournalLine line;
    while (s != sEnd || e != eEnd) {
        // A reading goes before an event of the same second.
        if (e == eEnd || (s != sEnd && s->universalSeconds <= e->universalSeconds)) {
            line.universalSeconds = s->universalSeconds;
            line.offsetMinutes = s->offsetMinutes;
            line.hasMeasured = true;
            line.measuredTenths = s->measuredTenths;
            line.hasMaintained = s->hasMaintained;
            line.maintainedTenths = s->maintainedTenths;
            line.stage = s->stage;
            line.event.clear();
            ++s;
        } else {
            line = JournalLine{};
            line.universalSeconds = e->universalSeconds;
            line.offsetMinutes = e->offsetMinutes;
            line.hasMeasured = e->hasMeasured;
            line.measuredTenths = e->measuredTenths;
            line.hasMaintained = e->hasMaintained;
            line.maintainedTenths = e->maintainedTenths;
            line.stage = e->stage;
            line.event = e->text;
            ++e;
        }
        appendJournalLine(out, line);
    }
    return out;
}

std::vector<std::string> journalDaysOf(std::int64_t from, std::int64_t to, int offsetMinutes) {
    std::vector<std::string> names;
    if (to < from) return names;
    // Kept to the dates a line can carry (years 0001..9999), so the sums
    // below cannot overflow and a garbage span stays a bounded list.
    static const std::int64_t earliest = calendarSeconds(LocalTime{1, 1, 1, 0, 0, 0});
    static const std::int64_t latest = calendarSeconds(LocalTime{9999, 12, 31, 23, 59, 59});
    from = std::clamp(from, earliest, latest);
    to = std::clamp(to, earliest, latest);
    const std::int64_t offset = std::int64_t{std::clamp(offsetMinutes, -14 * 60, 14 * 60)} * 60;

    const auto dayOf = [](std::int64_t seconds) {
        return seconds >= 0 ? seconds / kDaySeconds : -((-seconds + kDaySeconds - 1) / kDaySeconds);
    };
    const std::int64_t first = dayOf(from + offset - kDaySeconds);
    const std::int64_t last = dayOf(to + offset + kDaySeconds);
    for (std::int64_t day = first; day <= last; ++day) {
        std::string name = journalFileName(calendarTime(day * kDaySeconds));
        if (names.empty() || names.back() != name) names.push_back(std::move(name));
    }
    return names;
}
