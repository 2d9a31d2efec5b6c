// A server's address as a person types it: HOST, or HOST:PORT.
#pragma once

#include <string>

struct ServerAddress {
    std::string host;
    int port = 0;
};

// `typed` split at its colon when digits of a port (1 to 65535) follow it; otherwise, and for an
// address of several colons, all of it is the host, at `default_port`.
ServerAddress ReadServerAddress(const std::string& typed, int default_port);
