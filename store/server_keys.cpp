#include "store/server_keys.h"

#include <sys/random.h>

#include <cerrno>

#include "base/number_text.h"
#include "store/key_values.h"

namespace {

std::optional<PlayerKey> Drawn() {
    PlayerKey key;
    for (std::size_t got = 0; got < key.size();) {
        const ssize_t n = getrandom(key.data() + got, key.size() - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (errno != EINTR)
            return std::nullopt;
    }
    return key;
}

}  // namespace

std::optional<PlayerKey> ServerKeys::For(const std::string& server) {
    std::optional<PlayerKey> key;
    // Two windows may add a key at once: each reads the file again under its lock.
    file.Locked([&] {
        KeyValues kept;
        kept.Load(file, kVersion);
        if (const std::string* hex = kept.Find(server, "key")) key = PlayerKeyFromHex(*hex);
        if (key || !(key = Drawn())) return;
        kept.Set("", "version", int_to_string(kVersion));
        kept.Set(server, "key", PlayerKeyHex(*key));
        file.Save(kept.Text());
    });
    return key;
}
