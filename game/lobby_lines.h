// The lines of a server's lobby that both of its sides write or read: a table as the list shows
// it, the request that makes one, and a chat line under its sender's name.
#pragma once

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
