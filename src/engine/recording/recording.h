// Recording the measured temperature into a text file: the recordButton, the
// value lines written by the exchange timer's ticks on the grid of the
// recording's start, and what a failed write ends. The file is chosen and
// opened by the recording's dialog, through the seat. Portable: no Windows
// header.
#pragma once

#include <cstdint>
#include <string>

// The record button's caption while no recording runs, and the caption of the
// recording's boxes.
extern const char kRecordCaption[];

// The record button and its tooltip as the window creates them.
void showIdleRecordButton();

// First step of every exchange tick: writes the last measured temperature
// when the next value is due.
void recordStep();
// The same with the value given (the link's measuredTenths in recordStep).
void recordTick(std::int16_t tenths);

// Ends a recording, if one runs: closes the file and puts recordButton and
// its tooltip back. Called when the link is given up.
void endRecording();

// recordButton pressed: opens the dialog, or asks before stopping.
void onRecordButton();

bool recordingActive();

// "Начать запись" in the recording's dialog: the file at path is made with
// the header for the interval, after what is found there is asked about or
// reported (in boxes over the dialog). True when it is the record file now;
// false leaves the dialog open.
bool startRecordFile(const char* path, std::uint8_t intervalIndex);

// The message of a write to the record file that failed, for this path.
std::string recordWriteFailedText(const char* path);
// Puts the recording state back to that of a program start.
void resetRecording();
