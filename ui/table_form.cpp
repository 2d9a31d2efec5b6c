#include "ui/table_form.h"

#include "store/settings.h"
#include "ui/texts.h"
#include "ui/typed_text.h"

TableForm::TableForm(SDL& sdl_t, TableRequest first_t, int top_t)
    : sdl(sdl_t), asked(std::move(first_t)), top(top_t) {
    const int fh = sdl.GetFontHeight(1), bh = static_cast<int>(sdl.GetButtonHeight());
    int y = top + 2 * fh;
    for (Button** b : {&button_seats, &button_strength, &button_chat}) {
        *b = list.AddButton(sdl, 10, y, "", true);
        y += bh;
    }
    button_create = list.AddButton(sdl, 10, y + bh / 2, Translate("button", "Create"), true);
    button_cancel =
        list.AddButton(sdl, 20 + button_create->w, y + bh / 2, Translate("button", "Cancel"), true);
    Label();
}

void TableForm::Label() {
    button_seats->text = Fill(Translate("button", "Players: %d"), asked.seats);
    button_strength->text =
        Fill(Translate("button", "Computer players: %s"), StrengthLabel(asked.strength));
    button_chat->text =
        Fill(Translate("button", "Watchers may chat: %s"), OnOff(asked.watchers_chat));
    for (Button* b : {button_seats, button_strength, button_chat})
        b->w = static_cast<int>(sdl.GetButtonWidth(b->text.c_str()));
}

std::optional<TableRequest> TableForm::Confirm() {
    if (asked.name.empty()) return std::nullopt;
    return asked;
}

std::optional<TableRequest> TableForm::Take(const SDL_Event& event, const SDL_keysym* key,
                                            const Button* pressed) {
    if (pressed == button_create) return Confirm();
    if (pressed == button_cancel) cancel = true;
    if (pressed == button_seats) asked.seats = NextPlayerCount(asked.seats);
    // A server serves no expert.
    if (pressed == button_strength) asked.strength = OtherStrength(asked.strength);
    if (asked.strength == Strategy::kExpert) asked.strength = OtherStrength(asked.strength);
    if (pressed == button_chat) asked.watchers_chat = !asked.watchers_chat;
    if (pressed) {
        Label();
        return std::nullopt;
    }
    if (event.type != SDL_KEYDOWN || !key) return std::nullopt;
    if (key->sym == SDLK_ESCAPE) cancel = true;
    // Enter with a button chosen presses it (the caller's); without one it creates the table.
    if ((key->sym == SDLK_RETURN || key->sym == SDLK_KP_ENTER) && !list.focus) return Confirm();
    if (key->sym == SDLK_BACKSPACE) EraseChar(asked.name);
    if (key->sym != SDLK_RETURN && key->sym != SDLK_KP_ENTER)
        TypeChar(asked.name, key->unicode, Typeable::kLatin1, kTableNameChars);
    return std::nullopt;
}

void TableForm::Draw() {
    const char* prompt = Translate("line", "Name of the new table: ");
    const int x = 10 + sdl.DrawString(sdl.screen, 1, 10, top, prompt);
    sdl.DrawTextInput(sdl.screen, x, top, static_cast<int>(kTableNameChars),
                      (asked.name + "_").c_str());
    list.Draw(sdl, sdl.screen);
}
