#include "game/lobby_lines.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "exchange/players.h"
#include "exchange/tokens.h"
#include "game/line_text.h"
#include "game/protocol.h"
#include "game/seat_list.h"

namespace {

bool is_flag(int n) {
    return n == 0 || n == 1;
}

void append_numbers(std::string& line, std::initializer_list<int> numbers) {
    for (int n : numbers) {
        line += ' ';
        append_int(line, n);
    }
}

// A table's computer players as the lines number them; the expert, which would hold up every
// table of a server's one thread while it thinks, is not among them.
constexpr Strategy kServedStrengths[] = {Strategy::kAuto, Strategy::kStrong, Strategy::kEasy};

}  // namespace

int StrengthCode(Strategy s) {
    const auto at = std::find(std::begin(kServedStrengths), std::end(kServedStrengths), s);
    return at == std::end(kServedStrengths) ? 1
                                            : static_cast<int>(at - std::begin(kServedStrengths));
}

std::optional<Strategy> StrengthOfCode(int code) {
    if (code < 0 || code >= static_cast<int>(std::size(kServedStrengths))) return std::nullopt;
    return kServedStrengths[code];
}

std::string ListedTableLine(const ListedTable& table) {
    std::string line = CodeLine(proto::kTableListed);
    append_numbers(line, {table.seats, table.joined, table.playing ? 1 : 0, table.watchers,
                          table.watchers_chat ? 1 : 0});
    AppendText(line, table.name);
    return line;
}

std::optional<ListedTable> ReadListedTable(const Tokens& tokens, std::size_t first) {
    ListedTable t;
    t.seats = tokens.token(first);
    t.joined = tokens.token(first + 1);
    const int playing = tokens.token(first + 2), chat = tokens.token(first + 4);
    t.watchers = tokens.token(first + 3);
    t.name = ReadText(tokens, first + 5, tokens.data.size(), kTableNameChars);
    if (t.seats < 2 || t.seats > kMaxPlayers - 1 || t.joined < 0 || t.joined > t.seats ||
        !is_flag(playing) || t.watchers < 0 || !is_flag(chat) || t.name.empty())
        return std::nullopt;
    t.playing = playing == 1;
    t.watchers_chat = chat == 1;
    return t;
}

std::string CreateTableLine(const TableRequest& request) {
    std::string line = CodeLine(proto::kCreateTable);
    append_numbers(line,
                   {request.seats, StrengthCode(request.strength), request.watchers_chat ? 1 : 0});
    AppendText(line, request.name);
    return line;
}

std::optional<TableRequest> ReadCreateTable(const Tokens& tokens, std::size_t first) {
    TableRequest r;
    r.seats = tokens.token(first);
    const int strength = tokens.token(first + 1), chat = tokens.token(first + 2);
    const std::optional<Strategy> played = StrengthOfCode(strength);
    r.name = ReadText(tokens, first + 3, tokens.data.size(), kTableNameChars);
    if (r.seats < 2 || r.seats > kMaxPlayers - 1 || !played || !is_flag(chat) || r.name.empty())
        return std::nullopt;
    r.strength = *played;
    r.watchers_chat = chat == 1;
    return r;
}

std::string NamedLineOf(int code, const NamedLine& said) {
    std::string line = CodeLine(code);
    AppendCountedText(line, said.name);
    AppendText(line, said.text);
    return line;
}

std::optional<NamedLine> ReadNamedLine(const Tokens& tokens, std::size_t first) {
    const int length = tokens.token(first);
    if (length < 0 || first + 1 + static_cast<std::size_t>(length) > tokens.data.size())
        return std::nullopt;
    NamedLine said{ReadText(tokens, first + 1, length, kNameChars),
                   ReadText(tokens, first + 1 + length, tokens.data.size(), kChatChars)};
    if (said.text.empty()) return std::nullopt;
    if (said.name.empty()) said.name = "?";
    return said;
}

std::string PlayerKeyLine(const PlayerKey& key) {
    std::string line = CodeLine(proto::kPlayerKey);
    for (std::size_t i = 0; i < key.size(); i += 2) {
        line += ' ';
        append_int(line, key[i] << 8 | key[i + 1]);
    }
    return line;
}

std::optional<PlayerKey> ReadPlayerKey(const Tokens& tokens, std::size_t first) {
    if (tokens.data.size() != first + 16) return std::nullopt;
    PlayerKey key;
    for (std::size_t i = 0; i < 16; ++i) {
        const int part = tokens.data[first + i];
        if (part < 0 || part > 65535) return std::nullopt;
        key[2 * i] = static_cast<unsigned char>(part >> 8);
        key[2 * i + 1] = static_cast<unsigned char>(part & 0xFF);
    }
    return key;
}

std::string PlayerKeyHex(const PlayerKey& key) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : key) hex += {kDigits[b >> 4], kDigits[b & 15]};
    return hex;
}

std::optional<PlayerKey> PlayerKeyFromHex(const std::string& hex) {
    if (hex.size() != 64) return std::nullopt;
    PlayerKey key;
    for (std::size_t i = 0; i < key.size(); ++i) {
        unsigned value = 0;
        for (char c : hex.substr(2 * i, 2)) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0) return std::nullopt;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        key[i] = static_cast<unsigned char>(value);
    }
    return key;
}

namespace {

// The counted texts of a line from `at` on, each at most `limit` characters; none when a count
// runs past the line.
std::optional<std::vector<std::string>> ReadCounted(const Tokens& tokens, std::size_t at,
                                                    std::size_t count, std::size_t limit) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < count; ++i) {
        const int length = tokens.token(at);
        if (length < 0 || at + 1 + static_cast<std::size_t>(length) > tokens.data.size())
            return std::nullopt;
        texts.push_back(ReadText(tokens, at + 1, length, limit));
        at += 1 + length;
    }
    return texts;
}

// A list's longest text: five names and their commas.
constexpr std::size_t kListTextChars = 100;

}  // namespace

std::string RatedFields(const RatedPlayer& player) {
    std::string fields;
    for (int n : {player.place, player.rating, player.games}) {
        fields += ' ';
        append_int(fields, n);
    }
    AppendCountedText(fields, player.name);
    return fields;
}

std::optional<RatedPlayer> ReadRated(const Tokens& tokens, std::size_t first) {
    const int place = tokens.token(first), rating = tokens.token(first + 1),
              games = tokens.token(first + 2);
    const auto name = ReadCounted(tokens, first + 3, 1, kNameChars);
    if (!name || place < 0 || rating < 0 || games < 0) return std::nullopt;
    return RatedPlayer{place, name->front(), rating, games};
}

std::string ListedGameLine(const ListedGame& game) {
    std::string line = CodeLine(proto::kGameListed, game.id);
    for (const std::string* text : {&game.played, &game.table, &game.players, &game.winner})
        AppendCountedText(line, *text);
    return line;
}

std::optional<ListedGame> ReadListedGame(const Tokens& tokens, std::size_t first) {
    const auto texts = ReadCounted(tokens, first + 1, 4, kListTextChars);
    if (!texts || tokens.token(first) <= 0) return std::nullopt;
    return ListedGame{tokens.token(first), (*texts)[0], (*texts)[1], (*texts)[2], (*texts)[3]};
}
