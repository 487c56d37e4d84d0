// The texts of the controls, owned by the engine: what it last wrote into a
// control, or what the window last reported the operator typed or pasted.
// The engine reads its fields here, never back from the window. Portable: no
// Windows header.
#pragma once

#include <cstddef>

#include "seat.h"

// Writes the text into the control, and keeps it.
void showText(Control control, const char* text);
// The window reports a text the operator changed: it is kept.
void keepText(Control control, const char* text);
// The control's text: at most size - 1 characters and a zero.
void controlText(Control control, char* out, std::size_t size);

// Back to the state at program start: every text empty.
void resetTexts();
