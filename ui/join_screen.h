// Typing a host name, or choosing a game found on the local network, or the ticket back into a
// game left mid-play.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "net/game_search.h"
#include "store/rejoin_ticket.h"
#include "ui/text_entry_screen.h"

// Asks for a host name, and lists the games on the local network that answer its search: a click,
// or Up, Down and Enter, joins one of them instead.
class JoinScreen : public TextEntryScreen {
  public:
    JoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);
    bool AcceptEvent(SDL_Event& event) override;
    void Idle() override;
    Uint32 NextWakeMs() const override;
    // The games listed now.
    const std::vector<GameSearch::Found>& listed() const { return games; }

  private:
    void Enter() override;
    void Cancel() override;
    void DrawBelow() override;
    // The list follows the search: a row for each game heard, the keyboard's choice kept.
    void FollowSearch();
    void Join(int port, const std::string& host);
    // A screen change has been asked for: no second one.
    bool ignore_screen = false;
    GameSearch search;
    std::vector<GameSearch::Found> games;
    bool list_built = false;
    // The ticket back into a game left mid-play, offered above the games found.
    std::optional<RejoinTicket> ticket;
};
