#include "store/saved_game.h"

#include "store/key_values.h"
#include "store/settings.h"
#include "store/statistics.h"

namespace {

constexpr int kVersion = 1;
// More than any game runs to; a bigger count is no game of ours.
constexpr int kMaxTurns = 100000;
constexpr std::size_t kNewsChars = 100;

std::string numbers_text(const std::vector<int>& numbers) {
    std::string out;
    for (int n : numbers) out += (out.empty() ? "" : " ") + std::to_string(n);
    return out;
}

// Blank-separated whole numbers from -1 on, each of at most three digits.
bool parse_numbers(const std::string* text, std::vector<int>& out) {
    out.clear();
    if (!text) return false;
    std::size_t at = 0;
    while (at < text->size()) {
        const std::size_t end = std::min(text->find(' ', at), text->size());
        const std::string piece = text->substr(at, end - at);
        if (piece == "-1") {
            out.push_back(-1);
        } else {
            const int n = piece.size() <= 3 ? ParseCount(&piece) : -1;
            if (n < 0) return false;
            out.push_back(n);
        }
        at = end + 1;
    }
    return true;
}

bool in_range(int n, int low, int high) {
    return n >= low && n <= high;
}

bool no_pile_or_board(int p) {
    return p == -1 || is_board_pile(p);
}

signed char small(int n) {
    return static_cast<signed char>(n);
}

}  // namespace

std::string SavedGame::Kind() const {
    return LocalKind(at.numplayers, strength);
}

std::string SavedGameText(const SavedGame& game) {
    KeyValues kv;
    const auto put = [&](const std::string& key, const std::string& value) {
        kv.Set("", key, value);
    };
    const Tracker& t = game.at.table;
    put("version", std::to_string(kVersion));
    put("players", std::to_string(game.at.numplayers));
    put("strength", StrategyName(game.strength));
    put("turn", std::to_string(game.at.turn));
    put("faces", numbers_text(std::vector<int>(std::begin(t.cards), std::end(t.cards))));
    for (int p = 0; p < kNumPiles; ++p)
        put("pile" + std::to_string(p), numbers_text({t.pile[p].begin(), t.pile[p].end()}));
    const TurnHistory& h = game.at.history;
    put("drew", h.drew ? "1" : "0");
    put("turns_without_draw", std::to_string(h.turns_without_draw));
    put("passes", std::to_string(h.passes));
    put("hand_cards", std::to_string(h.hand_cards));
    put("own_turns", std::to_string(game.own_turns));
    std::vector<int> marked;
    for (int c = 0; c < kNumCards; ++c)
        if (game.marked[c]) marked.push_back(c);
    put("marked", numbers_text(marked));
    for (int p = 0; p < kMaxPlayers; ++p)
        if (!game.news[p].empty()) put("news" + std::to_string(p), game.news[p]);
    for (int p = 0; p < kMaxPlayers; ++p) {
        std::vector<int> moved;
        for (int c = 0; c < kNumCards; ++c)
            if (game.marked[c] && game.movers[c] == p) moved.push_back(c);
        if (!moved.empty()) put("moved_by" + std::to_string(p), numbers_text(moved));
    }
    const std::size_t skipped = game.told.size() > SavedGame::kMostToldKept
                                    ? game.told.size() - SavedGame::kMostToldKept
                                    : 0;
    for (std::size_t i = skipped; i < game.told.size(); ++i) {
        const StoryEvent& e = game.told[i];
        put("told" + std::to_string(i - skipped + 1),
            numbers_text({e.kind, e.seat, e.face, e.pile, e.from, e.count}));
    }
    for (std::size_t i = 0; i < game.open_moves.size(); ++i) {
        const Move& m = game.open_moves[i];
        put("move" + std::to_string(i + 1),
            numbers_text({static_cast<int>(m.kind), m.from, m.to, m.card}));
    }
    return kv.Text();
}

namespace {

// The parts of ParseSavedGame, each false with `why` set.
class SavedGameReader {
  public:
    SavedGameReader(const KeyValues& kv_t, SavedGame& game_t, std::string& why_t)
        : kv(kv_t), game(game_t), why(why_t) {}

    bool Read() { return Header() && Table() && History() && View() && Told() && OpenMoves(); }

  private:
    bool Fail(const std::string& text) {
        why = text;
        return false;
    }
    int Count(const char* key) const { return ParseCount(kv.Find("", key)); }

    bool Header() {
        if (Count("version") != kVersion) return Fail("it is not a saved game of this version");
        game.at.numplayers = Count("players");
        if (!in_range(game.at.numplayers, 2, kMaxPlayers - 1)) return Fail("no player count");
        const std::string* strength = kv.Find("", "strength");
        if (!strength || !ParseStrategy(*strength, game.strength)) return Fail("no strength");
        game.at.turn = Count("turn");
        // The game is kept only on the player's own turn.
        if (game.at.turn != 0) return Fail("it is not the player's turn");
        return true;
    }

