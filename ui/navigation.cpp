#include "ui/navigation.h"

#include "ui/connect_screen.h"
#include "ui/game_screen.h"
#include "ui/join_screen.h"
#include "ui/lobby_screen.h"
#include "ui/main_menu.h"
#include "ui/replay_list_screen.h"
#include "ui/replay_screen.h"
#include "ui/serve_screen.h"
#include "ui/server_address_screen.h"
#include "ui/settings_screen.h"
#include "ui/statistics_screen.h"
#include "ui/thinking_thread.h"

namespace navigate {

Screen* Menu(SDL& sdl, Exchange& exch, Profile& profile, const std::string& why) {
    return new MainMenu(sdl, exch, profile, why);
}

Screen* JoinList(SDL& sdl, Exchange& exch, Profile& profile) {
    return new JoinScreen(sdl, exch, profile);
}

Screen* Connect(SDL& sdl, Exchange& exch, Profile& profile, int port, const std::string& host) {
    return new DoJoinScreen(sdl, exch, profile, port, host);
}

Screen* Rejoin(SDL& sdl, Exchange& exch, Profile& profile, const RejoinTicket& ticket,
               bool dropped) {
    return new DoJoinScreen(sdl, exch, profile, ticket, dropped);
}

Screen* HostPlayers(SDL& sdl, Exchange& exch, Profile& profile) {
    return new ServeScreen(sdl, exch, profile);
}

Screen* Game(SDL& sdl, Exchange& exch, Profile& profile, Client* client, Server* server,
             std::optional<Strategy> local_strength, const SavedGame* resume) {
    return new GameScreen(sdl, exch, profile, client, server, local_strength, resume);
}

Screen* JoinedGame(SDL& sdl, Exchange& exch, Profile& profile, Client* client,
                   const std::string& host, int port, std::optional<SeatSecret> held) {
    auto* game = new GameScreen(sdl, exch, profile, client, nullptr);
    game->JoinedAt(host, port, held);
    return game;
}

Screen* ServerEntry(SDL& sdl, Exchange& exch, Profile& profile) {
    return new ServerAddressScreen(sdl, exch, profile);
}

Screen* Lobby(SDL& sdl, Exchange& exch, Profile& profile, const ServerAddress& server,
              bool connected, const std::string& why, bool in_lobby) {
    return new LobbyScreen(sdl, exch, profile, server, connected, why, in_lobby);
}

Screen* TableGame(SDL& sdl, Exchange& exch, Profile& profile, Client* client,
                  const ServerTable& table) {
    auto* game = new GameScreen(sdl, exch, profile, client, nullptr);
    game->AtTable(table);
    return game;
}

Screen* Settings(SDL& sdl, Exchange& exch, Profile& profile) {
    return new SettingsScreen(sdl, exch, profile);
}

Screen* LocalGameFrom(SDL& sdl, Exchange& exch, Profile& profile, const SavedGame& game) {
    exch.EnterLocalMode(game.at.numplayers);
    auto* referee = new ServerWithAutoPlay(game.at, exch);
    SeatComputers(*referee, game.at.numplayers, game.strength);
    // The referee sends nothing until the player's play: the game screen takes it up at once.
    return new GameScreen(sdl, exch, profile, new Client(exch), referee, game.strength, &game);
}

Screen* Replays(SDL& sdl, Exchange& exch, Profile& profile) {
    return new ReplayListScreen(sdl, exch, profile);
}

Screen* Replay(SDL& sdl, Exchange& exch, Profile& profile, const GameRecord& record,
               std::function<Screen*()> back) {
    return new ReplayScreen(sdl, exch, profile, record, std::move(back));
}

Screen* Statistics(SDL& sdl, Exchange& exch, Profile& profile) {
    return new StatisticsScreen(sdl, exch, profile);
}

}  // namespace navigate
