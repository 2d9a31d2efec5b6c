// Texts inside protocol lines (a player's name, a chat line): each character travels as its code,
// one decimal number, so that every line stays integers that Tokens reads. Only printable ASCII is
// ever kept from a line, whoever sent it.
#pragma once

#include <cstddef>
#include <string>

class Tokens;

// `text` with every character but printable ASCII (32 to 126) removed, blanks trimmed at both
// ends, at most `limit` characters.
std::string PrintableText(const std::string& text, std::size_t limit);
// Appends a blank and the code of each character of `text`.
void AppendText(std::string& line, const std::string& text);
// The line of `code` that carries `text`, and before it the number `first` where given.
std::string TextLine(int code, const std::string& text);
std::string TextLine(int code, int first, const std::string& text);
// The text that `count` tokens from `first` on carry, read as PrintableText(limit): a code that is
// no printable character is dropped.
std::string ReadText(const Tokens& tokens, std::size_t first, std::size_t count, std::size_t limit);
