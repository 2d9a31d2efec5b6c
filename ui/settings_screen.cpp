#include "ui/settings_screen.h"

#include <cstdio>

namespace {

std::string on_off(bool on) {
    return on ? "On" : "Off";
}

}  // namespace

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
    info_y = y + step / 2;
    button_back = next(step / 2 + 3 * sdl.GetFontHeight(1));
    ShowValues();
}

void SettingsScreen::ShowValues() {
    const Settings& v = profile.settings.values;
    button_name->text = "Name: " + v.name;
    button_players->text = "Players: " + std::to_string(v.players);
    button_strength->text = std::string("Computer players: ") + StrengthName(v.strength);
    button_fullscreen->text = "Full screen: " + on_off(sdl.IsFullscreen());
    button_animations->text = std::string("Animations: ") + PaceName(v.animations);
    button_findable->text = "Hosted games found on the local network: " + on_off(v.findable);
    button_suits->text =
        std::string("Suit colours: ") + (v.high_contrast ? "High contrast" : "Classic");
    button_sound->text = "Sound: " + on_off(v.sound);
    button_back->text = "Back";
    for (Button* b : buttons.buttons) b->w = static_cast<int>(sdl.GetButtonWidth(b->text.c_str()));
}

void SettingsScreen::Draw() {
    // F11 changes the window without this screen: the labels follow at every picture.
    ShowValues();
    ClearToTable(sdl, sdl.screen);
    const int h = sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, 10, "Settings");
    sdl.DrawString(sdl.screen, 1, 10, 10 + h,
                   "Click a setting, or choose it with Up and Down "
                   "and press Enter, to change it");
    buttons.Draw(sdl, sdl.screen);
    int w, wh;
    sdl.WindowedSize(w, wh);
    const std::string host = profile.settings.values.last_host;
    const std::string window = "Window: " + std::to_string(w) + " x " + std::to_string(wh) +
                               " (kept when the program ends)";
    sdl.DrawString(sdl.screen, 1, 10, info_y, window.c_str());
    sdl.DrawString(sdl.screen, 1, 10, info_y + h,
                   ("Last host joined: " + (host.empty() ? "none" : host)).c_str());
    sdl.Present();
}

void SettingsScreen::Pressed(const Button* b) {
    Settings& v = profile.settings.values;
    if (b == button_name) {
        PostScreen(new NameScreen(sdl, exch, profile));
        return;
    }
    if (b == button_back) {
        PostScreen(new MainMenu(sdl, exch, profile));
        return;
    }
    if (b == button_players) v.players = NextPlayerCount(v.players);
    if (b == button_strength) v.strength = OtherStrength(v.strength);
    if (b == button_animations) v.animations = NextPace(v.animations);
    if (b == button_findable) v.findable = !v.findable;
    if (b == button_suits) UseSuitColours(!v.high_contrast);
    if (b == button_sound) ToggleSound();
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
    : TextEntryScreen(sdl_t, exch_t, profile_t,
                      "Enter your name: ", "Press Enter when Done or Esc to Cancel",
                      profile_t.settings.values.name, Settings::kNameChars, Typeable::kLatin1) {}

void NameScreen::Enter() {
    const std::string name = CleanText(text, Settings::kNameChars);
    if (name.empty()) {
        problem = "Enter a name of letters, digits or signs";
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
