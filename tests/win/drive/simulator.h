// The simulated thermostat as the end-to-end tests see it: its loopback
// command port and its log of the wire. The test scripts pass, in the
// environment:
//   SIM_CONTROL_PORT   the simulator's loopback command port
//   SIM_LOG            the simulator's log file (a path Wine can open)
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "wait.h"

// One frame on the wire as the simulator logged it.
struct WireFrame {
    double ms;  // time of day in milliseconds
    bool in;    // true: sent by the program; false: the thermostat's reply
    std::vector<std::uint8_t> bytes;
};

class Simulator {
public:
    // Sends one command line and returns the answer ("OK ..." or "ERR ...").
    static std::string command(const std::string& line);
    // Frames logged from now on are the ones frames() returns.
    static void markLog();
    static std::vector<WireFrame> frames();
    // Only the requests the program sent (IN lines).
    static std::vector<WireFrame> requests();
    // Waits until at least count requests have been logged since the mark.
    static bool waitForRequests(std::size_t count, DWORD timeoutMs);
    // The words of the last "LINE ..." entry since the mark (the line
    // settings the program put on the port, as the simulator read them), or
    // empty.
    static std::string lineSettings();
};

std::string hex(const std::vector<std::uint8_t>& bytes);
