#include "link/connection.h"

#include <cstring>

#include "link/serial_port.h"

namespace {

constexpr char kOpenFailedStart[] = "Не могу открыть порт ";
constexpr char kOpenFailedEnd[] = ".\n\rПорт отсутствует или\n\rзанят другим приложением.";

}  // namespace

void onConnectButton(HWND window) {
    // Once open, the first reply or its time-out carries the attempt on.
    if (openPort(window)) return;
    const char* name = portName();
    char text[sizeof kOpenFailedStart + 256 + sizeof kOpenFailedEnd];
    std::strcpy(text, kOpenFailedStart);
    std::strncat(text, name, 255);
    std::strcat(text, kOpenFailedEnd);
    MessageBoxA(window, text, nullptr, MB_OK);
}
