#include "base/number_text.h"

#include <charconv>
#include <climits>

namespace {

bool is_space(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string int_to_string(int num) {
    std::string out;
    append_int(out, num);
    return out;
}

void append_int(std::string& out, int num) {
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, num).ptr;
    out.append(digits, end);
}

int string_to_int(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && is_space(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    // Accumulate the magnitude in a wider type and stop growing once it is past the int range.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; i < s.size() && is_digit(s[i]); ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > limit) value = limit;
    }
    return static_cast<int>(negative ? -value : value);
}

bool ParseInt(std::string_view s, int& out) {
    if (s.empty() || s[0] == '+') return false;
    const char* end = s.data() + s.size();
    const auto [at, error] = std::from_chars(s.data(), end, out);
    return error == std::errc() && at == end;
}
