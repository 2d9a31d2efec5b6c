#include "exchange/tokens.h"

#include <cctype>
#include <climits>
#include <cstdio>

std::string int_to_string(int num) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, "%d", num);
    return buffer;
}

int string_to_int(std::string s) {
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    // Accumulate the magnitude in a wider type and stop growing once it is past the int range.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > limit) value = limit;
    }
    return static_cast<int>(negative ? -value : value);
}

Tokens::Tokens(const std::string& msg) {
    std::string piece;
    for (char c : msg) {
        if (c != ' ') {
            piece += c;
            continue;
        }
        if (!piece.empty()) data.push_back(string_to_int(piece));
        piece.clear();
    }
    if (!piece.empty()) data.push_back(string_to_int(piece));
}

int Tokens::token(unsigned x) const {
    return x < data.size() ? data[x] : -1;
}

std::string Tokens::get_string() const {
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) out += ' ';
        out += int_to_string(data[i]);
    }
    return out;
}
