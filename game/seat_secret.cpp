#include "game/seat_secret.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

#include "exchange/tokens.h"

namespace {

constexpr int kPartMax = 0xffff;

}  // namespace

bool SeatSecret::Matches(const SeatSecret& other) const {
    int differ = 0;
    for (int i = 0; i < kParts; ++i) differ |= parts[i] ^ other.parts[i];
    return differ == 0;
}

std::string SeatSecret::Hex() const {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (int part : parts)
        for (int shift = 12; shift >= 0; shift -= 4) hex += kDigits[(part >> shift) & 0xf];
    return hex;
}

SeatSecret DrawSecret() {
    std::uint16_t raw[SeatSecret::kParts];
    std::size_t got = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(raw);
    while (got < sizeof raw) {
        const ssize_t n = getrandom(bytes + got, sizeof raw - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (errno != EINTR)
            throw std::runtime_error("no random numbers for a seat's secret");
    }
    SeatSecret secret;
    for (int i = 0; i < SeatSecret::kParts; ++i) secret.parts[i] = raw[i];
    return secret;
}

void AppendSecret(std::string& line, const SeatSecret& secret) {
    for (int part : secret.parts) {
        line += ' ';
        append_int(line, part);
    }
}

std::optional<SeatSecret> ReadSecret(const Tokens& tokens, unsigned first) {
    if (tokens.data.size() < first + SeatSecret::kParts) return std::nullopt;
    SeatSecret secret;
    for (int i = 0; i < SeatSecret::kParts; ++i) {
        const int part = tokens.token(first + static_cast<unsigned>(i));
        if (part < 0 || part > kPartMax) return std::nullopt;
        secret.parts[i] = part;
    }
    return secret;
}

std::optional<SeatSecret> SecretFromHex(const std::string& hex) {
    if (hex.size() != 4 * SeatSecret::kParts) return std::nullopt;
    SeatSecret secret;
    for (std::size_t i = 0; i < hex.size(); ++i) {
        const char c = hex[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return std::nullopt;
        int& part = secret.parts[i / 4];
        part = part * 16 + digit;
    }
    return secret;
}
