#include "store/places.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// $variable when it is an absolute path, else `fallback` under $HOME, else "".
std::string base(const char* variable, const char* fallback) {
    const std::string set = env(variable);
    if (!set.empty() && set[0] == '/') return set;
    const std::string home = env("HOME");
    if (home.empty() || home[0] != '/') return "";
    return home + "/" + fallback;
}

std::string velmora_in(const std::string& dir) {
    return dir.empty() ? "" : dir + "/velmora";
}

}  // namespace

Places FindPlaces() {
    return {velmora_in(base("XDG_CONFIG_HOME", ".config")),
            velmora_in(base("XDG_DATA_HOME", ".local/share")),
            velmora_in(base("XDG_STATE_HOME", ".local/state"))};
}

bool MakeFolders(const std::string& dir, std::string& why) {
    for (std::size_t at = 1; at <= dir.size(); ++at) {
        if (at < dir.size() && dir[at] != '/') continue;
        const std::string part = dir.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            why = "can't create " + part + ": " + std::strerror(errno);
            return false;
        }
    }
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        why = dir + " is not a folder";
        return false;
    }
    return true;
}
