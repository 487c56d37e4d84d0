// What the wire shows of a program run, checked against the stage times
// worked out from the start moment and the holds alone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine_world.h"

namespace world {

// Faults of the set commands against the program, each as a line of text
// (empty when there is none):
// - every set command carries the temperature of the stage whose interval
//   holds the local time it was sent at, and none comes before the first
//   stage or after the program's end;
// - each stage's temperature is first sent in its start minute, unless
//   excused(stage) (the link was down or the program was not running then)
//   or its start lies outside [fromWall, toWall).
std::vector<std::string> runFaults(const std::vector<Frame>& sets, std::int64_t startWall,
                                   const std::vector<StageSpec>& stages, std::int64_t fromWall, std::int64_t toWall,
                                   const std::function<bool(std::size_t)>& excused = {});

std::string joined(const std::vector<std::string>& lines);

// "01.01.30 10:05:00" for a message.
std::string wallText(std::int64_t wallSeconds);

}  // namespace world
