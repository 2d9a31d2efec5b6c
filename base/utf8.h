// UTF-8, the program's one encoding of text: strings from the catalogues, typed by the player,
// kept in files and read from protocol lines are UTF-8; only the font and the protocol's
// character codes work on code points.
#pragma once

#include <string>
#include <vector>

// What a byte sequence that is no UTF-8 decodes to: one per bad byte.
constexpr unsigned kReplacementChar = 0xFFFD;

// The code points of `text`; every byte that does not begin a well-formed sequence (overlong
// forms and surrogates included) is kReplacementChar.
std::vector<unsigned> CodePoints(const std::string& text);
// The code point at byte `i` of the `size` bytes of `text` (i < size), moving `i` past it.
unsigned NextCodePoint(const char* text, std::size_t size, std::size_t& i);
void AppendUtf8(std::string& out, unsigned code);
// Printable ASCII, 32 to 126: what a host name takes.
constexpr bool IsPrintableAscii(unsigned code) {
    return code >= 32 && code <= 126;
}
// Whether a character is one a player may type, the protocol carries and the fonts have a glyph
// of its own for: printable Latin-1 (32 to 126 and 160 to 255).
constexpr bool IsPrintableLatin1(unsigned code) {
    return IsPrintableAscii(code) || (code >= 160 && code <= 255);
}
