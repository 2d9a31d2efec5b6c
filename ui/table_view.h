// The table view: the drawn picture of the table that this program's client follows. The eight
// board piles lie around the window's centre, each fanned outward in its own rotation, the own
// hand in a row along the bottom; other hands and the deck show only as numbers in the text.
// The view also carries the drag and drop of hand cards and board piles, the move records of the
// turn until "Done" sends them (each move can be taken back until then), and what the other
// players did since the own turn last ended.
#pragma once

#include <SDL.h>

#include <array>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "exchange/players.h"
#include "game/moves.h"
#include "game/tracker.h"

class ButtonList;
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

// The own turn's part of the view that a saved game keeps: the marks of the others' moves as the
// turn began, what each of them did, and the moves made since, not yet sent.
struct OpenTurn {
    std::array<bool, kLastCardNumber + 1> marked{};
    std::array<std::string, kMaxPlayers> news;
    std::vector<Move> moves;
};

class GUI {
  public:
    explicit GUI(SDL* sdl_t);
    ~GUI();
    GUI(const GUI&) = delete;
    GUI& operator=(const GUI&) = delete;

    // Forgets everything of an earlier game: piles, turn, winner, moves, drag, marks, news.
    void Reset();
    // Builds every pile from the table once the own player number is known.
    void Build();

    // The frame position of the card at `sequence` (0 the bottom card) of board pile `pilenum`.
    void get_pile_home(int pilenum, int& x, int& y, int sequence);
    void DoUpdatePile(int p);
    // DoUpdatePile while there is a table and the own player number is known.
    void UpdatePile(int p);
    // Paints the table into `surface`; a skipped pile shows as empty, a skipped card not at all.
    void Redraw(SDL_Surface* surface, int pile_to_skip, int card_to_skip);
    // Composes the window from `game`, the text lines and the buttons; the caller flips.
    void DoDraw(SDL_Surface* game);
    // The pile and drawn card whose opaque pixel lies under (x, y); pilenum_out -1 for none.
    void FindCard(int x, int y, int& pilenum_out, std::list<GCard>::iterator& iter_out);
    bool IsOurTurn() const;

    void MovePile(int src_pile, int dest_pile);
    void MoveHandCard(int drag_data, int pilenum);

    // The pointer's part in a drag: a press on a card of the own turn starts one (true), a
    // motion draws the dragged cards at the pointer, a release drops them.
    bool StartDrag(int x, int y);
    void DragTo(int x, int y);
    void Drop(int x, int y);
    // A repaint asked for during a drag (the others moved, a button changed): the table anew,
    // the dragged cards where they were.
    void RepaintDrag();
    // Ends a drag without a move.
    void CancelDrag();
    // The piles a drop would go to, while something is dragged.
    const std::vector<int>& DropTargets() const { return targets; }

    // A turn begins: the own one opens "Done" and "Auto" and starts a fresh list of moves.
    void TurnBegins(int turn_t, int playernum);
    void GameOver(int winner_t);
    // "Done": the turn's line "210 ..." to send, or "" when it may not be sent now.
    std::string TakePlayLine();
    // Whether the whole turn is still open to "Auto" and the hint: the own turn, its line not
    // sent, nothing moved by hand (or every move taken back), nothing dragged.
    bool WholeTurnOpen() const;
    // "Auto": whether "220" may be sent now (WholeTurnOpen), which ends the turn's input.
    bool TakeAutoPlay();
    // Whether the own hand has been played out in this turn, its line not yet sent.
    bool HandPlayedOut();

    // The keyboard: Left and Right choose a hand card, Tab a board pile (-1 back), Space marks
    // the chosen pile as the one to move (or no longer). No mark shows before a choice is made,
    // nor after HideChoices until the next one (the pointer is in use); whether they showed.
    bool HideChoices() { return std::exchange(choices_shown, false); }
    void ChooseHandCard(int step);
    void ChoosePile(int step);
    void MarkSource();
    // Enter (or P, `pile_only`): the marked pile onto the chosen one, else the chosen hand card
    // onto it, by the rules and records of a drop.
    void PlayChosen(bool pile_only);
    // The chosen hand card's number (the nearest one left), or -1.
    int ChosenCard() const;
    int chosen_pile = -1;
    int source_pile = -1;

