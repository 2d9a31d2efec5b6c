// Game records fed arbitrary text. A record is refused with one line saying why, or is a game the
// rules play from its deal to its winner's empty hand, every table on the way whole, and written
// back as the same text.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "game/game_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    GameRecord record;
    std::string why;
    if (!ParseRecord(text, record, why)) {
        if (why.empty() || why.find('\n') != std::string::npos)
            broken("a record refused without a one-line reason");
        return 0;
    }
    GameReplay replay;
    if (!replay.Build(record, why)) broken("a record read but not played again");
    for (std::size_t i = 0; i <= replay.steps().size(); ++i) check_table(replay.TableAfter(i));
    if (!replay.TableAfter(replay.steps().size()).is_winner(record.winner))
        broken("the winner's hand is not empty");
    GameRecord again;
    const std::string written = RecordText(record);
    if (!ParseRecord(written, again, why) || RecordText(again) != written)
        broken("a record does not read back as written");
    return 0;
}
