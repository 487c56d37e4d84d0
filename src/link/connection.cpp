#include "link/connection.h"

#include <cstring>

#include "link/port_list.h"
#include "link/protocol.h"

namespace {

constexpr char kOpenFailedStart[] = "Не могу открыть порт ";
constexpr char kOpenFailedEnd[] = ".\n\rПорт отсутствует или\n\rзанят другим приложением.";

}  // namespace

bool connectChosenPort(HWND window, HWND combo, HWND connectButton) {
    if (!startConnection(choosePortName(combo), window)) return false;
    EnableWindow(connectButton, FALSE);
    EnableWindow(combo, FALSE);
    return true;
}

void onConnectButton(HWND window, HWND combo, HWND connectButton) {
    // Once open, the first reply or its time-out carries the attempt on.
    if (connectChosenPort(window, combo, connectButton)) return;
    char text[sizeof kOpenFailedStart + 256 + sizeof kOpenFailedEnd];
    std::strcpy(text, kOpenFailedStart);
    std::strncat(text, chosenPortName(), 255);
    std::strcat(text, kOpenFailedEnd);
    MessageBoxA(window, text, nullptr, MB_OK);
}