    // Takes back the turn's last move: the table and the records are as before it.
    bool CanUndo() const { return !steps.empty() && drag_state == 0; }
    void Undo();

    // The hint: the first move of the strong player's turn marked (its card or pile, and where
    // it goes), or, for an empty turn, a status line saying to keep the cards.
    void ShowHint(const std::vector<Move>& turn);
    bool IsHinted(int cardnum) const { return cardnum == hint_card; }

    // Another player's published play, applied to the table that was `before`: the cards that
    // moved on the board are marked and the player's line of news is written.
    // `records`: whether the line carried any (a line without is a pass; one whose records only
    // deal from the deck is no play at all).
    void NoteOthersPlay(int mover, const Tracker& before, bool records);
    bool IsMarked(int cardnum) const { return marked[cardnum]; }

    // The open own turn as it stands, and the same made again on the table as the turn began
    // (moves the rules refuse there are left out).
    OpenTurn TakeOpenTurn() const;
    void RestoreOpenTurn(const OpenTurn& open);
    // A line under the status line, for the end of a game; "" for none.
    void SetSummary(std::string text) { summary = std::move(text); }

    std::string StatusText();
    std::string InfoText();
    // What the others did since the own turn last ended, one line.
    std::string NewsText();
    // Shown instead of the status line while set (a question, a wait); "" for none.
    void SetNotice(std::string text) { notice = std::move(text); }
    void SetButtons(ButtonList* list) { buttons = list; }

    std::list<GCard> pile[kNumPiles];
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
    // The table, the records and the marks before one move of the turn.
    struct Step {
        Tracker table;
        std::size_t records;
        std::array<bool, kLastCardNumber + 1> marks;
        Move move;
    };

    void DrawCard(SDL_Surface* surface, const GCard& g, int ox, int oy);
    void ComposeBackdrop();
    void MakeDragImage(const std::list<GCard>& cards);
    // The dragged cards at the pointer over the backdrop; `whole` shows the whole window.
    void DrawDrag(int x, int y, bool whole);
    SDL_Rect DragRect(int x, int y) const;
    std::vector<int> TargetsOf(int kind, int data);
    void DropOn(int kind, int data, int p);
    void DrawChoices(SDL_Surface* surface);
    // A ring round the top card of board pile p, in the pile's rotation.
    void RingTop(SDL_Surface* surface, int kind, int p);
    void Ring(SDL_Surface* surface, int kind, int rot, int x, int y);
    int FaceOf(int cardnum);
    void Make(const Move& m);
    // Before a move by hand: remembered for Undo; the others' marks have been seen.
    void Remember(const Move& m);
    void EndOwnTurn();
    void ClearMarks();
    void ClearHint();

    // The window behind a drag (ComposeBackdrop) and the pointer's last place in it.
    SDL_Surface* backdrop;
    int drag_px = 0, drag_py = 0;
    std::vector<Step> steps;
    std::vector<int> targets;
    // The dragged cards' picture, where it lies undragged, and the press that started the drag.
    SDL_Surface* drag_image = nullptr;
    int drag_image_x = 0, drag_image_y = 0;
    int press_x = 0, press_y = 0;
    std::array<bool, kLastCardNumber + 1> marked{};
    // The hinted card (-1 none; for a pile move, the source pile's top card) and target pile.
    int hint_card = -1;
    int hint_pile = -1;
    bool hint_keep = false;
    std::string news[kMaxPlayers];
    std::string notice;
    std::string summary;
    // The chosen hand card's place in the hand; whether a choice has been made since the last
    // HideChoices.
    int chosen_index = -1;
    bool choices_shown = false;
    // Rings that mark a card, per kind (see kRingColour) and rotation.
    SDL_Surface* rings[5][8] = {};
};

// The one table view of the program.
extern GUI* gui;
