// The recording's Windows side: the "FileDialog" in which the operator picks
// the file and the interval, the record file it creates with its header, and
// the writes of the value lines the recording decides.
#pragma once

#include <windows.h>

#include <cstddef>

#include "seat.h"

// Runs the dialog owned by window; true when a file is open with its header
// written, and choice says what was picked.
bool runRecordDialog(HWND window, RecordChoice& choice);

// What is at path before a record file is made there.
RecordFileFound probeRecordFile(const char* path);
// Makes the record file at path with its header; once made, it is the one the
// value lines go to.
RecordFileMade makeRecordFile(const char* path, const char* header, std::size_t n);
// The dialog while it is open, or null.
HWND recordDialogWindow();

// Appends to the open record file; false when the system wrote less or failed.
bool writeRecordFile(const char* text, std::size_t n);
// Closes the record file, if one is open.
void closeRecordFile();

// Dialog procedure of "FileDialog"; its result is 1 when a file was opened.
INT_PTR CALLBACK fileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
