// The client, with a connector that applies the records as the game screen does, fed arbitrary
// lines from a referee: its table stays whole, and a line that loses the referee leaves the
// table exactly as it was.
#include <cstdint>
#include <string>

#include "exchange/exchange.h"
#include "fuzz/fuzz_support.h"
#include "game/client_server.h"
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
    void SetPlayerNum(int, int) override {}

  private:
    void apply(Tokens& command) {
        std::string ignored;
        TrackerModify().Modify(&client.tracker, &command, 3, ignored);
    }
    Client& client;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static HeadlessSDL sdl(false);
    Exchange exch;
    Client client(exch);
    Applier applier(client);
    client.ConnectClientConnector(&applier);
    client.tracker.ResetClient();
    const std::string text(reinterpret_cast<const char*>(data), size);
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
