// Typing a host name, or choosing a game found on the local network, or the ticket back into a
// game left mid-play.
#pragma once

#include <string>
#include <vector>

#include "net/game_search.h"
#include "ui/rejoin_offer.h"
#include "ui/text_entry_screen.h"

// Asks for a host name, and lists the games on the local network that answer its search: a click,
// or Up, Down and Enter, joins one of them instead.
class JoinScreen : public TextEntryScreen {
  public:
    JoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);
    bool AcceptEvent(SDL_Event& event) override;
    void Shown() override { rejoin.Start(); }
    void Idle() override;
    Uint32 NextWakeMs() const override;
    // The games listed now, and the host of the ticket offered above them ("" for none).
    const std::vector<GameSearch::Found>& listed() const { return games; }
    std::string listed_rejoin() const { return rejoin_listed ? rejoin.offered()->host : ""; }

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
    // The ticket back into a game left mid-play, offered above the games found while its host
    // answers.
    RejoinOffer rejoin;
    bool rejoin_listed = false;
};
