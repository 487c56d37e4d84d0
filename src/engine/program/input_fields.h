// The nine small edit fields as the engine sees them: the start moment behind
// the five start fields, the validity flags of the start moment and of the
// three stage-input fields, and what a changed or left field means. The
// window reports each field's keys; the texts are read back through the seat.
// Portable: no Windows header.
#pragma once

#include <cstdint>

#include "seat.h"
#include "program/clock_stamp.h"
#include "program/input_rules.h"

// The start moment behind the five start fields; year holds year minus 2000.
const ClockStamp& startInput();
// Puts a start moment into the five start fields (the run's start-up).
void setStartInput(const ClockStamp& start);

// Bit 0: the program lies in the past; bits 1..4: minute, hour, month, day
// field invalid. The start moment is valid while bits 1..4 are clear.
std::uint8_t startMomentFlags();
bool startMomentValid();
// Bit 0, from whether the program's end has come.
void setProgramPast(bool past);
bool programPast();

// Bit 0: stageTempEdit holds no valid temperature; bit 1: the hold is
// invalid. addStageButton is enabled while both are clear.
std::uint8_t stageInputFlags();
// Checks the three stage-input fields as they stand now, after the program
// has written them, and enables addStageButton to match.
void recheckStageInput();

// The temperature a temperature field holds (its first four characters).
ParsedTemperature fieldTemperature(Control field);

// The two-digit field a control is, or none.
TwoDigitField twoDigitFieldOf(Control control);
Control controlOf(TwoDigitField field);

// What a key in a field did to the start moment.
enum class StartChange {
    none,     // not a start field, or nothing the schedule follows
    invalid,  // a start field holds what no moment can be
    valid,    // a valid start moment, maybe another one
};

// A temperature field's key: setButton (while connected) and addStageButton
// follow the text.
void onValueKey(Control field, bool linkUp);
// A two-digit field was left: its text takes its shown form. True when the
// text changed (the caller then treats the field as changed).
bool onFieldLeft(TwoDigitField field);
// A two-digit field's text may have changed: the hold's flag, or the start
// moment and its flags.
StartChange onFieldChanged(TwoDigitField field);

// The stage-input fields as the window opens: 20,0 degC held 3 h 00 min.
void showFirstStageInput();

// Back to the state at program start: no start moment, no flags.
void resetInputFields();
