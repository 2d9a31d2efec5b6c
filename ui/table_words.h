// The words for the table's things, in the player's language: each board pile by where it lies
// ("the top left pile") and each card by its face ("7 of hearts").
#pragma once

#include <string>

// Board pile p, 6 to 13.
const char* PileName(int p);
// Face 0 to 51; "" for an unknown face.
std::string CardName(int face);
