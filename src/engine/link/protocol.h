// The conversation with the thermostat: the exchange cycle, the reply
// time-out, the connection state and the set command. It acts through the
// seat (frames, timers, boxes) and reports to the engine's front through
// LinkReports. Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/link_state.h"
#include "link/temperature.h"

// What the link reports to the module that composes the reactions of the
// controls, the run and the recording. Set once, before the first attempt.
struct LinkReports {
    // The first accepted status reply of an attempt, or the first after a
    // loss: the link is up, the exchange cycle runs, and maintained is the
    // temperature the thermostat keeps.
    void (*connected)(TemperatureCode maintained);
    // A later status reply changed what the thermostat reports: the
    // measured temperature (the readout), the maintained one, or both.
    void (*statusChanged)(bool measuredChanged, bool maintainedChanged, TemperatureCode maintained);
    // A reply was missed while connected; the "Ошибка связи" box comes next.
    void (*lost)();
    // The attempt or the connection was given up and the port is closed; from
    // is the state the link left (linkStartUp, linkDown or linkLost).
    void (*givenUp)(LinkState from);
    // True while the thermostat's confirmations of set commands are not shown
    // (automatic control sends them).
    bool (*confirmationsQuiet)();
};
void setLinkReports(const LinkReports& reports);

LinkState linkState();
bool linkIsUp();

// Measured temperature of the last accepted status reply, tenths of degC.
std::int16_t measuredTenths();
// The code the thermostat last reported it maintains; 0 before a reply.
TemperatureCode maintainedCode();

// The temperature the running stage asks for; 0 means none. Setting it
// queues nothing and leaves a command already queued as it is.
void setTargetCode(TemperatureCode code);
TemperatureCode targetCode();
// Sets targetCode and queues a set command carrying code, which a later
// setTargetCode does not change. Code 0 (no temperature) is never queued
// nor sent.
void queueSetCommand(TemperatureCode code);
// The same for automatic control: the thermostat's confirmation of this
// command is never shown, even when it comes after the run has ended.
void queueQuietSetCommand(TemperatureCode code);

// True while a set command waits for the next free exchange.
bool setCommandQueued();

// True from the sending of a request until a reply to it is accepted.
bool requestInFlight();

// A connection attempt: opens the named port, sends the first poll and starts
// the reply time-out. False when the port cannot be opened.
bool startConnection(const char* portName);

// Back to the state at program start: linkStartUp, nothing queued.
void resetLink();

// The communication step of the exchange timer.
void onExchangeTick();
// The reply timer.
void onReplyTimeout();
// A whole reply to the request last sent; the conversation knows which
// request that was.
void onReplyArrived(const std::uint8_t* reply, std::size_t n);
