// Push buttons and the press state machine that turns pointer presses, motion and releases into
// the one button clicked. Buttons never draw themselves: a change of look asks for a redraw.
#pragma once

#include <list>
#include <string>
#include <vector>

class SDL;
struct SDL_Surface;

// True for a point on the rectangle's left or top edge or inside it, false on its right or
// bottom edge.
bool IsInsideRect(int px, int py, int x, int y, int w, int h);
// `text` in rows of font `font` no wider than `width`, broken between words; a word wider than
// a row is broken where the row ends.
std::vector<std::string> WrappedLines(SDL& sdl, unsigned font, const std::string& text, int width);

class Button {
  public:
    int x = 0;
    int y = 0;
    int w = 0;  // label width + 8
    int h = 0;  // font height + 4
    std::string text;
    bool enabled = true;
    bool out = true;  // raised; false while pressed in
};

class ButtonList {
  public:
    ButtonList() = default;
    ~ButtonList();
    ButtonList(const ButtonList&) = delete;
    ButtonList& operator=(const ButtonList&) = delete;

    // The button stays owned by the list and valid as long as it.
    Button* AddButton(SDL& sdl, int x, int y, std::string text, bool enabled);
    void Draw(SDL& sdl, SDL_Surface* surface);
    // Every button goes, and with them the press and the keyboard's choice.
    void Clear();

    // The button at (x, y), or null.
    Button* At(int x, int y) const;
    void ButtonDown(int x, int y);
    void ButtonMotion(int x, int y);
    // The button pressed and released while the pointer was on it, or null.
    Button* ButtonUp(int x, int y);
    // The keyboard's choice (Up -1, Down +1) among the enabled buttons, marked once made: the
    // button that Enter presses.
    void MoveFocus(int step);

    std::list<Button*> buttons;
    // 0 idle; 1 a button held with the pointer on it; 2 held with the pointer off it.
    int button_state = 0;
    Button* click = nullptr;
    Button* focus = nullptr;

  private:
    void Redraw();
};
