// Text the player types, kept as UTF-8: the characters a field takes and how many it holds are
// counted in characters, not bytes.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <string>

// Which characters a field takes: a host name printable ASCII, a name or a chat line printable
// Latin-1.
enum class Typeable { kAscii, kLatin1 };

// Appends the character a key press typed (SDL's `unicode`) when the field takes it and holds
// fewer than `limit` characters; whether it did.
bool TypeChar(std::string& text, Uint16 unicode, Typeable kind, std::size_t limit);
// Removes the last character; whether there was one.
bool EraseChar(std::string& text);
std::size_t CharCount(const std::string& text);
// The last `n` characters of `text`.
std::string LastChars(const std::string& text, std::size_t n);
