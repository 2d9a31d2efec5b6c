// The strategy a headless program is told to play with, by name on its command line.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "game/strategy.h"
#include "tools/headless.h"

// The strategy called `name`; an unknown name is a bad command line.
inline Strategy StrategyNamed(const CommandLine& line, const std::string& name) {
    Strategy s;
    if (!ParseStrategy(name, s))
        line.Fail("no strategy '" + name + "' (easy, auto, strong or expert)");
    return s;
}

// The strategies of a comma-separated `list` ("" for none).
inline std::vector<Strategy> StrategyList(const CommandLine& line, const std::string& list) {
    std::vector<Strategy> strategies;
    for (std::size_t at = 0; !list.empty() && at <= list.size();) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        strategies.push_back(StrategyNamed(line, list.substr(at, comma - at)));
        at = comma + 1;
    }
    return strategies;
}
