// Tokens and Modify on arbitrary lines, against a referee's table (every face known) and a
// client's (none known): whatever a line holds, the tables stay whole, and a line refused on a
// copy leaves the table as it was.
#include <cstdint>
#include <string>

#include "exchange/tokens.h"
#include "fuzz/fuzz_support.h"
#include "game/tracker_modify.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const Tokens tokens(line);
    // Every blank-separated piece is one number.
    std::size_t pieces = 0;
    for (std::size_t i = 0; i < line.size(); ++i)
        pieces += line[i] != ' ' && (i == 0 || line[i - 1] == ' ');
    if (tokens.data.size() != pieces) broken("Tokens split the line wrongly");
    if (tokens.token(static_cast<unsigned>(pieces)) != -1) broken("a token past the end");

    Tracker referee, client;
    referee.ResetServer(7);
    client.ResetClient();
    // Some cards already out, so that hand and pile records have something to move.
    for (Tracker* t : {&referee, &client})
        for (int p : {0, 1, 6, 7, 8, 10, 12, 0, 1, 6})
            t->move_top_to_top(p, kDeck, t == &referee ? referee.cards[t->pile[kDeck].back()] : -1);
    for (Tracker* t : {&referee, &client}) {
        const Tracker before = *t;
        Tracker copy = *t;
        TrackerModify modify;
        const bool applied = modify.TryModify(&copy, tokens, 0);
        check_table(copy);
        if (!same_table(*t, before)) broken("trying a line on a copy changed the table");
        if (applied) *t = copy;
        check_table(*t);
    }
    return 0;
}
