#include "run_checks.h"

#include <cstdio>

namespace world {

std::string wallText(std::int64_t wall) {
    const LocalTime t = localTimeAt(wall);
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%02d %02d:%02d:%02d", t.day, t.month, t.year % 100, t.hour, t.minute,
                  t.second);
    return text;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

std::vector<std::string> runFaults(const std::vector<Frame>& sets, std::int64_t startWall,
                                   const std::vector<StageSpec>& stages, std::int64_t fromWall, std::int64_t toWall,
                                   const std::function<bool(std::size_t)>& excused) {
    const std::vector<std::int64_t> starts = stageStarts(startWall, stages);
    std::vector<std::string> faults;
    std::vector<bool> firstSeen(stages.size(), false);

    for (const Frame& set : sets) {
        std::size_t stage = stages.size();
        for (std::size_t k = 0; k < stages.size(); ++k)
            if (starts[k] <= set.wallSeconds && set.wallSeconds < starts[k + 1]) stage = k;
        if (stage == stages.size()) {
            faults.push_back("set command " + std::to_string(set.code()) + " at " + wallText(set.wallSeconds) +
                             ", outside the program");
            continue;
        }
        if (set.code() != stages[stage].code)
            faults.push_back("set command " + std::to_string(set.code()) + " at " + wallText(set.wallSeconds) +
                             " during stage " + std::to_string(stage + 1) + " of " +
                             std::to_string(stages[stage].code));
        if (firstSeen[stage]) continue;
        firstSeen[stage] = true;
        const bool inScope = starts[stage] >= fromWall && starts[stage] < toWall;
        if (inScope && set.wallSeconds >= starts[stage] + 60 && !(excused && excused(stage)))
            faults.push_back("stage " + std::to_string(stage + 1) + " first sent at " + wallText(set.wallSeconds) +
                             ", after its start minute " + wallText(starts[stage]));
    }
    for (std::size_t k = 0; k < stages.size(); ++k) {
        const bool inScope = starts[k] >= fromWall && starts[k] < toWall;
        if (inScope && !firstSeen[k] && !(excused && excused(k)))
            faults.push_back("stage " + std::to_string(k + 1) + " (" + wallText(starts[k]) + ") never sent");
    }
    return faults;
}

}  // namespace world
