// The conversation with the thermostat: the exchange cycle, the reply
// time-out, the connection state and the set command. It runs on the
// user-interface thread and reports to the window through LinkReports.
#pragma once

#include <windows.h>

#include <cstdint>

#include "link/link_state.h"
#include "link/temperature.h"

// Timers of the main window that the link starts and stops.
constexpr UINT_PTR exchangeTimer = 1000;  // 500 ms exchange cycle
constexpr UINT_PTR replyTimer = 1001;     // 1 s reply time-out

// What the link reports, on the user-interface thread, to the window that
// composes the reactions of the controls, the run and the recording. The
// window sets every member once, when it is created.
struct LinkReports {
    // The first accepted status reply of an attempt, or the first after a
    // loss: the link is up, the exchange cycle runs, and maintained is the
    // temperature the thermostat keeps.
    void (*connected)(HWND window, TemperatureCode maintained);
    // A later status reply changed what the thermostat reports: the
    // measured temperature (the readout), the maintained one, or both.
    void (*statusChanged)(HWND window, bool measuredChanged, bool maintainedChanged, TemperatureCode maintained);
    // A reply was missed while connected; the "Ошибка связи" box comes next.
    void (*lost)(HWND window);
    // The attempt or the connection was given up and the port is closed; from
    // is the state the link left (linkStartUp, linkDown or linkLost).
    void (*givenUp)(HWND window, LinkState from);
    // True while the thermostat's confirmations of set commands are not shown
    // (automatic control sends them).
    bool (*confirmationsQuiet)();
};
void setLinkReports(const LinkReports& reports);

LinkState linkState();
bool linkIsUp();

// Measured temperature of the last accepted status reply, tenths of degC.
std::int16_t measuredTenths();

// The temperature the next set command carries; 0 means none is pending.
// Setting it queues nothing.
void setTargetCode(TemperatureCode code);
TemperatureCode targetCode();
// Queues a set command carrying targetCode; the next free tick sends it.
void queueSetCommand();
// Sets targetCode and queues the set command.
void queueSetCommand(TemperatureCode code);

// True from the sending of a request until a reply to it is accepted.
bool requestInFlight();

// A connection attempt: opens the named port, sends the first poll and arms
// the reply timer of window. False when the port cannot be opened.
bool startConnection(const char* portName, HWND window);

// Back to the state at program start: linkStartUp, nothing queued, the port
// closed.
void resetLink();

// Handlers routed from the main window procedure.
void onExchangeTick(HWND window);   // communication step of timer 1000
void onReplyTimeout(HWND window);   // timer 1001
void onReplyArrived(HWND window);   // ReplyArrived
