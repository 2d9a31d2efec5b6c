// The rules of the game, drawn over whatever screen is showing: the rules in words, each placement
// rule pictured with the game's own card images, and the keys. The screen below goes on meanwhile.
#pragma once

class SDL;

class RulesPage {
  public:
    explicit RulesPage(SDL& sdl_t) : sdl(sdl_t) {}
    // Paints the whole window and shows it.
    void Draw();

    // A rule's caption is wrapped to this width beside its picture, where this many rows fit.
    static constexpr int kCaptionWidth = 170;
    static constexpr int kCaptionRows = 5;
    // The rules in words and the keys, above and below the pictures, fit this many rows each in
    // the smallest picture (800 x 600).
    static constexpr int kTextRows = 5;

  private:
    // `text` broken into lines that fit `width` pixels, from (x, y) down; the y below them.
    int Wrapped(int x, int y, int width, const char* text);
    // One rule's picture with its caption, in a box at (x, y).
    void RulePicture(int rule, int x, int y);

    SDL& sdl;
};
