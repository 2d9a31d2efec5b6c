// The keys this player holds, one for each server played on, in server-keys.ini in the data
// folder (readable by its owner alone): a section for each server ("[host:port]") with its key as
// 64 hexadecimal digits. A server gives a name to whoever first used it with a key: copying this
// file to another machine takes the names along.
#pragma once

#include <optional>
#include <string>

#include "game/lobby_lines.h"
#include "store/kept_file.h"

class ServerKeys {
  public:
    // `dir` "" keeps nothing: each key is drawn for this run alone.
    explicit ServerKeys(const std::string& dir) : file(dir, "server-keys.ini") {}
    // The key for `server` ("host:port"): the one kept, or a new one, kept from now on. None
    // where the system has no randomness to give.
    std::optional<PlayerKey> For(const std::string& server);

  private:
    static constexpr int kVersion = 1;
    KeptFile file;
};
