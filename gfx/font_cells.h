// The fonts' atlas cells, shared by the program that draws them and the font code: the cell of
// each printable Latin-1 character (IsPrintableLatin1) is its code; the unused code 127 holds the
// mark drawn for any other, so that it shows as something rather than nothing.
#pragma once

constexpr int kReplacementCell = 127;
