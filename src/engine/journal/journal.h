// The journal: from the first reply of a connection until the link is given
// up or the program closes, one reading a second, and one line for each
// event of the program (start and exit, the link, set commands, the run, the
// stage list, the recording, a clock change). Lines go to the seat's journal
// writer, which appends them to the file of their local day on a thread of
// its own, and into the history the chart shows. A failed write is told once,
// in one box, and again only after the journal has written again and then
// failed anew. Portable: no Windows header.
#pragma once

#include <cstdint>

#include "journal/journal_history.h"

// The box of a journal that cannot be written, and its caption.
extern const char kJournalFailedCaption[];
extern const char kJournalFailedText[];

// An event, in words, with the temperatures of this moment when the link is
// up (maintained: the thermostat's last reported value).
void journalEvent(const char* text);
// An event with its old and new values, in tenths of degC: "... было 20,0 °C,
// стало 25,0 °C".
void journalChange(const char* text, std::int16_t oldTenths, std::int16_t newTenths);

// What events and readings carry: the thermostat's last report while the
// link is up, and the running stage (1-based; 0 when none runs).
void journalValues(bool linkUp, std::int16_t measuredTenths, std::int16_t maintainedTenths, int stage);
// Readings on (the first reply of a connection) or off (the link given up,
// the program closing).
void journalReadings(bool on);
// Called at every exchange tick: a reading when a new second has begun, the
// readings are on and the link is up.
void journalTick();

// The writer's report on the lines handed to it: whether they reached the
// file. A failure after a success brings the box.
void onJournalWritten(bool ok);

// The lines of this program start and those read back, for the chart.
JournalHistory& journalHistory();

// Universal time (from 01.01.1601 UTC) and the UTC offset of now.
std::int64_t journalNow();
int journalOffsetNow();

void resetJournal();
