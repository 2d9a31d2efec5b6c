// Decimal conversions and the splitter of protocol lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The decimal text of num, as printf "%d" writes it.
std::string int_to_string(int num);
// Appends the decimal text of num to out.
void append_int(std::string& out, int num);

// atoi: leading white space, optional sign, digits up to the first non-digit; 0 without digits.
// Numbers beyond the int range clamp to INT_MIN or INT_MAX instead of overflowing.
int string_to_int(std::string_view s);

// A protocol line split at blanks into integers.
class Tokens {
  public:
    explicit Tokens(std::string_view msg);

    // The x-th integer; -1 past the end, which is also how the protocol writes "none".
    int token(unsigned x) const { return x < data.size() ? data[x] : -1; }
    // The integers joined by single blanks.
    std::string get_string() const;

    std::vector<int> data;
};
