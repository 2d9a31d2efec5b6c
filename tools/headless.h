// What the headless programs share: SDL without a window, and command-line numbers.
#pragma once

#include <map>
#include <string>
#include <vector>

// Starts SDL with the dummy video driver (SDL 1.2 runs its event queue only with video),
// SDL_net, the fast event queue and, when `network` is set, the network layer. Throws a
// runtime error with the library's text on failure; the destructor shuts all down again.
class HeadlessSDL {
  public:
    explicit HeadlessSDL(bool network);
    ~HeadlessSDL();
    HeadlessSDL(const HeadlessSDL&) = delete;
    HeadlessSDL& operator=(const HeadlessSDL&) = delete;

  private:
    bool network;
};

// SDL turns Ctrl-C and SIGTERM into its quit event: a headless program then stops, closes its
// connections, says in one line what it finished, and exits with this status.
constexpr int kInterruptedStatus = 130;

// The command line of a headless program: the "--name value" options it names, and --help (the
// usage on standard output, status 0) and --version (the same). Anything else, a missing value
// or a value out of range: one line naming the problem, then the usage, on standard error, and
// status 2.
class CommandLine {
  public:
    // `usage` is the whole text --help prints, its first line the synopsis.
    CommandLine(int argc, char** argv, std::string usage_t, const std::vector<std::string>& names);
    // The value of `name`, or `fallback` when it is not given.
    long long Number(const std::string& name, long long fallback, long long low,
                     long long high) const;
    std::string Text(const std::string& name, const std::string& fallback = "") const;
    bool Given(const std::string& name) const { return values.count(name) != 0; }
    [[noreturn]] void Fail(const std::string& problem) const;

  private:
    std::string program;
    std::string usage;
    std::map<std::string, std::string> values;
};
