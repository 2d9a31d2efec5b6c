#include "ui/statistics_screen.h"

#include <algorithm>

#include "ui/navigation.h"
#include "ui/texts.h"

namespace {

std::string streak_text(int streak) {
    if (streak > 0)
        return Fill(TranslatePlural("statistics cell", "%d won", "%d won", streak), streak);
    if (streak < 0)
        return Fill(TranslatePlural("statistics cell", "%d lost", "%d lost", -streak), -streak);
    return "-";
}

// The gap between two columns of the table.
constexpr int kColumnGap = 16;

}  // namespace

std::string KindLabel(const std::string& kind) {
    const std::optional<GameKind> k = ReadKind(kind);
    if (!k) return "";
    if (!k->local) return Fill(Translate("statistics kind", "Network, %d players"), k->players);
    return Fill(Translate("statistics kind", "Local, %d players, %s"), k->players,
                StrengthLabel(k->strength));
}

std::string SummaryLine(const Tally& r) {
    const std::string won =
        Fill(Translate("table line", "Won %d of %d (%d %%)"), r.won, r.played, r.win_percent());
    if (r.streak > 0) return Fill(Translate("table line", "%s, streak %d"), won, r.streak);
    if (r.streak < 0)
        return Fill(TranslatePlural("table line", "%s, lost %d in a row", "%s, lost %d in a row",
                                    -r.streak),
                    won, -r.streak);
    return won;
}

StatisticsScreen::StatisticsScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t)
    : Screen(sdl_t, exch_t, profile_t) {
    const int bh = static_cast<int>(sdl.GetButtonHeight());
    button_reset = buttons.AddButton(sdl, 10, sdl.h - 2 * bh - 1, "", true);
    button_back = buttons.AddButton(sdl, 10, sdl.h - bh - 1, "", true);
    Ask(false);
}

void StatisticsScreen::Ask(bool asking_t) {
    asking = asking_t;
    button_reset->text = asking ? Translate("button", "Clear them") : Translate("button", "Reset");
    button_back->text = asking ? Translate("button", "Keep them") : Translate("button", "Back");
    button_reset->enabled = asking || !profile.statistics.Kinds().empty();
    for (Button* b : {button_reset, button_back})
        b->w = static_cast<int>(sdl.GetButtonWidth(b->text.c_str()));
    buttons.focus = nullptr;
    RequestRedraw();
}

void StatisticsScreen::DrawTable(int y) {
    const int h = sdl.GetFontHeight(1);
    using Row = std::array<std::string, kColumns>;
    std::vector<Row> rows{
        {Translate("statistics head", "Game"), Translate("statistics head", "Played"),
         Translate("statistics head", "Won"), Translate("statistics head", "Win %"),
         Translate("statistics head", "Streak"), Translate("statistics head", "Best"),
         Translate("statistics head", "Fastest win")}};
    const std::vector<std::string> kinds = profile.statistics.Kinds();
    for (const std::string& kind : kinds) {
        const Tally r = profile.statistics.Get(kind);
        rows.push_back(
            {KindLabel(kind), std::to_string(r.played), std::to_string(r.won),
             std::to_string(r.win_percent()), streak_text(r.streak), std::to_string(r.best_streak),
             r.shortest_win ? Fill(Translate("statistics cell", "%d turns"), r.shortest_win)
                            : "-"});
    }
    // Each column as wide as its widest text: a language's longer words push the next along.
    int x = 10;
    for (std::size_t c = 0; c < kColumns; ++c) {
        int widest = 0;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const char* text = rows[r][c].c_str();
            sdl.DrawString(sdl.screen, 1, x, y + static_cast<int>(r) * (h + 4), text);
            widest = std::max(widest, sdl.GetStringWidth(1, text));
        }
        x += widest + kColumnGap;
    }
    if (kinds.empty())
        sdl.DrawString(sdl.screen, 1, 10, y + 2 * h, Translate("line", "No game finished yet"));
}

void StatisticsScreen::Draw() {
    ClearToTable(sdl, sdl.screen);
    const int h = sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, 10, Translate("line", "Statistics"));
    sdl.DrawString(
        sdl.screen, 1, 10, 10 + h,
        asking ? Translate("line", "Clear every record? This cannot be undone.")
               : Translate("line",
                           "Games finished, by kind; a game left before its end counts as lost"));
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
        PostScreen(navigate::Menu(sdl, exch, profile));
    }
    return false;
}
