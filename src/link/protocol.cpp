// Placeholder until the exchange cycle is built: no link ever comes up.
#include "link/protocol.h"

LinkState linkState() { return linkStartUp; }
bool linkIsUp() { return false; }
std::int16_t measuredTenths() { return 0; }
void queueSetCommand(TemperatureCode) {}
TemperatureCode targetCode() { return 0; }
void onExchangeTick(HWND) {}
void onReplyTimeout(HWND) {}
void onReplyArrived(HWND) {}
void onSetButton(HWND) {}
