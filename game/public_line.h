// What a seat that holds no cards may be shown: the test of a line a watcher of a table received.
#pragma once

class Tokens;

// Whether the line of `t` whose code is at token `at` shows a face that is hidden from a seat
// without cards: a face dealt or drawn into a hand, or, in a public table (444), of a card that is
// not on the board. A record line (425) is judged by the line it carries.
bool ShowsHiddenFace(const Tokens& t, unsigned at = 0);
