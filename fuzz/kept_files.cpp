// The files the game keeps between runs, fed arbitrary text: the first byte picks a saved game or
// a settings or statistics file. A saved game is refused with a reason, or is a whole game whose
// open moves the rules allow, written back as the same text; a key=value file reads back as it
// was written.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "store/key_values.h"
#include "store/saved_game.h"

namespace {

void saved_game(const std::string& text) {
    SavedGame game;
    std::string why;
    if (!ParseSavedGame(text, game, why)) {
        if (why.empty()) broken("a saved game refused without a reason");
        return;
    }
    check_table(game.at.table);
    if (!game.at.table.is_whole_game(game.at.numplayers, why)) broken("a saved game is not whole");
    Tracker seen = SeenBy(game.at.table, 0);
    for (const Move& m : game.open_moves) {
        if (!IsLegal(seen, 0, m)) broken("an open move the rules refuse");
        Apply(seen, m);
    }
    SavedGame again;
    const std::string written = SavedGameText(game);
    if (!ParseSavedGame(written, again, why) || SavedGameText(again) != written)
        broken("a saved game does not read back as written");
}

void key_values(const std::string& text) {
    KeyValues kv;
    std::string why;
    if (!kv.Parse(text, why)) {
        if (why.empty()) broken("a file refused without a reason");
        return;
    }
    KeyValues again;
    const std::string written = kv.Text();
    if (!again.Parse(written, why) || again.Text() != written)
        broken("a key=value file does not read back as written");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        saved_game(text);
    else
        key_values(text);
    return 0;
}
