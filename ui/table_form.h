// The form that asks what a new table of a server is to be: its name, typed, and its seats, the
// computer players' strength and whether watchers may chat, each a button that a click or Enter
// turns to the next choice. It knows nothing of the connection.
#pragma once

#include <SDL.h>

#include <optional>
#include <string>

#include "game/lobby_lines.h"
#include "gfx/sdl.h"
#include "gfx/widgets.h"

class TableForm {
  public:
    TableForm(SDL& sdl_t, TableRequest first_t, int top_t);
    // A key or a press; the request once "Create" or Enter confirmed it, with a name.
    std::optional<TableRequest> Take(const SDL_Event& event, const SDL_keysym* key,
                                     const Button* pressed);
    // Whether the player asked to go back (Esc or "Cancel").
    bool cancelled() const { return cancel; }
    void Draw();
    ButtonList& buttons() { return list; }
    const TableRequest& request() const { return asked; }

  private:
    void Label();
    std::optional<TableRequest> Confirm();

    SDL& sdl;
    TableRequest asked;
    int top;
    ButtonList list;
    Button* button_seats;
    Button* button_strength;
    Button* button_chat;
    Button* button_create;
    Button* button_cancel;
    bool cancel = false;
};
