// The operator's commands, one per line, and the simulator's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "thermostat.h"

// "25,0", "-5,5", "300" or "25.0": degrees Celsius with at most one decimal,
// over the whole range a code can carry (not only what the program accepts).
std::optional<TemperatureCode> parseWideTemperature(std::string_view text);

// A whole unsigned number, nothing else.
std::optional<unsigned> parseCount(std::string_view text);

// The text with bytes outside printable ASCII shown as \xNN and cut to
// maxLength characters ("..." added), so that a command echoed to the log or
// the answer stays on one readable line.
std::string printableText(std::string_view text, std::size_t maxLength = 80);

// Runs one command line and returns the one-line answer, "OK ..." or "ERR ...".
// Sets quit for "quit". An empty line returns an empty answer.
std::string runCommand(Thermostat& thermostat, std::string_view line, double now, bool& quit);

struct SimOptions {
    std::string linkPath;
    std::string logPath;
    int controlPort = -1;  // -1: none; 0: any free port
    ThermostatConfig thermostat;
    TemperatureCode measured = 2980;
    TemperatureCode maintained = 2980;
    bool seedGiven = false;
    bool help = false;
};

// Returns an error text, or nothing when the arguments are good.
std::optional<std::string> parseOptions(int argc, const char* const* argv, SimOptions& options);

extern const char* const kUsage;
