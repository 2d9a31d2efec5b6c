#include "ui/text_entry_screen.h"

#include "ui/navigation.h"
#include "ui/table_view.h"
#include "ui/texts.h"

TextEntryScreen::TextEntryScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t,
                                 const char* prompt_t, const char* help_t, std::string text_t,
                                 int limit_t, Typeable typeable_t)
    : Screen(sdl_t, exch_t, profile_t),
      text(std::move(text_t)),
      prompt(prompt_t),
      help(help_t),
      typeable(typeable_t),
      limit(limit_t),
      prevunicode(SDL_EnableUNICODE(1)) {
    SDL_EnableKeyRepeat(500, 30);
}

TextEntryScreen::~TextEntryScreen() {
    SDL_EnableUNICODE(prevunicode);
    SDL_EnableKeyRepeat(0, 0);
}

int TextEntryScreen::FieldChars() {
    const int x = 10 + sdl.GetStringWidth(1, prompt);
    int chars = limit;
    while (chars > 1 && x + static_cast<int>(sdl.GetTextInputWidth(chars)) > sdl.w - 10) --chars;
    return chars;
}

void TextEntryScreen::Draw() {
    ClearToTable(sdl, sdl.screen);
    const int x = 10 + sdl.DrawString(sdl.screen, 1, 10, 10, prompt);
    sdl.DrawTextInput(sdl.screen, x, 10, FieldChars(), (text + "_").c_str());
    const int h = sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, 10 + 2 * h, help);
    sdl.DrawString(sdl.screen, 1, 10, 10 + 4 * h, problem.c_str());
    DrawBelow();
    sdl.Present();
}

void TextEntryScreen::Cancel() {
    PostScreen(navigate::Menu(sdl, exch, profile));
}

bool TextEntryScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (event.type != SDL_KEYDOWN) return false;
    const SDL_keysym& key = event.key.keysym;
    if (key.sym == SDLK_RETURN) {
        if (!text.empty()) Enter();
    } else if (key.sym == SDLK_ESCAPE) {
        Cancel();
    } else if (key.sym == SDLK_BACKSPACE) {
        if (EraseChar(text)) RequestRedraw();
    } else if (TypeChar(text, key.unicode, typeable, FieldChars())) {
        RequestRedraw();
    }
    return false;
}
