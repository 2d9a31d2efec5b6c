#include "base/server_address.h"

ServerAddress ReadServerAddress(const std::string& typed, int default_port) {
    const auto colon = typed.rfind(':');
    const std::string digits = colon == std::string::npos ? "" : typed.substr(colon + 1);
    // An address with colons of its own ("::1") names no port after them.
    if (colon == std::string::npos || typed.find(':') != colon) return {typed, default_port};
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return {typed, default_port};
    const int port = std::stoi(digits);
    if (port < 1 || port > 65535) return {typed, default_port};
    return {typed.substr(0, colon), port};
}
