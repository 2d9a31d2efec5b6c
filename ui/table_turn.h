// The turn above the table view: whose turn it is and who won, the own turn's moves (each asked
// of the tracker's rules, recorded for the "210" line, and each taken back by Undo), the
// keyboard's choice, the hint and the news of the others' moves. It knows no pixels: it tells the
// view what to mark and what to write, and which piles changed.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "game/moves.h"
#include "game/seat_list.h"
#include "store/saved_game.h"
#include "ui/keyboard_choice.h"
#include "ui/others_news.h"
#include "ui/table_view.h"

class SDL;

// The own turn's part that a saved game keeps: the marks of the others' moves as the turn
// began, what each of them did, and the moves made since, not yet sent.
struct OpenTurn {
    OthersNews::Marks marked{};
    OthersNews::Lines news;
    std::vector<Move> moves;
    OthersNews::Movers movers = NoMovers();
};

class TableTurn {
  public:
    // Reads the table, the own player number and the player count from the graphics context.
    // `pile_changed` is told of every pile a move of the own turn changes.
    TableTurn(SDL& sdl_t, std::function<void(int)> pile_changed_t);

    // Forgets everything of an earlier game.
    void Reset();
    // A play turn begins: the own one opens "Done" and "Auto" and starts a fresh list of moves.
    void TurnBegins(int turn_t);
    void GameOver(int winner_t);
    int turn() const { return turn_player; }
    int winner() const { return winning_player; }
    bool IsOurTurn() const;

    // Whether the own moves may be made now: the own turn, its line not sent.
    bool Moving() const;
    // The piles a pile or hand card may go to by the rules.
    std::vector<int> TargetsOf(DragKind kind, int data) const;
    // A pile or hand card dropped on board pile p: the one way the mouse and the keyboard make
    // a move. A hand card goes under the pile where it fits there (while a side pile is open),
    // else on top; a move the rules refuse does nothing but sound so. Whether a move was made.
    bool DropOn(DragKind kind, int data, int p);
    // Why the rules refuse that drop, in the player's words; "" where it is no refused move.
    std::string RefusalOf(DragKind kind, int data, int p) const;
    // Takes back the turn's last move: the table, the records and the marks are as before it.
    bool CanUndo() const { return !steps.empty(); }
    void Undo();
    // "Done": the turn's line "210 ..." to send, or "" when it may not be sent now.
    std::string TakePlayLine();
    // Whether the whole turn is still open to "Auto" and the hint: the own turn, its line not
    // sent, nothing moved (or every move taken back).
    bool WholeTurnOpen() const;
    // "Auto": whether "220" may be sent now (WholeTurnOpen), which ends the turn's input.
    bool TakeAutoPlay();
    // Whether the own hand has been played out in this turn, its line not yet sent.
    bool HandPlayedOut() const;
    // Whether the own turn is open, nothing moved, though some move was possible.
    bool CouldMoveButDidNot() const;
    bool line_sent() const { return sent; }
    bool done_enabled() const { return done_open && IsOurTurn(); }
    // The records of the turn's moves so far.
    const std::string& records() const { return moves; }

    // The keyboard: Left and Right choose a hand card, Tab a board pile (-1 back), Space marks
    // the chosen pile as the one to move (or no longer); Enter (or P, `pile_only`) plays the
    // marked pile onto the chosen one, else the chosen card onto it. Whether a move was made;
    // `refusal` says why not, for a key the rules refuse.
    void ChooseHandCard(int step);
    void ChoosePile(int step);
    void MarkSource();
    bool PlayChosen(bool pile_only, std::string& refusal);
    // Hides the choices (the pointer is in use); whether they showed.
    bool HideChoices() { return choice.Hide(); }
    int ChosenCard() const;
    int chosen_pile() const { return choice.chosen_pile(); }
    int source_pile() const { return choice.source_pile(); }

    // The hint: the first move of the strong player's turn marked (its card or pile, and where
    // it goes) and told in the status line, or, for an empty turn, a line saying to keep the
    // cards.
    void ShowHint(const std::vector<Move>& turn);
    bool IsHinted(int cardnum) const { return cardnum == hint_card; }

