#include "ui/table_turn.h"

#include <algorithm>

#include "base/number_text.h"
#include "base/utf8.h"
#include "exchange/tokens.h"
#include "game/protocol.h"
#include "gfx/sdl.h"
#include "ui/table_words.h"
#include "ui/texts.h"

TableTurn::TableTurn(SDL& sdl_t, std::function<void(int)> pile_changed_t)
    : sdl(sdl_t), pile_changed(std::move(pile_changed_t)) {}

Tracker& TableTurn::table() const {
    return *sdl.tracker;
}

void TableTurn::Reset() {
    turn_player = winning_player = -1;
    moves.clear();
    steps.clear();
    done_open = sent = false;
    choice.Reset();
    news.Clear();
    ClearHint();
    notice.clear();
    summary.clear();
    away.fill(false);
    for (auto& name : names) name.clear();
    for (auto& hand : revealed) hand.clear();
}

bool TableTurn::IsOurTurn() const {
    return turn_player != -1 && turn_player == sdl.playernum;
}

void TableTurn::TurnBegins(int turn_t) {
    turn_player = turn_t;
    const bool own = IsOurTurn();
    if (own) {
        moves.clear();
        steps.clear();
        sent = false;
    }
    // A pile marked in another turn may have moved since.
    choice.ClearSource();
    done_open = own;
}

void TableTurn::GameOver(int winner_t) {
    turn_player = -1;
    winning_player = winner_t;
    // The last moves stay marked and told: they are how the game was won.
    sent = true;
    done_open = false;
    steps.clear();
    choice.ClearSource();
}

bool TableTurn::Moving() const {
    return IsOurTurn() && !sent && winning_player == -1;
}

