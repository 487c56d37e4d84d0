// Reading a temperature typed into one of the two temperature fields.
#pragma once

#include <windows.h>

#include "link/temperature.h"

// Reads at most the first 4 characters of the edit control and parses them.
ParsedTemperature parseTemperature(HWND edit);
