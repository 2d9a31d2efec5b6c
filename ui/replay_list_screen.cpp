#include "ui/replay_list_screen.h"

#include "ui/navigation.h"
#include "ui/record_words.h"
#include "ui/table_view.h"
#include "ui/texts.h"

std::string RecordRow(const GameRecord& record) {
    std::string players;
    for (int p = 0; p < record.numplayers; ++p) players += (p ? ", " : "") + record.seats[p].name;
    return Fill(Translate("replay", "%s   %s   Won: %s   %s"), PlayedLabel(record.played), players,
                record.seats[record.winner].name, PlaceLabel(record.where));
}

ReplayListScreen::ReplayListScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t)
    : Screen(sdl_t, exch_t, profile_t), kept(profile.games.List()) {
    ShowPage();
}

int ReplayListScreen::RowsFit() const {
    const int top = 10 + 3 * sdl.GetFontHeight(1), step = static_cast<int>(sdl.GetButtonHeight());
    return std::max(1, (sdl.h - top - 2 * step) / step);
}

void ReplayListScreen::ShowPage() {
    buttons.Clear();
    rows.clear();
    const int step = static_cast<int>(sdl.GetButtonHeight());
    int y = 10 + 3 * sdl.GetFontHeight(1);
    for (std::size_t i = first; i < kept.size() && i < first + RowsFit(); ++i, y += step)
        rows.emplace_back(buttons.AddButton(sdl, 10, y, RecordRow(kept[i].record), true), i);
    button_back = buttons.AddButton(sdl, 10, sdl.h - step - 1, Translate("replay", "Back"), true);
    RequestRedraw();
}

bool ReplayListScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    const std::size_t page = static_cast<std::size_t>(RowsFit());
    if (IsKey(event, SDLK_PAGEDOWN) && first + page < kept.size()) {
        first += page;
        ShowPage();
    } else if (IsKey(event, SDLK_PAGEUP) && first > 0) {
        first -= std::min(first, page);
        ShowPage();
    }
    const Button* pressed = ButtonEvent(event);
    // One next screen: a second press before it comes is the old screen's no more.
    if (leaving || !(pressed || IsKey(event, SDLK_ESCAPE))) return false;
    leaving = true;
    if (IsKey(event, SDLK_ESCAPE) || pressed == button_back) {
        PostScreen(navigate::Menu(sdl, exch, profile));
        return false;
    }
    for (const auto& [button, index] : rows)
        if (pressed == button)
            PostScreen(navigate::Replay(sdl, exch, profile, kept[index].record,
                                        [&sdl = sdl, &exch = exch, &profile = profile] {
                                            return navigate::Replays(sdl, exch, profile);
                                        }));
    return false;
}

void ReplayListScreen::Draw() {
    ClearToTable(sdl, sdl.screen);
    sdl.DrawString(sdl.screen, 1, 10, 10, Translate("replay", "Replays"));
    const std::string count =
        kept.empty() ? Translate("replay", "No game is kept yet: each game you finish is kept here")
                     : Fill(TranslatePlural("replay", "%d game kept. Page Up, Page Down: more",
                                            "%d games kept. Page Up, Page Down: more", kept.size()),
                            kept.size());
    sdl.DrawString(sdl.screen, 1, 10, 10 + sdl.GetFontHeight(1), count.c_str());
    buttons.Draw(sdl, sdl.screen);
    sdl.Present();
}
