// Placeholder until the serial port is built: no port ever opens.
#include "link/serial_port.h"

bool openPort(HWND) { return false; }
void sendRequest(HWND, const std::uint8_t*, std::size_t, std::size_t) {}
const std::uint8_t* replyBytes() {
    static const std::uint8_t none[8] = {};
    return none;
}
bool portOpen() { return false; }
void closePort() {}
const char* portName() { return "COM100"; }
