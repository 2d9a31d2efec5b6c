// The strategy a headless program is told to play with, by name on its command line.
#pragma once

#include <string>

#include "game/strategy.h"
#include "tools/headless.h"

// The strategy called `name`; an unknown name is a bad command line.
inline Strategy StrategyNamed(const CommandLine& line, const std::string& name) {
    Strategy s;
    if (!ParseStrategy(name, s))
        line.Fail("no strategy '" + name + "' (easy, auto, strong or expert)");
    return s;
}
