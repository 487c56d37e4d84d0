// Keeping the computer awake: a run and a recording each ask for it, and the
// system is asked while either does. Portable: no Windows header.
#pragma once

enum class AwakeFor : unsigned { run = 1, recording = 2 };

void keepAwakeFor(AwakeFor reason, bool on);
// Back to the state at program start: nobody asks.
void resetAwake();
