// The table view: the drawn picture of the table that this program's client follows. It knows
// no rules: it lays each pile of the client's table out as drawn cards (`GCard`), paints them
// with the marks it is given, composes the window with the text lines and the buttons, finds the
// card under the pointer, and draws a drag. The turn (table_turn.h) decides what is marked and
// what a drag may do.
#pragma once

#include <SDL.h>

#include <array>
#include <list>
#include <optional>
#include <string>
#include <vector>

#include "exchange/players.h"
#include "game/tracker.h"
#include "ui/card_motion.h"
#include "ui/drag_picture.h"

class ButtonList;
class LogPanel;
class SDL;

// A card number above this is a prepared image (an empty pile's place), drawn as it is.
constexpr int kLastCardNumber = 51;

// One drawn card: the top-left corner of its 128 x 128 frame, its rotation, the card number (a
// prepared image above kLastCardNumber) and the alpha its face is drawn with.
struct GCard {
    GCard(int x_t, int y_t, signed char rot_t, signed char cardnum_t)
        : x(x_t), y(y_t), rot(rot_t), cardnum(cardnum_t) {}
    bool is_card() const { return cardnum <= kLastCardNumber; }
    int x;
    int y;
    signed char rot;
    signed char cardnum;
    signed char alpha = -1;
};

// What the table shows marked: the cards the others moved (orange), the hint's card and pile
// (magenta), the keyboard's chosen card and pile (yellow), the pile chosen to be moved (cyan) and
// the piles the chosen card or pile may go to (blue). -1: none.
struct Highlights {
    Highlights() { mover.fill(-1); }
    std::array<bool, kLastCardNumber + 1> moved{};
    // The seat that moved each card, shown as a badge on a pile's top card; -1 for none.
    std::array<signed char, kLastCardNumber + 1> mover{};
    // What each seat's badge says: what its plate shows of it.
    std::array<std::string, kMaxPlayers> badges;
    int hint_card = -1;
    int hint_pile = -1;
    int chosen_card = -1;
    int chosen_pile = -1;
    int source_pile = -1;
    std::vector<int> targets;
};

// While cards move, the seat whose move they show and the table they lead to: the status line,
// the counts and the plates tell the moment the picture shows.
struct ShownMotion {
    bool moving = false;
    int mover = -1;
    std::optional<Tracker> table;
};

// The text lines above the table.
struct TableTexts {
    std::string status;
    std::string summary;
    std::string info;
    std::string news;
};

// A player at the table: the name (and, once a game is over, the hand's faces where they are
// known), whether it is that player's turn, and whether the computer plays the seat for a player
// who left.
struct SeatView {
    std::string name;
    bool turn = false;
    bool away = false;
    std::vector<signed char> faces;
    bool thinking = false;
};

// What a press picks up: a whole board pile or a card of the own hand.
enum class DragKind { kNone, kPile, kHandCard };

class GUI {
  public:
    explicit GUI(SDL* sdl_t);
    ~GUI();
    GUI(const GUI&) = delete;
    GUI& operator=(const GUI&) = delete;

    // Forgets every pile, mark and drag of an earlier game.
    void Reset();
    // Builds every pile from the table once the own player number is known.
    void Build();

    // The frame position of the card at `sequence` (0 the bottom card) of board pile `pilenum`.
    void get_pile_home(int pilenum, int& x, int& y, int sequence);
    void DoUpdatePile(int p);
    // DoUpdatePile while there is a table and the own player number is known; the pile shows
    // the game's table as it is now.
    void UpdatePile(int p);
    void UpdateAllPiles();

    // The referee's lines moved cards from pile `src` to pile `target` of the game's table: they
    // slide there in turn after the moves before them. A new line's first move never joins the
    // moves before it; within a line, the cards dealt from the deck leave together.
    void CardsMoved(int target, int src);
    // A line of seat `mover`'s turn begins.
    void NewLine(int mover) {
        joining = false;
        line_mover = mover;
    }
    // What the picture shows now: the texts and plates above it follow it, not the game's table.
    ShownMotion Picture() const;
    // How long one move takes on the table; 0 shows every move at once.
    void SetMoveMs(Uint32 ms) { motion.SetMoveMs(ms); }
    // Every moving card lands at once.
    void FinishMoves();
    // Sounds `sound` as the cards now moving land, or at once when none moves.
    void SoundAfterMoves(SoundName sound);
    bool Moving() const { return motion.Busy(); }
    // The moves that are over by now end, and the next begin.
    void AdvanceMoves();
    // The clock the moves follow; SDL's by default.
    void SetClock(Uint32 (*clock_t)()) { clock = clock_t; }
    // Paints the table into `surface`; a skipped pile shows as empty, a skipped card not at all.
    void Redraw(SDL_Surface* surface, int pile_to_skip, int card_to_skip);
    // Composes the window from `game`, the text lines and the buttons; the caller flips.
    void DoDraw(SDL_Surface* game);
    // The whole window anew, and shown; during a drag, behind the dragged cards.
    void Show();
    // The pile and drawn card whose opaque pixel lies under (x, y); pilenum_out -1 for none.
    void FindCard(int x, int y, int& pilenum_out, std::list<GCard>::iterator& iter_out);
    // What a press at (x, y) would pick up, and its pile or card number in `data`.
    DragKind PickedAt(int x, int y, int& data);

