#include "tools/headless.h"

#include <SDL.h>
#include <SDL_net.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "net/fastevents.h"
#include "net/net2.h"

HeadlessSDL::HeadlessSDL(bool network_t) : network(network_t) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    FE_CatchQuitSignals();
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) == -1)
        throw std::runtime_error(std::string("SDL: ") + SDL_GetError());
    if (SDLNet_Init() == -1)
        throw std::runtime_error(std::string("SDL(Net): ") + SDLNet_GetError());
    if (FE_Init() == -1) throw std::runtime_error(std::string("SDL(FE): ") + FE_GetError());
    if (network && NET2_Init() == -1)
        throw std::runtime_error(std::string("SDL(Net2): ") + NET2_GetError());
}

HeadlessSDL::~HeadlessSDL() {
    if (network) NET2_Quit();
    FE_Quit();
    SDLNet_Quit();
    SDL_Quit();
}

CommandLine::CommandLine(int argc, char** argv, std::string usage_t,
                         const std::vector<std::string>& names)
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
