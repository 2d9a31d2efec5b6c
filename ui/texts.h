// The program's texts in the player's language, from gettext's compiled catalogues. Every text the
// player reads is looked up with the place it is drawn in as its context ("button", "line", ...):
// translators see where it goes, and the catalogue test measures each translation against that
// place's box.
// A text with blanks to fill is formatted by Fill, which reads only %s, %d, their numbered forms
// (%2$s) and %%: a catalogue is data, and no catalogue can make it read what was not given.
#pragma once

#include <initializer_list>
#include <string>

#include "game/strategy.h"
#include "store/settings.h"

// `text` drawn at `place`, translated; `text` itself where the catalogue has none.
const char* Translate(const char* place, const char* text);
// The form for `n` of a text with a singular and a plural.
const char* TranslatePlural(const char* place, const char* one, const char* many, unsigned long n);
// Marks a text for the catalogues where it is kept (in a table) and translated later.
constexpr const char* Marked(const char*, const char* text) {
    return text;
}

std::string FillList(const char* format, std::initializer_list<std::string> args);
inline std::string ArgText(const std::string& s) {
    return s;
}
inline std::string ArgText(const char* s) {
    return s;
}
inline std::string ArgText(int n) {
    return std::to_string(n);
}
// `format` with its blanks filled by `args` in order (or by number), each as text.
template <class... Args>
std::string Fill(const char* format, const Args&... args) {
    return FillList(format, {ArgText(args)...});
}

// The computer players' strength, the pace of the cards and a switch, as the buttons say them.
const char* StrengthLabel(Strategy s);
const char* PaceLabel(Pace p);
const char* OnOff(bool on);
