#include "ui/settings_screen.h"

#include <cstdio>

#include "ui/language.h"
#include "ui/navigation.h"
#include "ui/texts.h"

SettingsScreen::SettingsScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t)
    : Screen(sdl_t, exch_t, profile_t) {
    int y = 3 * sdl.GetFontHeight(1) + 10;
    const int step = static_cast<int>(sdl.GetButtonHeight());
    auto next = [&](int gap) {
        y += gap;
        Button* b = buttons.AddButton(sdl, 10, y, "", true);
        y += step;
        return b;
    };
    button_name = next(0);
    button_players = next(0);
    button_strength = next(0);
    button_fullscreen = next(0);
    button_animations = next(0);
    button_findable = next(0);
    button_suits = next(0);
    button_sound = next(0);
    button_language = next(0);
    info_y = y + step / 2;
    button_back = next(step / 2 + 3 * sdl.GetFontHeight(1));
    ShowValues();
}

void SettingsScreen::ShowValues() {
    const Settings& v = profile.settings.values;
    button_name->text = Fill(Translate("button", "Name: %s"), v.name);
    button_players->text = Fill(Translate("button", "Players: %d"), v.players);
    button_strength->text =
        Fill(Translate("button", "Computer players: %s"), StrengthLabel(v.strength));
    button_fullscreen->text =
        Fill(Translate("button", "Full screen: %s"), OnOff(sdl.IsFullscreen()));
    button_animations->text = Fill(Translate("button", "Animations: %s"), PaceLabel(v.animations));
    button_findable->text =
        Fill(Translate("button", "Hosted games found on the local network: %s"), OnOff(v.findable));
    button_suits->text = Fill(
        Translate("button", "Suit colours: %s"),
        v.high_contrast ? Translate("button", "High contrast") : Translate("button", "Classic"));
    button_sound->text = Fill(Translate("button", "Sound: %s"), OnOff(v.sound));
    button_language->text = Fill(Translate("button", "Language: %s"), LanguageLabel(v.language));
    button_back->text = Translate("button", "Back");
    for (Button* b : buttons.buttons) b->w = static_cast<int>(sdl.GetButtonWidth(b->text.c_str()));
}

void SettingsScreen::Draw() {
    // F11 changes the window without this screen: the labels follow at every picture.
    ShowValues();
    ClearToTable(sdl, sdl.screen);
    const int h = sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, 10, Translate("line", "Settings"));
    sdl.DrawString(sdl.screen, 1, 10, 10 + h,
                   Translate("line",
                             "Click a setting, or choose it with Up and Down "
                             "and press Enter, to change it"));
    buttons.Draw(sdl, sdl.screen);
    int w, wh;
    sdl.WindowedSize(w, wh);
    const std::string host = profile.settings.values.last_host;
    const std::string window =
        Fill(Translate("line", "Window: %d x %d (kept when the program ends)"), w, wh);
    sdl.DrawString(sdl.screen, 1, 10, info_y, window.c_str());
    const std::string last = host.empty() ? Translate("line", "Last host joined: none")
                                          : Fill(Translate("line", "Last host joined: %s"), host);
    sdl.DrawString(sdl.screen, 1, 10, info_y + h, last.c_str());
    sdl.Present();
}

void SettingsScreen::Pressed(const Button* b) {
    Settings& v = profile.settings.values;
    if (b == button_name) {
        PostScreen(new NameScreen(sdl, exch, profile));
        return;
    }
    if (b == button_back) {
        PostScreen(navigate::Menu(sdl, exch, profile));
        return;
    }
    if (b == button_players) v.players = NextPlayerCount(v.players);
    if (b == button_strength) v.strength = OtherStrength(v.strength);
    if (b == button_animations) v.animations = NextPace(v.animations);
    if (b == button_findable) v.findable = !v.findable;
    if (b == button_suits) UseSuitColours(!v.high_contrast);
    if (b == button_sound) ToggleSound();
    if (b == button_language) {
        v.language = NextLanguage(v.language);
        UseLanguage(v.language);
    }
    // The window's size and state are written when the program ends.
    if (b == button_fullscreen) sdl.ToggleFullscreen();
    profile.settings.Save();
    ShowValues();
    RequestRedraw();
}

// A sheet that cannot be read leaves the colours as they were.
void SettingsScreen::UseSuitColours(bool high_contrast) {
    try {
        sdl.UseSuitColours(high_contrast);
        profile.settings.values.high_contrast = high_contrast;
    } catch (const GraphicsError& e) {
        std::fprintf(stderr, "velmora: %s\n", e.what());
    }
}

bool SettingsScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
        Pressed(button_back);
        return false;
    }
    if (const Button* b = ButtonEvent(event)) Pressed(b);
    return false;
}

NameScreen::NameScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t)
    : TextEntryScreen(sdl_t, exch_t, profile_t, Translate("line", "Enter your name: "),
                      Translate("line", "Press Enter when Done or Esc to Cancel"),
                      profile_t.settings.values.name, Settings::kNameChars, Typeable::kLatin1) {}

void NameScreen::Enter() {
    const std::string name = CleanText(text, Settings::kNameChars);
    if (name.empty()) {
        problem = Translate("line", "Enter a name of letters, digits or signs");
        RequestRedraw();
        return;
    }
    profile.settings.values.name = name;
    profile.settings.Save();
    Cancel();
}

void NameScreen::Cancel() {
    PostScreen(new SettingsScreen(sdl, exch, profile));
}
