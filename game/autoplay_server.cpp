#include "game/autoplay_server.h"

#include "game/moves.h"

void ServerWithAutoPlay::SetStrategy(int seat, Strategy strategy) {
    if (seat >= 0 && seat < kMaxPlayers) strategies[seat] = strategy;
}

// The turn's moves go out in one 200 line of the referee's own (mover -1); a move that empties
// the hand ends the turn, and the win follows the line.
void ServerWithAutoPlay::AutoPlay() {
    const int p = turn;
    std::string line = published_line(-1);
    const bool strong = strategies[p] == Strategy::kStrong && !exch.IsPlayerRemote(p);
    const Tracker before = tracker;
    const std::vector<Move> moves =
        strong ? StrongTurn(SeenBy(tracker, p), p, numplayers, turns) : AutoTurn(tracker, p);
    for (const Move& m : moves) {
        AppendRecord(line, before, m);
        if (strong) Apply(tracker, m);
    }
    SendAll(line);
    if (tracker.is_winner(p)) Win(p);
}
