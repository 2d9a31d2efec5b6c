// The fonts' atlas cells, shared by the program that draws them and the font code: the cell of
// each character is its Latin-1 code; the unused code 127 holds the mark drawn for a character
// that Latin-1 lacks, so that it shows as something rather than nothing.
#pragma once

constexpr int kReplacementCell = 127;

// Whether Latin-1 `code` has a glyph of its own: printable ASCII and 160 to 255.
constexpr bool HasOwnCell(unsigned code) {
    return (code >= 32 && code <= 126) || (code >= 160 && code <= 255);
}
