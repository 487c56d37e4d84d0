// Placeholder until recording is built: nothing is ever recorded.
#include "recording/recording.h"

void recordStep(HWND) {}
void endRecording() {}
void closeRecordFile() {}
void onRecordButton(HWND) {}
