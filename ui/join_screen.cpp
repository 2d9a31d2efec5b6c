#include "ui/join_screen.h"

#include <algorithm>

#include "net/fastevents.h"
#include "ui/navigation.h"
#include "ui/network_setup.h"
#include "ui/texts.h"

JoinScreen::JoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t)
    : TextEntryScreen(sdl_t, exch_t, profile_t, Translate("line", "Enter host name: "),
                      Translate("line", "Press Enter when Done or Esc to Cancel"),
                      profile_t.settings.values.last_host),
      search(kSearchPort,
             [] {
                 // Never waits for room: the screen thread, which makes room, may be joining the
                 // search's thread.
                 SDL_Event redraw{};
                 redraw.type = SDL_USEREVENT;
                 redraw.user.code = EXCH_REDRAW;
                 return FE_TryPushEvent(&redraw);
             }),
      rejoin(profile_t.rejoin) {
    FollowSearch();
}

void JoinScreen::Enter() {
    Join(kPort, text);
}

void JoinScreen::Join(int port, const std::string& host) {
    if (ignore_screen) return;
    ignore_screen = true;
    PostScreen(navigate::Connect(sdl, exch, profile, port, host));
}

bool JoinScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_USEREVENT && event.user.code == EXCH_REDRAW) FollowSearch();
    if (rejoin.Follow(event)) {
        FollowSearch();
        return false;
    }
    if (const Button* b = ButtonEvent(event)) {
        int row = rejoin_listed ? -1 : 0;
        for (const Button* listed : buttons.buttons) {
            if (listed == b && row == -1 && rejoin.offered() && !ignore_screen) {
                ignore_screen = true;
                PostScreen(navigate::Rejoin(sdl, exch, profile, *rejoin.offered(), false));
            } else if (listed == b) {
                Join(games[row].offer.port, games[row].address);
            }
            ++row;
        }
        return false;
    }
    return TextEntryScreen::AcceptEvent(event);
}

void JoinScreen::FollowSearch() {
    const std::vector<GameSearch::Found> heard = search.Games(SDL_GetTicks());
    const auto same = [](const GameSearch::Found& a, const GameSearch::Found& b) {
        return a.address == b.address && a.offer.port == b.offer.port &&
               a.offer.name == b.offer.name && a.offer.joined == b.offer.joined;
    };
    if (list_built && rejoin_listed == (rejoin.offered() != nullptr) &&
        std::equal(heard.begin(), heard.end(), games.begin(), games.end(), same))
        return;
    list_built = true;
    int chosen = -1, row = 0;
    for (const Button* b : buttons.buttons) {
        if (b == buttons.focus) chosen = row;
        ++row;
    }
    games = heard;
    buttons.Clear();
    const int h = static_cast<int>(sdl.GetButtonHeight());
    row = 0;
    rejoin_listed = rejoin.offered() != nullptr;
    if (rejoin_listed) {
        Button* b = buttons.AddButton(
            sdl, 10, BelowY() + 2 * sdl.GetFontHeight(1),
            Fill(Translate("button", "Rejoin the game at %s"), rejoin.offered()->host), true);
        if (row++ == chosen) buttons.focus = b;
    }
    for (const GameSearch::Found& g : games) {
        const std::string at = g.offer.port == kPort
                                   ? Fill(Translate("button", "%s at %s"), g.offer.name, g.address)
                                   : Fill(Translate("button", "%s at %s, port %d"), g.offer.name,
                                          g.address, g.offer.port);
        const std::string label = Fill(
            TranslatePlural("button", "%s: %d of %d player", "%s: %d of %d players", g.offer.seats),
            at, g.offer.joined, g.offer.seats);
        Button* b =
            buttons.AddButton(sdl, 10, BelowY() + 2 * sdl.GetFontHeight(1) + row * h, label, true);
        if (row++ == chosen) buttons.focus = b;
    }
    RequestRedraw();
}

void JoinScreen::Idle() {
    rejoin.Expire(SDL_GetTicks());
    FollowSearch();
}

Uint32 JoinScreen::NextWakeMs() const {
    const Uint32 now = SDL_GetTicks();
    return std::min(search.NextDropMs(now), rejoin.NextWakeMs(now));
}

void JoinScreen::DrawBelow() {
    const int y = BelowY();
    const char* title = games.empty()
                            ? Translate("line", "Searching the local network for games...")
                            : Translate("line",
                                        "Games on the local network: click one, or choose it "
                                        "with Up and Down and press Enter");
    sdl.DrawString(sdl.screen, 1, 10, y, title);
    buttons.Draw(sdl, sdl.screen);
}

void JoinScreen::Cancel() {
    if (ignore_screen) return;
    ignore_screen = true;
    TextEntryScreen::Cancel();
}
