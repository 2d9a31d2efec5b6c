#include "store/server_keys.h"

#include <sys/random.h>

#include <cerrno>

#include "base/number_text.h"
#include "store/key_values.h"

namespace {

std::string Hex(const PlayerKey& key) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : key) hex += {kDigits[b >> 4], kDigits[b & 15]};
    return hex;
}

std::optional<PlayerKey> FromHex(const std::string& hex) {
    if (hex.size() != 64) return std::nullopt;
    PlayerKey key;
    for (std::size_t i = 0; i < key.size(); ++i) {
        unsigned value = 0;
        for (char c : hex.substr(2 * i, 2)) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0) return std::nullopt;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        key[i] = static_cast<unsigned char>(value);
    }
    return key;
}

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
        if (const std::string* hex = kept.Find(server, "key")) key = FromHex(*hex);
        if (key || !(key = Drawn())) return;
        kept.Set("", "version", int_to_string(kVersion));
        kept.Set(server, "key", Hex(*key));
        file.Save(kept.Text());
    });
    return key;
}
