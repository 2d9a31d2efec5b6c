// A server's lobby: its tables, each to join or watch, a new table, the lobby's chat, the ticket
// back into a game the window left mid-play there, the best players with the player's own place,
// and the finished games (everyone's or the player's own), each to be watched again.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/client.h"
#include "game/lobby_lines.h"
#include "game/seat_record.h"
#include "net/async_connect.h"
#include "ui/rejoin_offer.h"
#include "ui/screen.h"
#include "ui/server_table.h"
#include "ui/table_form.h"

class LobbyScreen : public Screen {
  public:
    // Connects to `server_t` and enters its lobby; or, `connected_t`, the connection has just
    // left a table for the lobby. `why_t`: a line telling why the player came back, or "".
    // `in_lobby_t`: the connection is in the lobby already (back from watching a game again).
    LobbyScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, ServerAddress server_t,
                bool connected_t, std::string why_t = "", bool in_lobby_t = false);
    ~LobbyScreen() override;
    bool AcceptEvent(SDL_Event& event) override;
    void Shown() override;
    void Draw() override;
    void Idle() override;
    Uint32 NextWakeMs() const override;
    bool TakesText() const override { return typing || form.has_value(); }

    // The tables listed now, and the line above them.
    const std::vector<ListedTable>& listed() const { return tables; }
    // What the list shows: the tables, the best players, or finished games.
    enum class View { kTables, kRatings, kGames, kOwnGames };
    View view() const { return shown; }
    const std::vector<RatedPlayer>& ratings() const { return best; }
    const std::vector<ListedGame>& games() const { return finished; }
    // The name the server lets this player have.
    const std::string& own_name() const { return name_here; }
    std::string StatusLine() const;

    // How often the list is asked for again while the lobby shows.
    static constexpr Uint32 kListMs = 2000;
    static constexpr std::size_t kChatShown = 5;

  private:
    enum class State { kConnecting, kEntering, kInLobby, kSeating, kFailed };

    void Connected();
    // A line from the server while this screen is current.
    void Line(const std::string& message);
    void LobbyLine(const Tokens& t);
    // The first line of the table the server seated or let watch this window.
    void Seated(const std::string& message);
    void AskForList();
    void Show(View v);
    void RatingsLine(const Tokens& t);
    void GamesLine(const Tokens& t);
    // A kept game's record has come whole: it is watched again, the connection kept meanwhile.
    void RecordCame();
    // The rows of the list shown, as text.
    std::vector<std::string> ShownRows() const;
    // The buttons follow the list: the choice stays on the same row.
    void ListButtons();
    void Pressed(const Button* b);
    void Sit(const std::string& line, ServerTable at);
    void ToMenu(const std::string& why);
    bool ChatKey(const SDL_keysym& key);
    void FormEvent(const SDL_Event& event, const Button* pressed);
    const RejoinTicket* RejoinHere() const;
    int ListTop() const;
    int RowHeight() const;
    int RowsShown() const;

    ServerAddress server;
    State state;
    std::string why;
    std::unique_ptr<AsyncConnect> connect;
    Uint32 connect_started = 0;
    AsyncConnect::Outcome outcome = AsyncConnect::kPending;
    // The list as the server last sent it whole, and the one still coming.
    std::vector<ListedTable> tables;
    std::vector<ListedTable> incoming;
    bool list_asked = false;
    Uint32 listed_at = 0;
    std::deque<std::string> chat;
    bool typing = false;
    std::string chat_field;
    int unicode_before = 0;
    std::optional<TableForm> form;
    // The table asked for, while the server has not answered.
    ServerTable asked;
    Button* button_create = nullptr;
    Button* button_rejoin = nullptr;
    Button* button_best = nullptr;
    Button* button_games = nullptr;
    Button* button_own_games = nullptr;
    Button* button_tables = nullptr;
    View shown = View::kTables;
    std::vector<RatedPlayer> best, best_incoming;
    std::optional<RatedPlayer> own_standing;
    std::vector<ListedGame> finished, finished_incoming;
    // Each game row's "Watch again".
    std::vector<Button*> again_buttons;
    OfferedRecord fetched;
    std::string name_here;
    // Each listed row's buttons, in the list's order.
    std::vector<std::pair<Button*, Button*>> rows;
    RejoinOffer rejoin;
    // The client handed to the table's screen; the connection stays open with it.
    Client* client = nullptr;
    bool handed = false;
    bool left = false;
    // Gone to watch a kept game again: the connection waits in the lobby.
    bool watching_again = false;
};
