#include "game/game_story.h"

#include <algorithm>
#include <utility>

#include "game/protocol.h"
#include "game/tracker_modify.h"

namespace {

// Each move of a line's records as it is made: every card that reaches a board pile, a pile
// moved, and the cards dealt or drawn into each hand.
class StoryMoves final : public TrackerModify {
  public:
    struct Step {
        StoryEvent::Kind kind;
        int target;
        int src;
        signed char face;
    };
    std::vector<Step> steps;
    std::array<int, kNumPiles> into_hand{};

    void PlayTopToTop(int target, int src, signed char face) override {
        Card(StoryEvent::kLaid, target, src, face);
    }
    void PlayTopToBottom(int target, int src, signed char face) override {
        Card(StoryEvent::kSlidUnder, target, src, face);
    }
    void HandToTop(int target, int src, signed char, signed char face) override {
        Card(StoryEvent::kLaid, target, src, face);
    }
    void HandToBottom(int target, int src, signed char, signed char face) override {
        Card(StoryEvent::kSlidUnder, target, src, face);
    }
    void PileToPileTop(int target, int src) override {
        steps.push_back({StoryEvent::kPileMoved, target, src, -1});
    }
    void PileToPileBottom(int target, int src) override { PileToPileTop(target, src); }

  private:
    void Card(StoryEvent::Kind kind, int target, int src, signed char face) {
        if (!is_board_pile(target)) {
            ++into_hand[target];
            return;
        }
        steps.push_back({src == kDeck ? StoryEvent::kBoardDealt : kind, target, src, face});
    }
};

// Where each card lies on a table.
std::array<int, kNumCards> piles_of(const Tracker& t) {
    std::array<int, kNumCards> where{};
    where.fill(-1);
    for (int p = 0; p < kNumPiles; ++p)
        for (signed char c : t.pile[p]) where[c] = p;
    return where;
}

signed char small(int n) {
    return static_cast<signed char>(n);
}

}  // namespace

void GameStory::Start(int numplayers_t, int viewer_t) {
    Tracker fresh;
    fresh.ResetClient();
    TakeUp(numplayers_t, viewer_t, -1, fresh, {});
    playing = false;
    seats_known = false;
}

void GameStory::TakeUp(int numplayers_t, int viewer_t, int turn_t, const Tracker& at,
                       std::vector<StoryEvent> told_t) {
    numplayers = std::clamp(numplayers_t, 0, kMaxPlayers);
    viewer = viewer_t;
    turn = turn_t;
    playing = turn != -1;
    lost = false;
    // The seats as they were are not known: a later list tells nobody as joined.
    seats_known = true;
    states.fill(SeatInfo::kComputer);
    story_table = at;
    told = std::move(told_t);
    if (told.size() > kMostEvents) told.resize(kMostEvents);
    moved_by.fill(-1);
    seat_news.fill({});
}

void GameStory::Settle(const Tracker& table) {
    for (int p = 0; p < kNumPiles; ++p)
        if (story_table.pile[p] != table.pile[p]) {
            story_table = table;
            lost = false;
            return;
        }
}

void GameStory::Tell(StoryEvent e) {
    if (told.size() < kMostEvents) told.push_back(e);
}

bool GameStory::Follow(const Tokens& line) {
    if (lost || numplayers == 0) return false;
    const int code = line.token(1), p = line.token(2);
    switch (code) {
        case proto::kPlayerLeft:
            if (IsSeat(p)) Away(p);
            break;
        case proto::kWinner:
            if (IsSeat(p)) Tell({StoryEvent::kWon, small(p)});
            turn = -1;
            break;
        case proto::kDealTurn:
            if (IsSeat(p)) turn = p, playing = false;
            break;
        case proto::kTurn:
            if (!IsSeat(p)) break;
            turn = p, playing = true;
            Drew(line);
            break;
        case proto::kPublished:
            Played(line);
            break;
        case proto::kSeats:
            SeatsSaid(line);
            break;
        default:
            break;
    }
    return !lost;
}

bool GameStory::Moves(const Tokens& line, int mover) {
    StoryMoves moves;
    const Tracker before = story_table;
    if (!moves.TryModify(&story_table, line, 3)) {
        story_table = before;
        lost = true;
        return false;
    }
    for (const StoryMoves::Step& s : moves.steps)
        Tell({s.kind, small(s.kind == StoryEvent::kBoardDealt ? -1 : mover), s.face,
              small(s.target), small(s.kind == StoryEvent::kPileMoved ? s.src : -1)});
    const StoryEvent::Kind hand_kind = playing ? StoryEvent::kDrew : StoryEvent::kHandDealt;
    for (int h = 0; h < kDeck; ++h)
        if (moves.into_hand[h] > 0)
            Tell({hand_kind, small(h), -1, -1, -1, small(moves.into_hand[h])});
    return true;
}

void GameStory::Drew(const Tokens& line) {
    if (line.data.size() > 3) Moves(line, turn);
}

void GameStory::Played(const Tokens& line) {
    const bool records = line.data.size() > 3;
    if (!playing || !IsSeat(turn)) {
        // The deal: the board and the hands.
        if (records) Moves(line, -1);
        return;
    }
    const Tracker before = story_table;
    if (records && !Moves(line, turn)) return;
    if (!records) Tell({StoryEvent::kPassed, small(turn)});
    Mark(turn, before, records);
}

void GameStory::Mark(int mover, const Tracker& before, bool records) {
    if (mover == viewer) {
        // The own turn is over: what the others did before it has been seen.
        moved_by.fill(-1);
        seat_news.fill({});
        return;
    }
    // A watcher has no turn that ends: each seat's marks show its last turn, a round at most.
    if (viewer == -1) std::replace(moved_by.begin(), moved_by.end(), small(mover), small(-1));
    const auto was = piles_of(before), is = piles_of(story_table);
    int cards = 0;
    std::vector<std::pair<int, int>> pile_moves;
    for (int c = 0; c < kNumCards; ++c) {
        if (was[c] == is[c] || !is_board_pile(is[c])) continue;
        if (was[c] == mover) {
            ++cards;
        } else if (is_board_pile(was[c])) {
            const std::pair<int, int> move{was[c], is[c]};
            if (std::find(pile_moves.begin(), pile_moves.end(), move) == pile_moves.end())
                pile_moves.push_back(move);
        } else {
            continue;
        }
        moved_by[c] = small(mover);
    }
    seat_news[mover] = {records ? SeatNews::kPlayed : SeatNews::kPassed, cards,
                        static_cast<int>(pile_moves.size())};
}

void GameStory::Away(int p) {
    if (states[p] == SeatInfo::kAway) return;
    states[p] = SeatInfo::kAway;
    Tell({StoryEvent::kLeft, small(p)});
    if (p != viewer) seat_news[p] = {SeatNews::kLeft};
}

// The first seats of a game tell who joined it; later ones who left and who came back.
void GameStory::SeatsSaid(const Tokens& line) {
    const std::vector<SeatInfo> seats = ReadSeats(line, numplayers);
    if (seats.empty()) return;
    for (int p = 0; p < numplayers; ++p) {
        const int state = seats[p].state;
        if (state == SeatInfo::kAway) {
            Away(p);
            continue;
        }
        if (state == SeatInfo::kPerson && (!seats_known || states[p] == SeatInfo::kAway)) {
            Tell({seats_known ? StoryEvent::kBack : StoryEvent::kJoined, small(p)});
            if (seats_known && p != viewer) seat_news[p] = {SeatNews::kBack};
        }
        states[p] = state;
    }
    seats_known = true;
}
