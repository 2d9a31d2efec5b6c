#include "base/command_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

CommandLine::CommandLine(int argc, char** argv, std::string usage_t,
                         const std::vector<std::string>& names,
                         const std::vector<std::string>& flags)
    : program(argc > 0 ? argv[0] : "velmora"), usage(std::move(usage_t)) {
    program = program.substr(program.rfind('/') + 1);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::printf("%s", usage.c_str());
            std::exit(0);
        }
        if (arg == "--version") {
            std::printf("%s %s\n", program.c_str(), VELMORA_VERSION);
            std::exit(0);
        }
        if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
            values[arg] = "";
            continue;
        }
        if (std::find(names.begin(), names.end(), arg) == names.end())
            Fail("unknown option '" + arg + "'");
        if (i + 1 >= argc) Fail("option " + arg + " needs a value");
        values[arg] = argv[++i];
    }
}

void CommandLine::Fail(const std::string& problem) const {
    std::fprintf(stderr, "%s: %s\n%s", program.c_str(), problem.c_str(), usage.c_str());
    std::exit(2);
}

long long CommandLine::Number(const std::string& name, long long fallback, long long low,
                              long long high) const {
    const auto found = values.find(name);
    if (found == values.end()) return fallback;
    const char* text = found->second.c_str();
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || value < low || value > high)
        Fail(name + " takes a number from " + std::to_string(low) + " to " + std::to_string(high) +
             ", not '" + found->second + "'");
    return value;
}

std::string CommandLine::Text(const std::string& name, const std::string& fallback) const {
    const auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
}
