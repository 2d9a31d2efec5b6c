// A finished game kept whole, to be watched again: who played where and when, every face, the
// deal, each turn's moves in order and the winner, as text (docs/records.md). The reader plays
// the game again by the rules, and refuses any record they could not have produced.
#pragma once

#include <array>
#include <ctime>
#include <string>
#include <vector>

#include "exchange/players.h"
#include "game/cards.h"
#include "game/game_story.h"
#include "game/play_turn.h"
#include "game/seat_list.h"
#include "game/strategy.h"
#include "game/tracker.h"

struct RecordSeat {
    std::string name;
    bool person = true;
    // A computer seat's strength.
    Strategy strength = Strategy::kAuto;
};

struct GameRecord {
    static constexpr int kFormat = 1;
    static constexpr std::size_t kMostTextChars = 200;
    // More turns than any game that ends takes.
    static constexpr std::size_t kMostTurns = 5000;

    // When the game began, in UTC ("2026-12-09T21:14:03Z").
    std::string played;
    // "local", "hosted", "joined HOST", or "server HOST TABLE".
    std::string where;
    int numplayers = 0;
    std::array<RecordSeat, kMaxPlayers> seats;
    // The seat whose view this is, its hidden faces -1; -1 for the referee's, every face known.
    int viewer = -1;
    // The face of each card number; the deck deals card number 0 first.
    std::array<signed char, kNumCards> faces{};
    // Each play turn's move records, as in a 200 line, from seat 0's first turn on; "" a pass.
    std::vector<std::string> turns;
    int winner = -1;
};

// The record's seats as a referee's seats line names them: a seat a person holds, or left, is a
// person's; the others are computers playing at `strength`.
void NameSeats(GameRecord& record, const std::vector<SeatInfo>& seats, Strategy strength);
// `when` as a record's time: UTC, "2026-12-09T21:14:03Z".
std::string RecordTime(std::time_t when);
std::string RecordText(const GameRecord& record);
// The record `text` holds; false, with one line in `why`, for anything else, and for a game the
// rules could not have produced.
bool ParseRecord(const std::string& text, GameRecord& record, std::string& why);

// The game `at` with seat `seat` moved to seat 0 and the others after it in turn order, as a
// local game seats its player.
PlayTurn SeatFirst(const PlayTurn& at, int seat);

// One step of a game watched again: a part of the deal, a draw, one move or a pass.
struct ReplayStep {
    // The seat that drew or moved; -1 for the board's deal.
    int seat = -1;
    // The play turn it belongs to; -1 during the deal.
    int turn = -1;
    // Its cards' records, as in a 200 line; "" for a pass.
    std::string records;
    // What it did, as the game's log tells it.
    std::vector<StoryEvent> told;
};

// A record's game, step by step, with the table after each.
class GameReplay {
  public:
    // False, with why, where the rules could not have produced the record.
    bool Build(const GameRecord& record, std::string& why);

    const std::vector<ReplayStep>& steps() const { return step_list; }
    // The table after the first `count` steps: 0 the shuffled deck.
    const Tracker& TableAfter(std::size_t count) const { return tables.at(count); }
    // The steps before turn `turn`'s first one; the whole game past the last turn.
    std::size_t TurnStart(int turn) const;
    int turn_count() const { return static_cast<int>(turn_starts.size()); }
    // The game on turn `turn`'s play, its draw made, as a referee takes it up; only a record of
    // every face has one.
    PlayTurn AtTurn(int turn) const;

  private:
    bool Deal(const GameRecord& record, std::string& why);
    bool PlayOneTurn(int seat, const std::string& records, std::string& why);
    void Add(ReplayStep step, const Tracker& after);

    std::vector<ReplayStep> step_list;
    std::vector<Tracker> tables;
    std::vector<std::size_t> turn_starts;
    // Each turn's history at its start, its draw made.
    std::vector<TurnHistory> histories;
    Tracker table;
    int numplayers = 0;
};
