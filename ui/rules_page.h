// The rules of the game, drawn over whatever screen is showing: the rules in words, each placement
// rule pictured with the game's own card images, and the keys. The screen below goes on meanwhile.
#pragma once

class SDL;

class RulesPage {
  public:
    explicit RulesPage(SDL& sdl_t) : sdl(sdl_t) {}
    // Paints the whole window and shows it.
    void Draw();

  private:
    // `text` broken into lines that fit `width` pixels, from (x, y) down; the y below them.
    int Wrapped(int x, int y, int width, const char* text);
    // One rule's picture with its caption, in a box at (x, y).
    void RulePicture(int rule, int x, int y);

    SDL& sdl;
};
