// The settings record in memory, and who may change which of its fields. Every
// module reads the record; each field has one writer, and the writer saves
// the change (through the seat) when the file must have it:
//   portIndex                         the port list (setPortIndex)
//   runFlag, the start moment         the run (setRunFlag, setStoredStartMoment)
//   stageCount, stages                the stage list (setStage, insertStage...)
//   recordIntervalIndex, the folder
//   and the file name                 the recording (setRecordChoice)
// Portable: no Windows header.
#pragma once

#include <cstdint>

#include "settings/settings_record.h"
#include "program/clock_stamp.h"

const SettingsRecord& settings();

// Start-up: the record as the settings file holds it.
void loadSettings(const SettingsRecord& record);

// Writes the whole record to the settings file (through the seat).
void saveSettings();

void setPortIndex(std::uint8_t index);
void setRunFlag(bool on);
void setStoredStartMoment(const ClockStamp& start);
// The stage at index (below kMaxStages); stageCount is left as it is.
void setStage(int index, const StageEntry& stage);
void setStageCount(int count);
// Takes the stage at index out; the later ones move up by one.
void removeStage(int index);
// An empty folder or name leaves that field as it is.
void setRecordChoice(const char* folder, const char* fileName, std::uint8_t intervalIndex);