    // The pointer's part in a drag: `kind` and `data` as PickedAt found them; `targets` are
    // ringed in blue. A drop gives the board pile under the pointer, or -1.
    void StartDrag(DragKind kind, int data, int x, int y, std::vector<int> targets);
    void DragTo(int x, int y);
    int Drop(int x, int y);
    void CancelDrag();
    DragKind dragging() const { return drag_kind; }
    int drag_data() const { return dragged; }
    // The piles a drop would go to, while something is dragged.
    const std::vector<int>& DropTargets() const { return targets; }

    // The marks to paint; a chosen or hinted hand card is lifted out of the row.
    void SetHighlights(Highlights h);
    void SetTexts(TableTexts t) { texts = std::move(t); }
    // Spreads board pile `p` out over the table, every card upright, bottom to top; -1 folds it.
    void LookThrough(int p) { looked = p; }
    int looked_through() const { return looked; }
    // The other players, in turn order from the own seat on, and the own seat.
    void SetSeats(std::vector<SeatView> others_t, SeatView own_t);
    void SetButtons(ButtonList* list) { buttons = list; }
    // The game's log, drawn over the table while it is open; null for none.
    void SetLog(const LogPanel* panel) { log = panel; }
    // The chat lines shown at the bottom right, oldest first, and the line being typed, shown at
    // the bottom while `typing`.
    void SetChat(std::vector<std::string> lines, bool typing_t, std::string field_t);

    std::list<GCard> pile[kNumPiles];
    SDL* sdl;
    SDL_Surface* gamescreen;
    bool init = false;
    ButtonList* buttons = nullptr;
    const LogPanel* log = nullptr;

  private:
    void DrawCard(SDL_Surface* surface, const GCard& g, int ox, int oy);
    void DrawChoices(SDL_Surface* surface);
    void DrawSeats(SDL_Surface* surface);
    void DrawSeat(SDL_Surface* surface, const SeatView& seat, int k);
    void DrawOwnSeat(SDL_Surface* surface);
    // The frame of card `index` of `count` in the fan of the k-th other player's seat.
    CardSpot SeatCard(int k, int index, int count, bool faces) const;
    void DrawFlying(SDL_Surface* surface);
    void DrawChat(SDL_Surface* surface);
    void DrawDeck(SDL_Surface* surface);
    void DrawLookThrough(SDL_Surface* surface);
    void MoverBadge(SDL_Surface* surface, int p);
    // A ring round the top card of board pile p, in the pile's rotation.
    void RingTop(SDL_Surface* surface, int kind, int p);
    void Ring(SDL_Surface* surface, int kind, int rot, int x, int y);
    int FaceOf(int cardnum) const;
    // The table the picture shows: the game's, or while cards move, the one their step leads to.
    const Tracker& Shown() const;
    // Where `card` lies in the picture of table `t`.
    CardSpot SpotOf(const Tracker& t, int card) const;
    // The hand of player p as drawn now: the cards still flying towards it do not count yet.
    int DrawnCount(int p) const;
    // The table before the referee's next move: where that move's cards set off.
    void Settle();
    void play(const std::vector<SoundName>& sounds);
    // Every pile as the picture shows it now.
    void BuildShown();
    // `text`, shortened where it would run into the seat at the top right, and then ended with
    // `cut_mark`.
    std::string Fitted(const std::string& text, const std::string& cut_mark) const;
    // The window as it stays for the whole drag: the table without the dragged cards, the texts,
    // the buttons and the drop targets.
    SDL_Surface* ComposeBehindDrag();

    Highlights marks;
    TableTexts texts;
    std::vector<SeatView> others;
    SeatView own;
    int looked = -1;
    std::vector<std::string> chat;
    bool typing = false;
    std::string field;
    CardMotion motion;
    Tracker settled;
    bool joining = false;
    int line_mover = -1;
    Uint32 (*clock)() = SDL_GetTicks;
    // The moment the picture being painted shows: every part of it the same.
    Uint32 frame_ms = 0;
    DragPicture drag;
    DragKind drag_kind = DragKind::kNone;
    int dragged = 0;
    std::vector<int> targets;
    // Rings that mark a card, per kind and rotation.
    SDL_Surface* rings[5][8] = {};
};

// The one table view of the program.
extern GUI* gui;
