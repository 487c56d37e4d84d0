// Recording the measured temperature into a text file: the recordButton, the
// "FileDialog" in which the file and the interval are chosen, and the value
// lines written by the exchange timer's ticks.
#pragma once

#include <windows.h>

#include <cstdint>

// The handles the recording works with, given by the main window once its
// controls exist: the window (owner of the dialog and of the messages), the
// recordButton whose caption follows the state, and the tooltip control.
void initRecording(HWND window, HWND recordButton, HWND toolTip);

// First step of every exchange tick: writes the last measured temperature
// when the next value is due.
void recordStep(HWND window);
// The same with the value given (the link's measuredTenths in recordStep).
void recordTick(std::int16_t tenths);

// Ends a recording, if one runs: closes the file and puts recordButton and
// its tooltip back. Called when the link is given up.
void endRecording();
// Closes the record file at program end, if one is open; the controls are
// being destroyed and are left alone.
void closeRecordFile();

// recordButton pressed: opens the dialog, or asks before stopping.
void onRecordButton(HWND window);

// Dialog procedure of "FileDialog"; its result is 1 when a recording started.
INT_PTR CALLBACK fileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

bool recordingActive();
// Puts the recording state back to that of a program start (for tests).
void resetRecording();
