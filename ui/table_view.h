// The table view: the drawn picture of the table that this program's client follows. The eight
// board piles lie around the window's centre, each fanned outward in its own rotation, the own
// hand in a row along the bottom; other hands and the deck show only as numbers in the text.
// The view also carries the drag and drop of hand cards and board piles, and the move records of
// the turn until "Done" sends them.
#pragma once

#include <SDL.h>

#include <list>
#include <string>

class ButtonList;
class SDL;

// One drawn card: the top-left corner of its 128 x 128 frame, its rotation, the card number (52
// and above: a prepared image drawn as it is) and the alpha its face is drawn with.
struct GCard {
    GCard(int x_t, int y_t, signed char rot_t, signed char cardnum_t)
        : x(x_t), y(y_t), rot(rot_t), cardnum(cardnum_t) {}
    int x;
    int y;
    signed char rot;
    signed char cardnum;
    signed char alpha = -1;
};

class GUI {
  public:
    explicit GUI(SDL* sdl_t);
    ~GUI();
    GUI(const GUI&) = delete;
    GUI& operator=(const GUI&) = delete;

    // Forgets everything of an earlier game: piles, turn, winner, moves, drag, line sent.
    void Reset();

    // The frame position of the card at `sequence` (0 the bottom card) of board pile `pilenum`.
    void get_pile_home(int pilenum, int& x, int& y, int sequence);
    void DoUpdatePile(int p);
    // DoUpdatePile while there is a table and the own player number is known.
    void UpdatePile(int p);
    // Paints the table into `surface`; a skipped pile shows as empty, a skipped card not at all.
    void Redraw(SDL_Surface* surface, int pile_to_skip, int card_to_skip);
    // Composes the window from `game`, the three text lines and the buttons; the caller flips.
    void DoDraw(SDL_Surface* game);
    void RenderPile(int i, unsigned char alpha);
    void DrawSlotPile(SDL_Surface* surface, int i, int dx, int dy);
    // The pile and drawn card whose opaque pixel lies under (x, y); pilenum_out -1 for none.
    void FindCard(int x, int y, int& pilenum_out, std::list<GCard>::iterator& iter_out);
    bool IsOurTurn();

    void MovePile(int src_pile, int dest_pile);
    void MoveHandCard(int drag_data, int pilenum);

    // The pointer's part in a drag: a press on a card of the own turn starts one (true), a
    // motion draws the dragged cards at the pointer, a release drops them.
    bool StartDrag(int x, int y);
    void DragTo(int x, int y);
    void Drop(int x, int y);

    // A turn begins: the own one opens "Done" and "Auto" and starts a fresh list of moves.
    void TurnBegins(int turn_t, int playernum);
    // The turn's line went to the referee: input ends until the next own turn.
    void LineSent();

    std::string StatusText();
    std::string InfoText();

    std::list<GCard> pile[15];
    SDL* sdl;
    SDL_Surface* gamescreen;
    bool init = false;
    std::string moves;
    int turn = -1;
    int winner = -1;
    int drag_state = 0;  // 0 nothing, 1 a board pile, 2 a hand card
    int drag_data = 0;
    int drag_x = 0;
    int drag_y = 0;
    bool done_enabled = false;
    bool auto_enabled = false;
    ButtonList* buttons = nullptr;
    // The turn's line has been sent: no drag starts until the next own turn, or the local table
    // would run ahead of the referee's with moves that are never sent.
    bool line_sent = false;

  private:
    void DrawCard(SDL_Surface* surface, const GCard& g, int ox, int oy);
    void Flip();
    int FaceOf(int cardnum);
};

// The one table view of the program.
extern GUI* gui;
