// A server's lobby: its tables, each to join or watch, a new table, the lobby's chat, and the
// ticket back into a game the window left mid-play there.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/client.h"
#include "game/lobby_lines.h"
#include "net/async_connect.h"
#include "ui/rejoin_offer.h"
#include "ui/screen.h"
#include "ui/server_table.h"
#include "ui/table_form.h"

class LobbyScreen : public Screen {
  public:
    // Connects to `server_t` and enters its lobby; or, `connected_t`, the connection has just
    // left a table for the lobby. `why_t`: a line telling why the player came back, or "".
    LobbyScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, ServerAddress server_t,
                bool connected_t, std::string why_t = "");
    ~LobbyScreen() override;
    bool AcceptEvent(SDL_Event& event) override;
    void Shown() override;
    void Draw() override;
    void Idle() override;
    Uint32 NextWakeMs() const override;
    bool TakesText() const override { return typing || form.has_value(); }

    // The tables listed now, and the line above them.
    const std::vector<ListedTable>& listed() const { return tables; }
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
    // Each listed row's buttons, in the list's order.
    std::vector<std::pair<Button*, Button*>> rows;
    RejoinOffer rejoin;
    // The client handed to the table's screen; the connection stays open with it.
    Client* client = nullptr;
    bool handed = false;
    bool left = false;
};
