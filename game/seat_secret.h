// The secret that lets a player whose connection dropped take the seat back: 128 bits from the
// operating system's generator, travelling as eight 16-bit numbers so that a line stays integers.
#pragma once

#include <array>
#include <optional>
#include <string>

class Tokens;

struct SeatSecret {
    static constexpr int kParts = 8;
    std::array<int, kParts> parts{};

    // Compares every part whatever the first difference, so that the time taken tells nothing.
    bool Matches(const SeatSecret& other) const;
    // The 32 hexadecimal digits, as the state folder keeps it.
    std::string Hex() const;
};

// A fresh secret; throws std::runtime_error when the system has no randomness to give.
SeatSecret DrawSecret();
// Appends a blank and each part.
void AppendSecret(std::string& line, const SeatSecret& secret);
// The secret of kParts tokens from `first` on; none unless each is 0..65535.
std::optional<SeatSecret> ReadSecret(const Tokens& tokens, unsigned first);
// The secret of 32 hexadecimal digits; none for anything else.
std::optional<SeatSecret> SecretFromHex(const std::string& hex);
