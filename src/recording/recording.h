// Recording the measured temperature into a text file.
#pragma once

#include <windows.h>

void recordStep(HWND window);
void endRecording();
// Closes the record file at program end, if one is open.
void closeRecordFile();
void onRecordButton(HWND window);
