#include "link/connection.h"

#include <cstring>

#include "seat.h"
#include "link/protocol.h"

namespace {

constexpr char kOpenFailedStart[] = "Не могу открыть порт ";
constexpr char kOpenFailedEnd[] = ".\n\rПорт отсутствует или\n\rзанят другим приложением.";

}  // namespace

bool connectPort(const char* portName) {
    if (!startConnection(portName)) return false;
    seat().enable(Control::connectButton, false);
    seat().enable(Control::portCombo, false);
    return true;
}

void onConnectButton(const char* portName) {
    // Once open, the first reply or its time-out carries the attempt on.
    if (connectPort(portName)) return;
    char text[sizeof kOpenFailedStart + 256 + sizeof kOpenFailedEnd];
    std::strcpy(text, kOpenFailedStart);
    std::strncat(text, portName, 255);
    std::strcat(text, kOpenFailedEnd);
    seat().messageBox(text, nullptr, box::ok);
}