    // The game's story went on: the others' lines follow it, and with `marks` (another player's
    // play) the marks of the cards they moved.
    void FollowStory(const GameStory& story, bool marks);
    bool IsMarked(int cardnum) const { return news.marks()[cardnum]; }
    std::string NewsText() const { return news.Text(); }

    OpenTurn TakeOpenTurn() const;
    // The open turn made again on the table as the turn began (moves the rules refuse there are
    // left out).
    void RestoreOpenTurn(const OpenTurn& open);

    // The seats: the others are named "Computer N" in a local game, and in a network game by the
    // names the referee gives (`SetSeats`), "Player N" until it does; a seat whose player left is
    // marked; once the game is over every hand shows its faces where `full` (the referee's table,
    // when this program is the referee) knows them.
    void SetLocal(bool local_t) { local = local_t; }
    // A server's table: its name leads the status line, which a watcher's tells whose turn it is.
    void SetTable(std::string name, bool watching_t) {
        table_name = std::move(name);
        watching = watching_t;
    }
    // How many watch the table, as its server last said.
    void SetWatchers(int count) { watchers = count; }
    // A server's ratings of the seats' people, shown on their plates; -1 for none.
    void SetRatings(std::vector<int> ratings_t) { ratings = std::move(ratings_t); }
    void SeatLeft(int p);
    void SetSeats(const std::vector<SeatInfo>& seats);
    // The name of seat p as the table shows it.
    std::string SeatName(int p) const;
    // The name on seat p's plate: "You" for the own seat.
    std::string PlateName(int p) const;
    void Reveal(const Tracker& full);
    std::vector<SeatView> OtherSeats() const;
    SeatView OwnSeat() const;

    // Shown instead of the status line while set (a question, a wait); "" for none.
    void SetNotice(std::string text) { notice = std::move(text); }
    // A line under the status line, for the end of a game; "" for none.
    void SetSummary(std::string text) { summary = std::move(text); }
    // The texts and plates tell the moment the picture shows: whose move flies, the table it
    // leads to, and the end only once every card has landed. The game's table moves on at once.
    void FollowPicture(const ShownMotion& shown) { picture = shown; }
    std::string StatusText() const;
    std::string InfoText() const;
    std::string PlayerStatus() const;
    std::string WatcherStatus() const;
    // What the view marks and writes.
    Highlights Marks() const;
    TableTexts Texts() const;

  private:
    // The table, the records and the marks before one move of the turn, and the move.
    struct Step {
        Tracker table;
        std::size_t records;
        OthersNews::Marks marks;
        Move move;
    };

    Tracker& table() const;
    std::string BadgeText(int p) const;
    // The turn and the winner as the picture shows them.
    int ShownTurn() const { return picture.moving ? picture.mover : turn_player; }
    int ShownWinner() const { return picture.moving ? -1 : winning_player; }
    bool TriesAMove(DragKind kind, int data, int p) const;
    // A legal move by hand: remembered for Undo, recorded, made on the table.
    void Make(const Move& m);
    // The move that puts the dragged card or pile on board pile `p`, if the rules allow one.
    std::optional<Move> MoveOnto(DragKind kind, int data, int p) const;
    void EndOwnTurn();
    void ClearHint();

    SDL& sdl;
    std::function<void(int)> pile_changed;
    int turn_player = -1;
    int winning_player = -1;
    std::string moves;
    std::vector<Step> steps;
    bool done_open = false;
    // The turn's line has been sent: no move is made until the next own turn, or the local
    // table would run ahead of the referee's with moves that are never sent.
    bool sent = false;
    KeyboardChoice choice;
    OthersNews news;
    // The hinted card (-1 none; for a pile move, the source pile's top card) and target pile.
    int hint_card = -1;
    int hint_pile = -1;
    std::string hint_text;
    std::string notice;
    std::string summary;
    bool local = false;
    std::string table_name;
    bool watching = false;
    int watchers = 0;
    std::vector<int> ratings;
    // What a plate says: the name, and the rating where the server gave one.
    std::string PlateText(int p) const;
    std::array<bool, kMaxPlayers> away{};
    std::array<std::string, kMaxPlayers> names;
    ShownMotion picture;
    // The hands' faces once the game is over, where known.
    std::array<std::vector<signed char>, kMaxPlayers> revealed;
};
