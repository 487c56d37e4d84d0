// The engine's front: what the main window routes to the engine, and the
// reactions that several modules make together (the link up or given up: the
// controls, the run and the recording). The window creates the controls and
// the seat, then calls these. Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "seat.h"

// Every module's state as at program start, and the link's reports set.
void resetEngine();

// The window's controls exist and the ports are listed (setPortNames): the
// captions, the rows from the settings, the start-up connection on the saved
// port, the start moment, the schedule, and whether a run left in the file
// is still ahead.
void startEngine();

// The window is being destroyed: the start moment is kept.
void stopEngine();

// True when the window may close; asks the operator while a run is shown.
bool closeAllowed();

// A timer of the main window fired: routed by its identifier to the module
// that owns it. The window and the native tests deliver every timer through
// this one rule; false when the identifier is no timer of the engine's.
bool onEngineTimer(std::uintptr_t id);
// A whole reply to the request last sent.
void onEngineReply(const std::uint8_t* reply, std::size_t n);
// A click on one of the engine's buttons.
void onEngineButton(Control button);
// The operator picked entry index of the port combo.
void onPortChosen(int index);
// A key changed a field (ValueKey for the two temperature fields, FieldKey's
// fieldChanged for the two-digit ones); fieldLeft when a two-digit field lost
// the focus.
void onEngineValueKey(Control field);
// The operator changed a field's text (a key, a paste, a cut, an undo): the
// engine keeps it and checks it as typed text.
void onEngineTextChanged(Control field, const char* text);
void onEngineFieldChanged(Control field);
void onEngineFieldLeft(Control field);
// The operator marked a row of the list (a click, a key), or none (-1).
void onEngineRowMarked(int row);
void onEngineStageDoubleClick();
void onEngineStageDeleteKey();
// The journal's writer reports whether its lines reached the file.
void onEngineJournalWritten(bool ok);
// True when a double-click on the readout opens the chart: while connected.
bool readoutOpensChart();
// Start-up, before startEngine: the alerts' settings file (settingsThere
// false: there is none, nothing is sent), the queue file the program left,
// and the computer's name.
void setEngineAlertFiles(bool settingsThere, const char* settingsText, std::size_t n, const char* queueText,
                         std::size_t queueN, const char* computer);
// The main window is shown: what waits for it (the alerts file's problems).
void onEngineWindowShown();
// The sender's answer to a request: status 0 when nothing came back.
void onEngineHttpAnswer(std::uint64_t id, int status, const char* reason);
