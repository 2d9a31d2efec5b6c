// The game's log, opened beside the board with L or its button: every line of the game so far,
// the newest at the bottom, scrolled with the wheel, Up, Down, Page Up, Page Down, Home and End,
// and closed with L or Esc. It lies over the board's right side, below the text lines and above
// the hand's row, so that the hand stays free while the player chooses a move.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

class SDL;

class LogPanel {
  public:
    explicit LogPanel(SDL& sdl_t) : sdl(sdl_t) {}

    bool open() const { return shown; }
    void Toggle();
    void Close() { shown = false; }
    // The lines to show. A panel at the end stays at the end as lines come; one scrolled back
    // keeps its rows where they are.
    void SetLines(const std::vector<std::string>& lines_t);
    // A key while the panel is open; whether the panel took it.
    bool Key(SDLKey key);
    // The wheel turned one notch up or down.
    void Wheel(bool up) { Scroll(up ? kWheelRows : -kWheelRows); }
    // Whether (x, y) lies on the open panel.
    bool Covers(int x, int y) const;
    void Draw(SDL_Surface* surface) const;

    // The panel's place: its bottom never comes below the hand's row.
    SDL_Rect Place() const;
    // The rows the panel shows at once, and how wide a row's text may be.
    int VisibleRows() const;
    int RowWidth() const;
    // How many rows the view stands above the last one, 0 at the end.
    int back() const { return rows_back; }

  private:
    static constexpr int kWheelRows = 3;
    // Up by `rows` (down when negative), within the log.
    void Scroll(int rows);
    int MostBack() const;

    SDL& sdl;
    bool shown = false;
    std::vector<std::string> lines;
    // The lines broken to the panel's width; a line's later rows are indented.
    struct Row {
        std::string text;
        bool goes_on;
    };
    std::vector<Row> rows;
    int rows_back = 0;
};