std::vector<int> TableTurn::TargetsOf(DragKind kind, int data) const {
    std::vector<int> out;
    for (const Move& m : LegalMoves(table(), sdl.playernum)) {
        const bool picked = kind == DragKind::kPile ? m.kind == Move::kPile && m.from == data
                                                    : m.kind != Move::kPile && m.card == data;
        if (picked && std::find(out.begin(), out.end(), m.to) == out.end()) out.push_back(m.to);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// A pile put back where it lies, or a drop off the board, is no move.
bool TableTurn::TriesAMove(DragKind kind, int data, int p) const {
    return Moving() && is_board_pile(p) && !(kind == DragKind::kPile && p == data);
}

std::string TableTurn::RefusalOf(DragKind kind, int data, int p) const {
    if (!TriesAMove(kind, data, p) || MoveOnto(kind, data, p)) return "";
    return kind == DragKind::kPile
               ? Translate("table line", "That pile does not fit on the chosen pile")
               : Translate("table line", "That card does not fit on the chosen pile");
}

bool TableTurn::DropOn(DragKind kind, int data, int p) {
    if (!TriesAMove(kind, data, p)) return false;
    const std::optional<Move> m = MoveOnto(kind, data, p);
    if (!m) {
        sdl.sounds.Play(SoundName::kRefused);
        return false;
    }
    Make(*m);
    sdl.sounds.Play(m->kind == Move::kPile ? SoundName::kPileMoved : SoundName::kCardLaid);
    return true;
}

std::optional<Move> TableTurn::MoveOnto(DragKind kind, int data, int p) const {
    const Tracker& t = table();
    if (kind == DragKind::kPile) {
        if (!is_board_pile(data) || !t.is_valid_pile_move(data, p)) return std::nullopt;
        return Move{Move::kPile, data, p, -1};
    }
    if (kind != DragKind::kHandCard) return std::nullopt;
    const auto card = static_cast<signed char>(data);
    for (Move::Kind k : {Move::kUnder, Move::kOnTop}) {
        const Move m{k, sdl.playernum, p, card};
        if (IsLegal(t, sdl.playernum, m)) return m;
    }
    return std::nullopt;
}

void TableTurn::Make(const Move& m) {
    steps.push_back({table(), moves.size(), news.marks(), m});
    // The others' marks have been seen; a marked pile to move has changed or is stale.
    news.ClearMarks();
    ClearHint();
    choice.ClearSource();
    AppendRecord(moves, table(), m);
    Apply(table(), m);
    pile_changed(m.from);
    pile_changed(m.to);
}

void TableTurn::Undo() {
    if (steps.empty()) return;
    table() = steps.back().table;
    moves.resize(steps.back().records);
    news.Restore(steps.back().marks, news.lines(), news.who_moved());
    steps.pop_back();
    choice.ClearSource();
    for (int p = 0; p < kDeck; ++p) pile_changed(p);
}

void TableTurn::EndOwnTurn() {
    ClearHint();
    sent = true;
    done_open = false;
    steps.clear();
    news.Clear();
    choice.ClearSource();
}

std::string TableTurn::TakePlayLine() {
    if (!done_open || !IsOurTurn()) return "";
    const std::string line = int_to_string(proto::kPlay) + " " + moves;
    moves.clear();
    EndOwnTurn();
    return line;
}

bool TableTurn::WholeTurnOpen() const {
    return done_open && IsOurTurn() && moves.empty();
}

bool TableTurn::TakeAutoPlay() {
    if (!WholeTurnOpen()) return false;
    EndOwnTurn();
    return true;
}

bool TableTurn::CouldMoveButDidNot() const {
    return Moving() && moves.empty() && !LegalMoves(table(), sdl.playernum).empty();
}

bool TableTurn::HandPlayedOut() const {
    return IsOurTurn() && !sent && table().pile[sdl.playernum].empty();
}

int TableTurn::ChosenCard() const {
    return choice.ChosenCard(table().pile[sdl.playernum]);
}

void TableTurn::ChooseHandCard(int step) {
    choice.ChooseHandCard(table().pile[sdl.playernum], step);
}

void TableTurn::ChoosePile(int step) {
    choice.ChoosePile(step);
}

void TableTurn::MarkSource() {
    choice.MarkSource(table());
}

bool TableTurn::PlayChosen(bool pile_only, std::string& refusal) {
    choice.Show();
    refusal.clear();
    const int target = choice.chosen_pile(), source = choice.source_pile();
    const int card = ChosenCard();
    if (!Moving() || target == -1) return false;
    const DragKind kind = source != -1 ? DragKind::kPile : DragKind::kHandCard;
    const int data = source != -1 ? source : card;
    if (kind == DragKind::kHandCard && (pile_only || card == -1)) return false;
    refusal = RefusalOf(kind, data, target);
    return DropOn(kind, data, target);
}

void TableTurn::ShowHint(const std::vector<Move>& turn) {
    ClearHint();
    if (turn.empty()) {
        hint_text = Translate("table line", "Hint: keep your cards this turn");
        return;
    }
    const Move& first = turn.front();
    hint_card = first.kind == Move::kPile ? table().pile[first.from].back() : first.card;
    hint_pile = first.to;
    if (first.kind == Move::kPile)
        hint_text = Fill(Translate("table line", "Hint: move %s onto %s"), PileName(first.from),
                         PileName(first.to));
    else if (first.kind == Move::kUnder)
        hint_text = Fill(Translate("table line", "Hint: slide the marked card under %s"),
                         PileName(first.to));
    else
        hint_text =
            Fill(Translate("table line", "Hint: lay the marked card on %s"), PileName(first.to));
}

void TableTurn::ClearHint() {
    hint_card = hint_pile = -1;
    hint_text.clear();
}

void TableTurn::FollowStory(const GameStory& story, bool marks) {
    news.Follow(
        story, [this](int p) { return SeatName(p); }, marks);
    if (marks) choice.ClearSource();
}

OpenTurn TableTurn::TakeOpenTurn() const {
    OpenTurn open{
        steps.empty() ? news.marks() : steps.front().marks, news.lines(), {}, news.who_moved()};
    for (const Step& s : steps) open.moves.push_back(s.move);
    return open;
}

void TableTurn::RestoreOpenTurn(const OpenTurn& open) {
    news.Restore(open.marked, open.news, open.movers);
    for (const Move& m : open.moves)
        if (IsLegal(table(), sdl.playernum, m)) Make(m);
}

std::string TableTurn::StatusText() const {
    if (!notice.empty()) return notice;
    if (!hint_text.empty() && IsOurTurn()) return hint_text;
    if (watching) return WatcherStatus();
    const std::string status = PlayerStatus();
    return table_name.empty() ? status
                              : Fill(Translate("table line", "%s: %s"), table_name, status);
}

std::string TableTurn::PlayerStatus() const {
    const int me = sdl.playernum, winner = ShownWinner(), turn = ShownTurn();
    if (winner == me) return Translate("table line", "Game Over! You Win!");
    if (winner != -1)
        return Fill(Translate("table line", "Game Over! You Lose, %s Won!"), SeatName(winner));
    if (turn == me) return Translate("table line", "It's your turn!");
    if (turn == -1 && !picture.moving)
        return Translate("table line", "Waiting for other players to connect");
    return Translate("table line", "Waiting for another player");
}

std::string TableTurn::WatcherStatus() const {
    const int winner = ShownWinner(), turn = ShownTurn();
    if (winner != -1)
        return Fill(Translate("table line", "Watching %s. Game Over! %s Won!"), table_name,
                    SeatName(winner));
    if (turn != -1)
        return Fill(Translate("table line", "Watching %s: %s plays"), table_name, SeatName(turn));
    return Fill(Translate("table line", "Watching %s"), table_name);
}

std::string TableTurn::InfoText() const {
    const Tracker& t = picture.table ? *picture.table : table();
    std::string counts;
    for (int i = 0; i < sdl.numplayers && i < kMaxPlayers; ++i)
        counts += (i ? " " : "") + int_to_string(static_cast<int>(t.pile[i].size()));
    const int deck = static_cast<int>(t.pile[kDeck].size());
    std::string info =
        watching ? Fill(Translate("table line", "Cards: %s. Cards in deck: %d"), counts, deck)
                 : Fill(Translate("table line", "You are player %d. Cards: %s. Cards in deck: %d"),
                        sdl.playernum, counts, deck);
    if (watchers > 0)
        info += Fill(TranslatePlural("table line", ". %d watching", ". %d watching", watchers),
                     watchers);
    return info;
}

Highlights TableTurn::Marks() const {
    Highlights h;
    std::copy(news.marks().begin(), news.marks().end(), h.moved.begin());
    for (int c = 0; c < kNumCards; ++c) h.mover[c] = news.mover_of(c);
    for (int p = 0; p < kMaxPlayers; ++p) h.badges[p] = BadgeText(p);
    h.hint_card = hint_card;
    h.hint_pile = hint_pile;
    if (!choice.shown()) return h;
    h.chosen_card = ChosenCard();
    h.chosen_pile = choice.chosen_pile();
    h.source_pile = choice.source_pile();
    if (!Moving()) return h;
    if (h.source_pile != -1)
        h.targets = TargetsOf(DragKind::kPile, h.source_pile);
    else if (h.chosen_card != -1)
        h.targets = TargetsOf(DragKind::kHandCard, h.chosen_card);
    return h;
}

TableTexts TableTurn::Texts() const {
    return {StatusText(), summary, InfoText(), news.Text()};
}

std::string TableTurn::SeatName(int p) const {
    if (p >= 0 && p < kMaxPlayers && !names[p].empty()) return names[p];
    return Fill(local ? Translate("plate", "Computer %d") : Translate("plate", "Player %d"), p);
}

std::string TableTurn::PlateName(int p) const {
    return p == sdl.playernum ? Translate("plate", "You") : SeatName(p);
}

// A seat's badge on the cards it moved: the number its plate shows beside "Computer" or "Player",
// or the first letter of the name the referee gave it.
std::string TableTurn::BadgeText(int p) const {
    if (p < 0 || p >= kMaxPlayers || names[p].empty()) return int_to_string(p);
    std::size_t i = 0;
    std::string initial;
    AppendUtf8(initial, NextCodePoint(names[p].data(), names[p].size(), i));
    return initial;
}

void TableTurn::SetSeats(const std::vector<SeatInfo>& seats) {
    for (std::size_t p = 0; p < seats.size() && p < names.size(); ++p) {
        names[p] = seats[p].name;
        away[p] = seats[p].state == SeatInfo::kAway;
    }
}

void TableTurn::SeatLeft(int p) {
    if (p < 0 || p >= kMaxPlayers) return;
    away[p] = true;
}

void TableTurn::Reveal(const Tracker& full) {
    for (int p = 0; p < sdl.numplayers && p < kMaxPlayers; ++p) {
        revealed[p].clear();
        for (signed char c : full.pile[p]) revealed[p].push_back(full.cards[c]);
    }
}

std::vector<SeatView> TableTurn::OtherSeats() const {
    std::vector<SeatView> seats;
    const int n = std::min(sdl.numplayers, kMaxPlayers), me = sdl.playernum;
    // In turn order from the own seat: the next player sits at the player's left. A watcher
    // (seat -1) has every seat around the board, the first at the bottom.
    for (int k = 0; k < SeatsAround(n, me); ++k) {
        const int p = (me + 1 + k) % n;
        // A computer's turn not yet played: it thinks.
        const bool thinking = !picture.moving && turn_player == p && (local || away[p]);
        seats.push_back({PlateText(p), ShownTurn() == p, away[p], revealed[p], thinking});
    }
    return seats;
}

SeatView TableTurn::OwnSeat() const {
    return {PlateText(sdl.playernum), ShownTurn() == sdl.playernum, false, {}, false};
}

std::string TableTurn::PlateText(int p) const {
    const int rating = p >= 0 && p < static_cast<int>(ratings.size()) ? ratings[p] : -1;
    if (rating < 0) return PlateName(p);
    return Fill(Translate("plate", "%s (%d)"), PlateName(p), rating);
}
