// A screen of one typed line: a host name, a player count, the player's name.
#pragma once

#include <string>

#include "ui/screen.h"
#include "ui/typed_text.h"

// A one-line text field with a prompt and a help line; Return acts on the text.
class TextEntryScreen : public Screen {
  public:
    // `limit`: the most characters the text may have; `typeable_t`: which.
    TextEntryScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, const char* prompt_t,
                    const char* help_t, std::string text_t, int limit_t = joinchars,
                    Typeable typeable_t = Typeable::kAscii);
    ~TextEntryScreen() override;
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;
    const std::string& typed() const { return text; }
    bool TakesText() const override { return true; }
    const std::string& refusal() const { return problem; }

  protected:
    // Return with a non-empty text.
    virtual void Enter() = 0;
    // Draws what the screen shows below the field, from BelowY() down.
    virtual void DrawBelow() {}
    int BelowY() const { return 10 + 6 * sdl.GetFontHeight(1); }
    // Escape.
    virtual void Cancel();

    static constexpr int joinchars = 32;
    std::string text;
    // Why the last Return did nothing, or "".
    std::string problem;

  private:
    // The characters the field takes: joinchars, or fewer where its prompt leaves less room.
    int FieldChars();

    const char* prompt;
    const char* help;
    Typeable typeable;
    int limit;
    int prevunicode;
};
