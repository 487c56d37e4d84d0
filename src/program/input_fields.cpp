// Placeholder until the input fields are built.
#include "program/input_fields.h"

namespace {
SYSTEMTIME input;
}

SYSTEMTIME& startInput() { return input; }
std::uint8_t startMomentFlags() { return 0; }
bool startMomentValid() { return true; }
void subclassTemperatureEdit(HWND) {}
HWND createTwoDigitEdit(HWND, int, int, DWORD) { return nullptr; }
void onValueKey(HWND, WPARAM) {}
void onFieldKey(HWND, WPARAM, LPARAM) {}
