#include "seat.h"

namespace {

void noFrame(const std::uint8_t*, std::size_t, std::size_t) {}
bool noPort(const char*) { return false; }
void nothing() {}
void noTimer(Timer, unsigned) {}
void noTimerStop(Timer) {}
int noBox(const char*, const char*, unsigned) { return box::answerCancel; }
void noClose(const char*) {}
void noText(Control, const char*) {}
void noFlag(Control, bool) {}
void noControl(Control) {}
void noWidth(int) {}
void noPart(Part) {}
void noRow(int, const char*) {}
void noRowIndex(int) {}
void noCell(int, int, const char*) {}
void noSelect(int, bool) {}
void noSave(const SettingsRecord&) {}
bool noChoice(RecordChoice&) { return false; }
RecordFileFound noProbe(const char*) { return RecordFileFound::unreachable; }
RecordFileMade noMaking(const char*, const char*, std::size_t) { return RecordFileMade::notMade; }
bool noLine(const char*, std::size_t) { return false; }
void noJournal(const char*, const char*, std::size_t) {}
void noQueue(const char*, std::size_t) {}
bool noSettings(const char*, std::size_t) { return false; }
void noSend(std::uint64_t, const char*, const char*, const char*, const char*, std::size_t) {}
void noAnswer(const char*) {}
void noAwake(bool) {}
ClockReading noTime() { return ClockReading{LocalTime{2000, 1, 1, 0, 0, 0}, 0}; }
std::uint32_t noTicks() { return 0; }

// Until the window sets its own, the engine acts on nothing.
Seat current{
    .line = {.writeFrame = noFrame, .openPort = noPort, .closePort = nothing},
    .timers = {.start = noTimer, .stop = noTimerStop},
    .view = {.setText = noText,
             .enable = noFlag,
             .show = noFlag,
             .focus = noControl,
             .setTip = noText,
             .placeRunButton = noWidth,
             .repaint = noPart,
             .insertRow = noRow,
             .deleteRow = noRowIndex,
             .deleteAllRows = nothing,
             .setCell = noCell,
             .selectRow = noSelect,
             .ensureRowVisible = noRowIndex},
    .boxes = {.show = noBox, .close = noClose, .showOverDialog = noBox},
    .files = {.saveSettings = noSave,
              .chooseRecordFile = noChoice,
              .probeRecordFile = noProbe,
              .makeRecordFile = noMaking,
              .writeRecordLine = noLine,
              .closeRecordFile = nothing,
              .appendJournal = noJournal,
              .saveAlertQueue = noQueue,
              .saveAlertSettings = noSettings},
    .net = {.send = noSend, .testAnswered = noAnswer},
    .system = {.keepAwake = noAwake, .clock = noTime, .tickCount = noTicks},
};

}  // namespace

void setSeat(const Seat& given) { current = given; }
const Seat& seat() { return current; }
