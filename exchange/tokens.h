// The splitter of protocol lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/number_text.h"

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
