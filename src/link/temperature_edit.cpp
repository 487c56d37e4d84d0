#include "link/temperature_edit.h"

ParsedTemperature parseTemperature(HWND edit) {
    // Room for 4 characters and the zero: the fields hold 4, and a longer text
    // set by the program ("-10,0") is read as its first 4 characters.
    char text[5] = {};
    SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return parseTemperatureText(text);
}
