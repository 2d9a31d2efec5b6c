#include "store/statistics.h"

#include <algorithm>

namespace {

constexpr int kVersion = 1;

}  // namespace

std::string LocalKind(int players, Strategy strength) {
    return "local " + std::to_string(players) + " " + StrategyName(strength);
}

std::string NetworkKind(int players) {
    return "network " + std::to_string(players);
}

std::optional<GameKind> ReadKind(const std::string& kind) {
    for (int p = 2; p <= 5; ++p) {
        for (Strategy s : {Strategy::kEasy, Strategy::kAuto, Strategy::kStrong, Strategy::kExpert})
            if (kind == LocalKind(p, s)) return GameKind{true, p, s};
        if (kind == NetworkKind(p)) return GameKind{false, p, Strategy::kAuto};
    }
    return std::nullopt;
}

StatisticsFile::StatisticsFile(const std::string& dir) : file(dir, "statistics.ini") {}

void StatisticsFile::Load() {
    kept.Load(file, kVersion);
}

Tally StatisticsFile::Get(const std::string& kind) const {
    Tally r;
    const auto count = [&](const char* key) {
        return std::max(0, ParseCount(kept.Find(kind, key)));
    };
    r.played = count("played");
    r.won = std::min(count("won"), r.played);
    const int won_row = count("won_in_a_row"), lost_row = count("lost_in_a_row");
    r.streak = std::min(won_row, r.won) - std::min(lost_row, r.lost());
    r.best_streak = std::min(std::max(count("best_streak"), std::max(r.streak, 0)), r.won);
    r.shortest_win = r.won ? count("shortest_win") : 0;
    return r;
}

void StatisticsFile::Put(const std::string& kind, const Tally& r) {
    kept.Set(kind, "played", std::to_string(r.played));
    kept.Set(kind, "won", std::to_string(r.won));
    kept.Set(kind, "won_in_a_row", std::to_string(std::max(r.streak, 0)));
    kept.Set(kind, "lost_in_a_row", std::to_string(std::max(-r.streak, 0)));
    kept.Set(kind, "best_streak", std::to_string(r.best_streak));
    kept.Set(kind, "shortest_win", std::to_string(r.shortest_win));
}

// Counted on the file as it is now, which another copy of the game may have counted on since.
void StatisticsFile::Count(const std::string& kind, bool won, int turns) {
    file.Locked([&] {
        Load();
        CountLoaded(kind, won, turns);
    });
}

void StatisticsFile::CountLoaded(const std::string& kind, bool won, int turns) {
    Tally r = Get(kind);
    ++r.played;
    if (won) {
        ++r.won;
        r.streak = std::max(r.streak, 0) + 1;
        r.best_streak = std::max(r.best_streak, r.streak);
        if (turns > 0 && (r.shortest_win == 0 || turns < r.shortest_win)) r.shortest_win = turns;
    } else {
        r.streak = std::min(r.streak, 0) - 1;
    }
    if (!kept.Find("", "version")) kept.Set("", "version", std::to_string(kVersion));
    Put(kind, r);
    file.Save(kept.Text());
}

void StatisticsFile::Reset() {
    file.Locked([&] {
        Load();
        const std::vector<std::string> kinds = Kinds();
        // Nothing to clear is no reason to create the file.
        if (kinds.empty()) return;
        for (const std::string& kind : kinds) kept.EraseSection(kind);
        file.Save(kept.Text());
    });
}

std::vector<std::string> StatisticsFile::Kinds() const {
    std::vector<std::string> kinds;
    for (const std::string& s : kept.Sections())
        if (ReadKind(s) && Get(s).played > 0) kinds.push_back(s);
    return kinds;
}
