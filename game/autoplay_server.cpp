#include "game/autoplay_server.h"

#include <chrono>

#include "game/computer_turn.h"
#include "game/line_text.h"
#include "game/moves.h"
#include "game/protocol.h"

void ServerWithAutoPlay::SetStrategy(int seat, Strategy strategy) {
    if (seat >= 0 && seat < kMaxPlayers) strategies[seat] = strategy;
}

std::vector<Move> ServerWithAutoPlay::Decide(int p, Strategy s) {
    if (s == Strategy::kAuto) return AutoTurn(tracker, p);
    if (s == Strategy::kExpert) ++expert.seed;
    return ComputerTurn(s, SeenBy(tracker, p), p, numplayers, turns, expert);
}

// The turn's moves go out in one 200 line of the referee's own (mover -1); a move that empties
// the hand ends the turn, and the win follows the line.
bool ServerWithAutoPlay::AutoPlay() {
    const int p = turn;
    const Strategy s = exch.IsPlayerRemote(p) ? Strategy::kAuto : strategies[p];
    if (s == Strategy::kExpert && aside) {
        ThinkExpertAside(p);
        return false;
    }
    std::string line = published_line(-1);
    const Tracker before = tracker;
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Move> moves = Decide(p, s);
    decided.push_back(
        {s, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count()});
    for (const Move& m : moves) {
        AppendRecord(line, before, m);
        if (s != Strategy::kAuto) Apply(tracker, m);
    }
    SendAll(line);
    TurnPublished(line);
    if (tracker.is_winner(p)) Win(p);
    return true;
}

// The search sees what seat p sees, on tables of its own; its turn comes back as the seat's play
// line, which the referee checks as any other.
void ServerWithAutoPlay::ThinkExpertAside(int p) {
    ++expert.seed;
    aside->Start(p, [seen = SeenBy(tracker, p), p, players = numplayers, history = turns,
                     budget = expert](const std::atomic<bool>& stop) {
        std::string line = CodeLine(proto::kPlay);
        Tracker t = seen;
        for (const Move& m : ExpertTurn(seen, p, players, history, budget, &stop)) {
            AppendRecord(line, t, m);
            Apply(t, m);
        }
        return line;
    });
}
