// The conversation with the thermostat: the exchange cycle, the reply
// time-out, the connection state and the manual set command.
#pragma once

#include <windows.h>

#include <cstdint>

#include "link/temperature.h"

enum LinkState : std::uint8_t {
    linkStartUp = 0,
    linkDown = 1,
    linkLost = 2,
    linkUp = 0xFF,
};

LinkState linkState();
bool linkIsUp();

// Measured temperature of the last accepted status reply, tenths of degC.
std::int16_t measuredTenths();

// Queues a set command carrying code; the next free tick sends it.
void queueSetCommand(TemperatureCode code);
TemperatureCode targetCode();

// Handlers routed from the main window procedure.
void onExchangeTick(HWND window);   // communication step of timer 1000
void onReplyTimeout(HWND window);   // timer 1001
void onReplyArrived(HWND window);   // ReplyArrived
void onSetButton(HWND window);      // WM_COMMAND from setButton
