// The client, with a connector that applies the records as the game screen does, fed arbitrary
// lines from a referee, asking for a seat back first or not: its table stays whole, a line that
// loses the referee leaves the table exactly as it was, and the seats, chat lines and rejoined
// tables it passes on are well formed.
#include "game/client.h"

#include <cstdint>
#include <string>

#include "base/utf8.h"
#include "exchange/exchange.h"
#include "fuzz/fuzz_support.h"
#include "game/referee.h"
#include "game/tracker_modify.h"
#include "tools/headless.h"

namespace {

class Applier : public ClientConnector {
  public:
    explicit Applier(Client& client_t) : client(client_t) {}
    void Play(int, int playernum, Tokens& command) override {
        if (command.data.size() > 3 && command.token(2) != playernum) apply(command);
    }
    void Turn(int, int, Tokens& command) override {
        if (command.data.size() > 3) apply(command);
    }
    void SetPlayerNum(int, int numplayers_t) override { numplayers = numplayers_t; }
    // The extension's news, whatever the referee sent: one seat for each player (before the
    // game's first line, who waits in the lobby: 2 to 5 seats), each named in printable Latin-1
    // within its limit; chat lines from a seat of the game.
    void SeatsChanged(const std::vector<SeatInfo>& seats) override {
        const int n = static_cast<int>(seats.size());
        if (numplayers ? n != numplayers : n < 2 || n > kMaxPlayers)
            broken("a seat list of another game");
        for (const SeatInfo& seat : seats)
            if (!clean(seat.name, kNameChars) || seat.state < SeatInfo::kComputer ||
                seat.state > SeatInfo::kAway)
                broken("a seat named or played as no seat is");
    }
    // A table taken back is whole, for a seat of its game.
    void Rejoined(int turn) override {
        if (client.seat() < 0 || client.seat() >= numplayers || turn < -1 || turn >= numplayers)
            broken("a rejoin's table for no seat or turn of its game");
    }
    void ChatLine(int seat, const std::string& text) override {
        if (seat < 0 || seat >= numplayers || !clean(text, kChatChars))
            broken("a chat line from no seat, or not printable");
    }

  private:
    static bool clean(const std::string& text, std::size_t limit) {
        return !text.empty() && CodePoints(text).size() <= limit &&
               PrintableText(text, limit) == text;
    }
    void apply(Tokens& command) {
        std::string ignored;
        TrackerModify().Modify(&client.tracker, &command, 3, ignored);
    }
    Client& client;
    int numplayers = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static HeadlessSDL sdl(false);
    Exchange exch;
    Client client(exch);
    Applier applier(client);
    client.ConnectClientConnector(&applier);
    client.tracker.ResetClient();
    std::string text(reinterpret_cast<const char*>(data), size);
    // An input that starts "R" asks for seat 0 back first: the referee's table may come.
    if (!text.empty() && text[0] == 'R') {
        client.Rejoin(0, SeatSecret{});
        text.erase(0, 1);
    }
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const Tracker before = client.tracker;
        if (client.Receive("1 " + text.substr(at, end - at)) && !same_table(before, client.tracker))
            broken("a line that lost the referee changed the table");
        check_table(client.tracker);
        at = end + 1;
        while (exch.PollEvent()) {
        }
    }
    return 0;
}
