// A local game whose human player makes arbitrary plays: at each own turn the input chooses
// hand cards and piles for a 210 line (legal or not), a pass, or "Auto". The referee's table stays
// whole, and player 0's table never learns a face of another hand or of the deck. A play that
// breaks the rules ends a local game with its one error, as designed.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "exchange/exchange.h"
#include "fuzz/fuzz_support.h"
#include "game/autoplay_server.h"
#include "game/client.h"
#include "game/protocol.h"
#include "game/tracker_modify.h"
#include "tools/headless.h"

namespace {

class Input {
  public:
    Input(const uint8_t* data_t, size_t size_t) : data(data_t), size(size_t) {}
    bool empty() const { return at >= size; }
    int next() { return at < size ? data[at++] : 0; }

  private:
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

// Player 0: applies the others' records, and at its own turn plays what the input chooses.
class Chooser : public ClientConnector {
  public:
    Chooser(Exchange& exch_t, Client& client_t, Input& input_t)
        : exch(exch_t), client(client_t), input(input_t) {}
    void Play(int turn, int playernum, Tokens& command) override {
        if (command.data.size() > 3 && command.token(2) != playernum) apply(command);
        if (turn == playernum) exch.ClientSend(int_to_string(proto::kSeen));
    }
    void Turn(int turn, int playernum, Tokens& command) override {
        if (command.data.size() > 3) apply(command);
        if (turn == playernum) choose(playernum);
    }
    void SetPlayerNum(int, int) override {}

  private:
    void apply(Tokens& command) {
        std::string ignored;
        TrackerModify().Modify(&client.tracker, &command, 3, ignored);
    }
    // Up to three records of hand cards laid on or under board piles, or "Auto".
    void choose(int me) {
        Tracker& t = client.tracker;
        if (input.empty() || input.next() % 4 == 0) {
            exch.ClientSend(int_to_string(proto::kAutoPlay));
            return;
        }
        std::string line = int_to_string(proto::kPlay) + " ";
        for (int moves = input.next() % 4; moves > 0 && !t.pile[me].empty(); --moves) {
            const signed char card = t.pile[me][input.next() % t.pile[me].size()];
            const int pile = kFirstBoardPile + input.next() % 8;
            const bool under = input.next() % 2;
            try {
                if (under)
                    t.move_hand_card_to_bottom(me, card, pile, -1);
                else
                    t.move_hand_card_to_top(me, card, pile, -1);
            } catch (const TrackerError&) {
                continue;
            }
            line += " " + int_to_string(under ? proto::kHandToBottom : proto::kHandToTop) + " " +
                    int_to_string(pile) + " " + int_to_string(me) + " 1 " + int_to_string(card) +
                    " " + int_to_string(t.cards[card]);
        }
        exch.ClientSend(line);
    }
    Exchange& exch;
    Client& client;
    Input& input;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static HeadlessSDL sdl(false);
    if (size < 1) return 0;
    Input input(data + 1, size - 1);
    const int players = 2 + data[0] % 4;
    Exchange exch;
    exch.EnterLocalMode(players);
    ServerWithAutoPlay server(players, exch, [&] { return static_cast<unsigned>(data[0]); });
    Client client(exch);
    Chooser chooser(exch, client, input);
    client.ConnectClientConnector(&chooser);
    try {
        for (int i = 0; i < 20000 && server.winner() == -1 && exch.PollEvent(); ++i) {
            if (!exch.IsPlayerMessage()) continue;
            if (exch.GetPlayerNum() == -1)
                client.Receive(exch.GetPlayerMessage());
            else
                server.Receive(exch.GetPlayerNum(), exch.GetPlayerMessage());
            const Tracker& t = server.table();
            check_table(t);
            if (client.tracker.pile[kDeck].size() != t.pile[kDeck].size()) continue;
            for (int p = 1; p <= kDeck; ++p)
                if (p < players || p == kDeck)
                    for (signed char n : t.pile[p])
                        if (client.tracker.cards[n] != -1) broken("player 0 knows a hidden face");
        }
    } catch (const std::runtime_error& e) {
        if (std::string(e.what()).rfind("Local game: invalid play from player 0", 0) != 0) throw;
    }
    while (exch.PollEvent()) {
    }
    return 0;
}
