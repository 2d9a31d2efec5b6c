// The command line of every program of the game.
#pragma once

#include <map>
#include <string>
#include <vector>

// The "--name value" options and the "--flag" options a program names, and --help (the usage on
// standard output, status 0) and --version (the same). Anything else, a missing value or a value
// out of range: one line naming the problem, then the usage, on standard error, and status 2.
class CommandLine {
  public:
    // `usage` is the whole text --help prints, its first line the synopsis.
    CommandLine(int argc, char** argv, std::string usage_t, const std::vector<std::string>& names,
                const std::vector<std::string>& flags = {});
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
