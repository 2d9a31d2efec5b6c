// A local game kept when its window closed on the player's turn, in saved-game.ini in the state
// folder, and taken up again by "Continue game". The player sits at seat 0.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "game/game_story.h"
#include "game/play_turn.h"
#include "game/strategy.h"
#include "store/kept_file.h"

// No seat moved any card: the movers of a game kept before they were.
inline std::array<signed char, kNumCards> NoMovers() {
    std::array<signed char, kNumCards> movers;
    movers.fill(-1);
    return movers;
}

struct SavedGame {
    // The referee's game, on the player's play turn.
    PlayTurn at;
    Strategy strength = Strategy::kAuto;
    // The player's turns so far, the open one included.
    int own_turns = 0;
    // The view: the cards the others moved since the player's last turn and what each did.
    std::array<bool, kNumCards> marked{};
    std::array<std::string, kMaxPlayers> news;
    // The open turn's moves, not yet sent with "Done".
    std::vector<Move> open_moves;
    // The seat that moved each marked card, for its badge; -1 where not known.
    std::array<signed char, kNumCards> movers = NoMovers();
    // The game's log so far (its last kMostToldKept lines); none in a game kept before it was.
    std::vector<StoryEvent> told;
    static constexpr std::size_t kMostToldKept = 2000;

    // Its kind of game for the statistics.
    std::string Kind() const;
};

std::string SavedGameText(const SavedGame& game);
// A saved game from `text`; false, with the reason in `why`, for anything but a whole game that
// the rules could have reached, with legal open moves.
bool ParseSavedGame(const std::string& text, SavedGame& game, std::string& why);

class SavedGameFile {
  public:
    explicit SavedGameFile(const std::string& dir) : file(dir, "saved-game.ini") {}
    // The game kept in the file; a file that cannot be used is set aside, saying why.
    bool Load(SavedGame& game);
    bool Save(const SavedGame& game) { return file.Save(SavedGameText(game)); }
    void Remove() { file.Remove(); }

  private:
    KeptFile file;
};
