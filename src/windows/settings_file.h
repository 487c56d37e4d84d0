// The settings file: opened at start-up, kept open and unshared for the whole
// run, rewritten in place whenever the engine saves the record.
#pragma once

#include "settings/settings_record.h"

// Builds "<application data>\KRMD\quellor.ini" into path (MAX_PATH + 32 bytes),
// creating the folder. False when the folder cannot be made.
bool prepareSettingsPath(char* path, unsigned size);

// Opens (or creates) the settings file and loads it into the record; a new
// file gets the defaults written into it. False when the file cannot be opened.
bool openSettingsFile(const char* path);

// Writes the header and the valid stages at the start of the file and flushes
// them to the disk. The file is never truncated.
void writeSettingsFile(const SettingsRecord& record);

void closeSettingsFile();
