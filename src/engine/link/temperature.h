// Temperatures as the thermostat, the settings file and the operator see them.
//
// A TemperatureCode is tenths of a kelvin with 0 degC = 2730. The operator reads
// and types degrees Celsius with one decimal and a comma ("25,5"). These are the
// only conversions between the two; no Windows header here.
#pragma once

#include <cstdint>

using TemperatureCode = std::uint16_t;

constexpr TemperatureCode kZeroCelsiusCode = 2730;
constexpr TemperatureCode kLowestAcceptedCode = 2630;   // -10,0 degC
constexpr TemperatureCode kHighestAcceptedCode = 3330;  // +60,0 degC

// Longest text plus its terminating zero ("-3276,8" and the zero byte).
constexpr int kTemperatureTextSize = 8;

// Tenths of a degree Celsius for a code, computed in 16 bits and read as signed,
// so code 0 gives -2730 and code 65535 gives -2731.
std::int16_t tenthsFromCode(TemperatureCode code);

// Writes the text form ("25,5", "-0,7", "0,0") of a value in tenths of a degree
// Celsius into out, which must hold kTemperatureTextSize bytes.
void formatTemperature(std::int16_t tenths, char* out);

struct ParsedTemperature {
    bool valid;
    TemperatureCode code;  // meaningful only when valid
};

// Parses what the operator typed. Only the first 4 characters of text count (the
// temperature fields hold 4); text must be zero-terminated. Valid results lie in
// kLowestAcceptedCode..kHighestAcceptedCode.
ParsedTemperature parseTemperatureText(const char* text);