    bool Table() {
        Tracker& t = game.at.table;
        std::vector<int> numbers;
        if (!parse_numbers(kv.Find("", "faces"), numbers) || numbers.size() != kNumCards)
            return Fail("the faces are not 52 numbers");
        for (int c = 0; c < kNumCards; ++c) t.cards[c] = static_cast<signed char>(numbers[c]);
        for (int p = 0; p < kNumPiles; ++p) {
            if (!parse_numbers(kv.Find("", "pile" + std::to_string(p)), numbers) ||
                numbers.size() > kNumCards)
                return Fail("pile " + std::to_string(p) + " is missing or too long");
            t.pile[p].assign(numbers.begin(), numbers.end());
        }
        return t.is_whole_game(game.at.numplayers, why);
    }

    bool History() {
        TurnHistory& h = game.at.history;
        const int drew = Count("drew");
        h.turns_without_draw = Count("turns_without_draw");
        h.passes = Count("passes");
        h.hand_cards = Count("hand_cards");
        if (!in_range(drew, 0, 1) || !in_range(h.turns_without_draw, 0, kMaxTurns) ||
            !in_range(h.passes, 0, kMaxTurns) || !in_range(h.hand_cards, 0, kNumCards))
            return Fail("the turn history is missing or out of range");
        h.drew = drew == 1;
        // A turn begins without a draw only once the deck is empty.
        if (!h.drew && !game.at.table.pile[kDeck].empty())
            return Fail("the turn history does not fit the deck");
        return true;
    }

    bool View() {
        game.own_turns = Count("own_turns");
        if (!in_range(game.own_turns, 1, kMaxTurns)) return Fail("no count of the player's turns");
        std::vector<int> marked;
        if (!parse_numbers(kv.Find("", "marked"), marked)) return Fail("the marks are no numbers");
        game.marked.fill(false);
        for (int c : marked) {
            if (!is_card(c)) return Fail("a mark names no card");
            game.marked[c] = true;
        }
        for (int p = 0; p < kMaxPlayers; ++p) {
            const std::string* news = kv.Find("", "news" + std::to_string(p));
            game.news[p] = news ? CleanText(*news, kNewsChars) : "";
        }
        return Movers();
    }

    // Each marked card's mover, another seat of the game; a game kept without them has none.
    bool Movers() {
        game.movers = NoMovers();
        for (int p = 0; p < kMaxPlayers; ++p) {
            const std::string* listed = kv.Find("", "moved_by" + std::to_string(p));
            if (!listed) continue;
            std::vector<int> moved;
            if (!parse_numbers(listed, moved) || p < 1 || p >= game.at.numplayers)
                return Fail("a mover is no other player");
            for (int c : moved) {
                if (!is_card(c) || !game.marked[c] || game.movers[c] != -1)
                    return Fail("a moved card is not marked, or has two movers");
                game.movers[c] = static_cast<signed char>(p);
            }
        }
        return true;
    }

    bool Told() {
        game.told.clear();
        for (std::size_t i = 1; i <= SavedGame::kMostToldKept; ++i) {
            const std::string* text = kv.Find("", "told" + std::to_string(i));
            if (!text) return true;
            std::vector<int> n;
            if (!parse_numbers(text, n) || n.size() != 6 ||
                !in_range(n[0], 0, StoryEvent::kKinds - 1) ||
                !in_range(n[1], -1, game.at.numplayers - 1) || !in_range(n[2], -1, kNumCards - 1) ||
                !no_pile_or_board(n[3]) || !no_pile_or_board(n[4]) || !in_range(n[5], 0, kNumCards))
                return Fail("line " + std::to_string(i) + " of the log tells nothing of a game");
            game.told.push_back({static_cast<StoryEvent::Kind>(n[0]), small(n[1]), small(n[2]),
                                 small(n[3]), small(n[4]), small(n[5])});
        }
        return true;
    }

    bool OpenMoves() {
        // Made on the table as the player sees it, as the view made them.
        Tracker seen = SeenBy(game.at.table, 0);
        game.open_moves.clear();
        for (int i = 1;; ++i) {
            const std::string* text = kv.Find("", "move" + std::to_string(i));
            if (!text) return true;
            std::vector<int> n;
            if (!parse_numbers(text, n) || n.size() != 4 || !in_range(n[0], 0, Move::kPile))
                return Fail("move " + std::to_string(i) + " is not a move");
            const Move m{static_cast<Move::Kind>(n[0]), n[1], n[2], static_cast<signed char>(n[3])};
            if (!IsLegal(seen, 0, m))
                return Fail("move " + std::to_string(i) + " breaks the rules");
            Apply(seen, m);
            // Laying the last card ends the turn at once: no game is kept after it.
            if (seen.pile[0].empty()) return Fail("the open moves end the game");
            game.open_moves.push_back(m);
        }
    }

    const KeyValues& kv;
    SavedGame& game;
    std::string& why;
};

}  // namespace

bool ParseSavedGame(const std::string& text, SavedGame& game, std::string& why) {
    KeyValues kv;
    if (!kv.Parse(text, why)) return false;
    return SavedGameReader(kv, game, why).Read();
}

bool SavedGameFile::Load(SavedGame& game) {
    KeyValues kv;
    // A newer version's game is read as far as it goes, never offered and never thrown away.
    if (!kv.Load(file, kVersion) || ParseCount(kv.Find("", "version")) > kVersion) return false;
    std::string why;
    if (SavedGameReader(kv, game, why).Read()) return true;
    file.SetAside(why);
    return false;
}
