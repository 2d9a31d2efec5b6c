// Texts inside protocol lines (a player's name, a chat line): each character travels as its code,
// one decimal number (its Latin-1 code), so that every line stays integers that Tokens reads. Only
// printable Latin-1 is ever kept from a line, whoever sent it; the program holds texts as UTF-8.
#pragma once

#include <cstddef>
#include <string>

class Tokens;

// UTF-8 `text` with every character but printable Latin-1 (32 to 126, 160 to 255) removed,
// blanks trimmed at both ends, at most `limit` characters.
std::string PrintableText(const std::string& text, std::size_t limit);
// The same with printable ASCII only: a host name.
std::string PrintableAscii(const std::string& text, std::size_t limit);
// Appends a blank and the code of each character of UTF-8 `text` (cleaned by PrintableText).
void AppendText(std::string& line, const std::string& text);
// Appends a blank, the number of characters AppendText would append, and them.
void AppendCountedText(std::string& line, const std::string& text);
// The line of `code` that carries `text`, and before it the number `first` where given.
// A line of a code alone, and of a code and one number.
std::string CodeLine(int code);
std::string CodeLine(int code, int arg);
std::string TextLine(int code, const std::string& text);
std::string TextLine(int code, int first, const std::string& text);
// The text that `count` tokens from `first` on carry, read as PrintableText(limit): a code that is
// no printable character is dropped.
std::string ReadText(const Tokens& tokens, std::size_t first, std::size_t count, std::size_t limit);
