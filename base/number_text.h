// Decimal text of integers, both ways.
#pragma once

#include <string>
#include <string_view>

// The decimal text of num, as printf "%d" writes it.
std::string int_to_string(int num);
// Appends the decimal text of num to out.
void append_int(std::string& out, int num);

// atoi: leading white space, optional sign, digits up to the first non-digit; 0 without digits.
// Numbers beyond the int range clamp to INT_MIN or INT_MAX instead of overflowing.
int string_to_int(std::string_view s);
// The whole of `s` as a decimal integer: an optional '-' and digits, within the int range.
bool ParseInt(std::string_view s, int& out);
