// The screen of a game in progress: it owns the game's client (and, where this program hosts or
// plays locally, the referee), routes the player messages to them, shows the table view with
// "Done" and "Auto", and turns the sampled pointer into drags and clicks.
#pragma once

#include <optional>

#include "game/client.h"
#include "game/referee.h"
#include "game/tracker_modify.h"
#include "store/saved_game.h"
#include "ui/chat_log.h"
#include "ui/game_keeping.h"
#include "ui/hint_search.h"
#include "ui/host_beacon.h"
#include "ui/log_panel.h"
#include "ui/screen.h"
#include "ui/server_table.h"
#include "ui/table_connectors.h"
#include "ui/table_turn.h"

class GameScreen : public Screen {
  public:
    // Takes over the client (required) and the referee (null when this program only joins).
    // `local_strength`: the computer players' strength of a local game, none for a network
    // game. `resume`: a saved local game whose referee `server_t` is, taken up where it was.
    GameScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, Client* client_t, Server* server_t,
               std::optional<Strategy> local_strength_t = std::nullopt,
               const SavedGame* resume = nullptr);
    ~GameScreen() override;

    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;
    void ButtonUp(int x, int y) override;
    void ButtonDown(int x, int y) override;
    void MoveTo(int x, int y) override;
    void Idle() override;
    Uint32 NextWakeMs() const override;
    bool Moving() const override;
    bool TakesText() const override { return typing; }

    void InitGUI(ButtonList* list);
    // A game joined at `host`: the ticket back into it is kept while it is in play. `held`: the
    // secret of a seat taken back, until the referee gives a new one.
    void JoinedAt(const std::string& host, int port, std::optional<SeatSecret> held);
    // The game of a server's table, seated or watching: leaving it goes back to the lobby.
    void AtTable(const ServerTable& table);
    // The turn of this screen's game: its moves, choices, hint and news.
    const TableTurn& turn() const { return table_turn; }

    // How long a closed window may wait for the computer players to finish their turns, so
    // that the local game is kept on the player's turn.
    static constexpr Uint32 kCloseMs = 3000;
    // A press or key in the first moment after the game's end was meant for the game: ignored.
    static constexpr Uint32 kEndGuardMs = 500;
    // The pointer held still this long on a board pile of two cards or more spreads it out.
    static constexpr Uint32 kRestOnPileMs = 800;

  private:
    bool Ready() const;
    // The window is to close: a local game in play is kept first. Whether the program may end.
    bool Close();
    // Keeps the local game once it waits for the player's play; whether it is kept (or over).
    bool KeepWhenSettled();
    void TakeUp(const SavedGame& game);
    // Follows the turns and the end of the game for the statistics.
    void FollowGame(const SDL_Event& event);
    void CountGame(bool won);
    // The game just won goes to the kept games.
    void KeepRecord();
    // A server's game is kept once the server offered its whole record, or, where it did not,
    // as the seat saw it when the screen moves on.
    void KeepPendingRecord();
    bool GameInPlay() const;
    // "Undo", "Done" and "Auto" during a game; "Play again" and "Menu" once it is over.
    ButtonList& Active();
    // The host asked to play again, and seats whose players left wait for new ones.
    bool Refilling() const;
    // This window may start the game with computer players: it hosts it, or made the server's
    // table.
    bool MayFillSeats() const;
    bool Watching() const { return at_table && at_table->watching; }
    void Clicked(const Button* b);
    // The keys of the game: choosing and playing cards and piles, the buttons' letters.
    void Key(const SDL_keysym& key);
    void EndKey(const SDL_keysym& key);
    void Escape();
    void SendPlay();
    void Undo();
    // The expert's first move for this turn, marked once its search ends.
    void Hint();
    void TakeHint();
    // A program event of the game: a turn begins, the game is won.
    void FollowTurns(const SDL_Event& event);
    // The view shows the turn's marks and texts from now on.
    void ShowTurn();
    void LookThrough(const SDL_Event& event);
    // Every moving card lands where the game's table has it.
    void LandCards();
    // L opens and closes the game's log; while it is open, the keys that scroll it are its.
    // Whether the key was the log's.
    bool LogKey(const SDL_keysym& key);
    void ToggleLog();
    // T opens the chat's line in a network game; while it is open every key is the line's: Return
    // sends it, Esc closes it. Whether the key was the chat's.
    bool ChatKey(const SDL_keysym& key);
    // The pointer came to (x, y): the pile it may rest on, from now.
    void RestOn(int x, int y);
    // Whether (x, y) lies on board pile `pile`'s cards.
    bool OnPile(int x, int y, int pile) const;
    // Back to the main menu, once, with a line telling why ("" for none).
    void Leave(const std::string& why);
    // The connection to the referee ended: a dropped one of a game in play is reconnected.
    void Gone();
    // The ticket back into a joined game is kept once the referee gave the secret.
    void KeepTicket();
    void ShowState();

    Client* client;
    Server* server;
    TableTurn table_turn;
    ChatLog chat;
    MyClientConnector con;
    // The ticket back into a joined game, and the local game kept when the window closes.
    GameKeeping keeping;
    // Found on the local network while a hosted game waits for players after "Play again".
    HostBeacon beacon;
    Button* button_undo = nullptr;
    Button* button_done = nullptr;
    Button* button_auto = nullptr;
    Button* button_hint = nullptr;
    Button* button_again = nullptr;
    Button* button_menu = nullptr;
    // "Log", during the game and after it.
    Button* button_log = nullptr;
    Button* button_end_log = nullptr;
    LogPanel log_panel;
    HintSearch hint_search;
    ButtonList buttons;
    ButtonList end_buttons;
    // A watcher's: "Log" and "Leave".
    ButtonList watch_buttons;
    Button* button_leave = nullptr;
    Button* button_watch_log = nullptr;
    // While seats wait for players after "Play again" at the host.
    static constexpr const char* kFillText = "Start now with computer players";
    Button* button_fill = nullptr;
    Button* button_refill_menu = nullptr;
    ButtonList refill_buttons;
    // A first Escape during a game only asks; a second one within kEscapeMs leaves.
    static constexpr Uint32 kEscapeMs = 3000;
    Uint32 escape_at = 0;
    bool escape_asked = false;
    // "Play again" has been sent; the next game's first line clears it.
    bool again_sent = false;
    bool leaving = false;
    // The server's table this game is played or watched at.
    std::optional<ServerTable> at_table;
    // The connection has ended: leaving goes to the menu.
    bool connection_gone = false;
    // The connection went on to the lobby: it stays open.
    bool connection_kept = false;
    std::optional<Strategy> local_strength;
    // The player's turns in this game so far.
    int own_turns = 0;
    // The window is closing, since this time, once the local game is kept.
    bool closing = false;
    Uint32 closing_at = 0;
    // Why the last key did nothing, shown in the status line until the next key.
    std::string refusal;
    // "Done" with no move made asked once whether to pass.
    bool pass_asked = false;
    Uint32 ended_at = 0;
    int resting_on = -1;
    bool typing = false;
    std::string chat_field;
    int unicode_before = 0;
    // The chat lines the picture shows: one that goes asks for a new picture.
    std::size_t chat_rows = 0;
    Uint32 resting_since = 0;
    bool JustEnded() const;
    bool record_pending = false;
};
