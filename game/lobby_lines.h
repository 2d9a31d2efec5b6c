// The lines of a server's lobby that both of its sides write or read: a table as the list shows
// it, the request that makes one, a chat line under its sender's name, a player's key, a rated
// player and a kept game as the lists show them.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "game/strategy.h"

class Tokens;

// The most characters of a table's name.
constexpr std::size_t kTableNameChars = 24;

struct ListedTable {
    std::string name;
    int seats = 2;
    // People seated.
    int joined = 0;
    bool playing = false;
    int watchers = 0;
    bool watchers_chat = true;
};

// The 433 line, and the table it lists from its fields at token `first` on; none for a line out
// of range or without a name.
std::string ListedTableLine(const ListedTable& table);
std::optional<ListedTable> ReadListedTable(const Tokens& tokens, std::size_t first);

// A server's tables play Normal (0), Strong (1) or Easy (2); the expert is not served, and asks
// for Strong.
int StrengthCode(Strategy s);
std::optional<Strategy> StrengthOfCode(int code);

// What a new table is to be.
struct TableRequest {
    std::string name;
    int seats = 2;
    Strategy strength = Strategy::kAuto;
    bool watchers_chat = true;
};

// The 435 line, and the request it carries from token `first` on; none for a number out of range
// or an empty name.
std::string CreateTableLine(const TableRequest& request);
std::optional<TableRequest> ReadCreateTable(const Tokens& tokens, std::size_t first);

// A chat line under its sender's name: the lobby's (440) and a watcher's (446).
struct NamedLine {
    std::string name;
    std::string text;
};

std::string NamedLineOf(int code, const NamedLine& said);
// None when the name's count runs past the line, or when nothing printable is said.
std::optional<NamedLine> ReadNamedLine(const Tokens& tokens, std::size_t first);

// A player's key for one server: 256 random bits, which travel as 16 numbers of 16 bits (447).
using PlayerKey = std::array<unsigned char, 32>;
std::string PlayerKeyLine(const PlayerKey& key);
std::optional<PlayerKey> ReadPlayerKey(const Tokens& tokens, std::size_t first);
// The key as 64 hexadecimal digits, as it is kept, and back; none for anything else.
std::string PlayerKeyHex(const PlayerKey& key);
std::optional<PlayerKey> PlayerKeyFromHex(const std::string& hex);

// A rated player as the lobby lists it (450; place 0: not rated yet).
struct RatedPlayer {
    int place = 0;
    std::string name;
    int rating = 0;
    int games = 0;
};
// The fields of a rated player, from a blank on, and the player they give at token `first`.
std::string RatedFields(const RatedPlayer& player);
std::optional<RatedPlayer> ReadRated(const Tokens& tokens, std::size_t first);

// A kept game as a list shows it (453).
struct ListedGame {
    int id = 0;
    std::string played;
    std::string table;
    std::string players;
    std::string winner;
};
std::string ListedGameLine(const ListedGame& game);
std::optional<ListedGame> ReadListedGame(const Tokens& tokens, std::size_t first);
