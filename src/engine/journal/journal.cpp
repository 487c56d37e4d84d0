#include "journal/journal.h"

#include <climits>
#include <cstring>
#include <string>

#include "seat.h"
#include "link/temperature.h"

const char kJournalFailedCaption[] = "Журнал температуры";
const char kJournalFailedText[] =
    "Журнал температуры не записывается: на диске нет места, файл журнала\n\r"
    "занят другой программой или его папку нельзя создать.\n\n\r"
    "Управление термостатом продолжается. Это сообщение появится снова,\n\r"
    "если запись журнала восстановится и снова прервётся.";

namespace {

struct JournalState {
    // Readings are written from the first reply of a connection until the
    // link is given up or the program closes.
    bool reading = false;
    std::int64_t lastSecond = INT64_MIN;
    // What the thermostat reported last, while the link is up.
    bool linkUp = false;
    std::int16_t measured = 0;
    std::int16_t maintained = 0;
    int stage = 0;
    // A failed write is told once; again only after a write succeeded.
    bool boxArmed = true;
    JournalHistory history;
};
JournalState journal;

void append(JournalLine& line, const ClockReading& clock) {
    line.universalSeconds = clock.universalSeconds;
    line.offsetMinutes = utcOffsetMinutes(clock);
    const std::string text = formatJournalLine(line);
    seat().files.appendJournal(journalFileName(clock.local).c_str(), text.data(), text.size());
    addLiveLine(journal.history, line);
}

JournalLine lineOfNow() {
    JournalLine line;
    if (journal.linkUp) {
        line.hasMeasured = true;
        line.measuredTenths = journal.measured;
        line.hasMaintained = true;
        line.maintainedTenths = journal.maintained;
    }
    line.stage = journal.stage;
    return line;
}

std::string valueText(std::int16_t tenths) {
    char text[kTemperatureTextSize];
    formatTemperature(tenths, text);
    return std::string(text) + " °C";
}

}  // namespace

void journalEvent(const char* text) {
    JournalLine line = lineOfNow();
    line.event = text;
    append(line, seat().system.clock());
}

void journalChange(const char* text, std::int16_t oldTenths, std::int16_t newTenths) {
    const std::string words = std::string(text) + ": было " + valueText(oldTenths) + ", стало " + valueText(newTenths);
    journalEvent(words.c_str());
}

void journalValues(bool linkUp, std::int16_t measured, std::int16_t maintained, int stage) {
    journal.linkUp = linkUp;
    journal.measured = measured;
    journal.maintained = maintained;
    journal.stage = stage;
}

void journalReadings(bool on) {
    journal.reading = on;
    if (!on) journal.lastSecond = INT64_MIN;
}

void journalTick() {
    if (!journal.reading || !journal.linkUp) return;
    const ClockReading clock = seat().system.clock();
    if (clock.universalSeconds == journal.lastSecond) return;
    journal.lastSecond = clock.universalSeconds;
    JournalLine line = lineOfNow();
    append(line, clock);
}

void onJournalWritten(bool ok) {
    if (ok) {
        journal.boxArmed = true;
        return;
    }
    if (!journal.boxArmed) return;
    journal.boxArmed = false;
    // The box's own loop keeps the exchange and the run going under it.
    seat().boxes.show(kJournalFailedText, kJournalFailedCaption, box::ok | box::iconExclamation);
}

JournalHistory& journalHistory() { return journal.history; }

std::int64_t journalNow() { return seat().system.clock().universalSeconds; }
int journalOffsetNow() { return utcOffsetMinutes(seat().system.clock()); }

void resetJournal() { journal = JournalState{}; }
