#include "ui/statistics_screen.h"

namespace {

std::string streak_text(int streak) {
    if (streak > 0) return std::to_string(streak) + " won";
    if (streak < 0) return std::to_string(-streak) + " lost";
    return "-";
}

}  // namespace

StatisticsScreen::StatisticsScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t)
    : Screen(sdl_t, exch_t, profile_t) {
    const int bh = static_cast<int>(sdl.GetButtonHeight());
    button_reset = buttons.AddButton(sdl, 10, sdl.h - 2 * bh - 1, "", true);
    button_back = buttons.AddButton(sdl, 10, sdl.h - bh - 1, "", true);
    Ask(false);
}

void StatisticsScreen::Ask(bool asking_t) {
    asking = asking_t;
    button_reset->text = asking ? "Clear them" : "Reset";
    button_back->text = asking ? "Keep them" : "Back";
    button_reset->enabled = asking || !profile.statistics.Kinds().empty();
    for (Button* b : {button_reset, button_back})
        b->w = static_cast<int>(sdl.GetButtonWidth(b->text.c_str()));
    buttons.focus = nullptr;
    RequestRedraw();
}

void StatisticsScreen::DrawTable(int y) {
    const int h = sdl.GetFontHeight(1);
    const char* heads[] = {"Game", "Played", "Won", "Win %", "Streak", "Best", "Fastest win"};
    for (std::size_t c = 0; c < std::size(heads); ++c)
        sdl.DrawString(sdl.screen, 1, kColumns[c], y, heads[c]);
    const std::vector<std::string> kinds = profile.statistics.Kinds();
    if (kinds.empty()) sdl.DrawString(sdl.screen, 1, 10, y + 2 * h, "No game finished yet");
    for (const std::string& kind : kinds) {
        y += h + 4;
        const GameRecord r = profile.statistics.Get(kind);
        const std::string cells[] = {
            KindLabel(kind),
            std::to_string(r.played),
            std::to_string(r.won),
            std::to_string(r.win_percent()),
            streak_text(r.streak),
            std::to_string(r.best_streak),
            r.shortest_win ? std::to_string(r.shortest_win) + " turns" : "-"};
        for (std::size_t c = 0; c < std::size(cells); ++c)
            sdl.DrawString(sdl.screen, 1, kColumns[c], y, cells[c].c_str());
    }
}

void StatisticsScreen::Draw() {
    ClearToTable(sdl, sdl.screen);
    const int h = sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, 10, "Statistics");
    sdl.DrawString(sdl.screen, 1, 10, 10 + h,
                   asking ? "Clear every record? This cannot be undone."
                          : "Games finished, by kind; a game left before its end counts as lost");
    DrawTable(10 + 3 * h);
    buttons.Draw(sdl, sdl.screen);
    sdl.Present();
}

bool StatisticsScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    const bool escape = event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE;
    const Button* b = escape ? button_back : ButtonEvent(event);
    if (b == button_reset && !asking) {
        Ask(true);
    } else if (b == button_reset) {
        profile.statistics.Reset();
        Ask(false);
    } else if (b == button_back && asking) {
        Ask(false);
    } else if (b == button_back) {
        PostScreen(new MainMenu(sdl, exch, profile));
    }
    return false;
}
