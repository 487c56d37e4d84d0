// The journal's writer: a thread of its own appends each line the engine
// hands over to the file of its local day in "<local application
// data>\KRMD\journal\", as UTF-8 with a byte-order mark, and flushes the files
// to the disk at least every 30 s, so that a killed program loses only the
// lines of its last moment and a power cut at most the last minute. Control
// never waits for it: handing a line over only queues it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// The private message the writer posts to the main window with its report:
// wParam 1 when the lines since the last report reached the file, 0 when a
// write failed (a full disk, a file held, a folder that cannot be made).
constexpr UINT JournalWritten = WM_USER + 110;

// "<local application data>\KRMD\journal" (no trailing backslash); empty
// when the system does not give the folder.
std::string journalFolder();

// Starts the thread; reports go to window.
void startJournalWriter(HWND window);
// Queues a line (the program's text) for the file named fileName.
void queueJournalLine(const char* fileName, const char* text, std::size_t n);
// Writes what is queued, flushes and ends the thread.
void stopJournalWriter();
