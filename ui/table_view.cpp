#include "ui/table_view.h"

#include <algorithm>
#include <array>

#include "exchange/tokens.h"
#include "game/protocol.h"
#include "game/tracker.h"
#include "gfx/sdl.h"
#include "gfx/widgets.h"

GUI* gui = nullptr;

namespace {

constexpr int kHandY = 120;  // the hand's row, this far above the window's bottom
constexpr int kHandX = 50;
constexpr int kHandStep = 18;
// Marks: orange for the cards the others moved, blue for the piles a drop may go to; neither
// colour is a card's, the table's or a button's.
enum RingKind { kMovedRing, kTargetRing };
constexpr Uint8 kRingColour[2][3] = {{255, 120, 0}, {20, 60, 255}};

// Each board pile's home relative to the window's centre, and the direction its cards fan out.
struct PileHome {
    int x, y, dx, dy;
};
constexpr PileHome kHomes[8] = {
    {-64, -166, 0, -1}, {38, -166, 1, -1}, {38, -64, 1, 0},    {38, 38, 1, 1},
    {-64, 38, 0, 1},    {-166, 38, -1, 1}, {-166, -64, -1, 0}, {-166, -166, -1, -1},
};

// How far the card at `sequence` lies from its pile's home: from the fifth card on they stack.
int fan(int sequence) {
    if (sequence == 0) return 0;
    if (sequence == 1) return 18;
    if (sequence <= 3) return 4 * sequence + 28;
    return 44;
}

// Whether the pixel (x, y) of a card image is not transparent.
bool IsOpaque(SDL_Surface* image, int x, int y) {
    if (SDL_LockSurface(image) != 0) return false;
    const Uint32 pixel = static_cast<const Uint32*>(image->pixels)[y * image->pitch / 4 + x];
    SDL_UnlockSurface(image);
    return pixel & image->format->Amask;
}

void append_record(std::string& moves, std::initializer_list<int> numbers) {
    for (int n : numbers) {
        moves += ' ';
        append_int(moves, n);
    }
}

std::string count_of(int n, const char* one, const char* many) {
    return int_to_string(n) + " " + (n == 1 ? one : many);
}

// Where each card lies on a table.
std::array<int, kLastCardNumber + 1> piles_of(const Tracker& t) {
    std::array<int, kLastCardNumber + 1> where{};
    where.fill(-1);
    for (int p = 0; p < kNumPiles; ++p)
        for (signed char c : t.pile[p]) where[c] = p;
    return where;
}

}  // namespace

GUI::GUI(SDL* sdl_t) : sdl(sdl_t), gamescreen(sdl_t->CreateSurface32(sdl_t->w, sdl_t->h)) {
    // The table is opaque: composing the window copies it rather than blending it.
    SDL_SetAlpha(gamescreen, 0, SDL_ALPHA_OPAQUE);
}

GUI::~GUI() {
    SDL_FreeSurface(gamescreen);
    for (auto& kind : rings)
        for (SDL_Surface* r : kind)
            if (r) SDL_FreeSurface(r);
}

void GUI::Reset() {
    CancelDrag();
    for (auto& p : pile) p.clear();
    init = false;
    moves.clear();
    turn = winner = -1;
    done_enabled = auto_enabled = false;
    line_sent = false;
    steps.clear();
    ClearMarks();
    for (auto& n : news) n.clear();
    notice.clear();
}

void GUI::Build() {
    if (init) return;
    init = true;
    for (int p = 0; p < kDeck; ++p) UpdatePile(p);
}

void GUI::get_pile_home(int pilenum, int& x, int& y, int sequence) {
    const PileHome& h = kHomes[pilenum - kFirstBoardPile];
    const int f = fan(sequence);
    x = sdl->w / 2 + h.x + f * h.dx;
    y = sdl->h / 2 + h.y + f * h.dy;
}

void GUI::DoUpdatePile(int p) {
    auto& drawn = pile[p];
    drawn.clear();
    const Tracker& t = *sdl->tracker;
    if (is_board_pile(p)) {
        const auto rot = static_cast<signed char>(p - kFirstBoardPile);
        int s = 0, x, y;
        for (signed char c : t.pile[p]) {
            get_pile_home(p, x, y, s++);
            drawn.emplace_back(x, y, rot, c);
        }
        // An empty pile shows where it is, and can be hit as a place to drop on.
        if (drawn.empty()) {
            get_pile_home(p, x, y, 0);
            drawn.emplace_back(x, y, 0, static_cast<signed char>(kEmptySlot - kFirstBoardPile + p));
        }
    } else if (p == sdl->playernum) {
        int x = kHandX;
        for (signed char c : t.pile[p]) {
            drawn.emplace_back(x, sdl->h - kHandY, 0, c);
            x += kHandStep;
        }
    }
}

void GUI::UpdatePile(int p) {
    if (sdl->tracker && sdl->sane) DoUpdatePile(p);
}

int GUI::FaceOf(int cardnum) {
    return sdl->tracker->cards[cardnum];
}

void GUI::DrawCard(SDL_Surface* surface, const GCard& g, int ox, int oy) {
    const unsigned x = g.x + ox, y = g.y + oy;
    if (!g.is_card()) {
        sdl->DrawCard(surface, x, y, g.cardnum);
        return;
    }
    const int v = FaceOf(g.cardnum);
    if (v == -1)
        sdl->DrawCard(surface, x, y, kBackSlot + g.rot);
    else
        sdl->EasyDrawCard(g.rot, g.alpha, surface, x, y, v);
}

void GUI::Ring(SDL_Surface* surface, int kind, int rot, int x, int y) {
    SDL_Surface*& ring = rings[kind][rot];
    if (!ring) {
        const Uint8* c = kRingColour[kind];
        ring = sdl->MakeCardRing(rot, c[0], c[1], c[2]);
    }
    SDL_Rect dst{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(ring, nullptr, surface, &dst);
}

void GUI::Redraw(SDL_Surface* surface, int pile_to_skip, int card_to_skip) {
    if (!sdl->sane) return;
    ClearToTable(*sdl, surface);
    for (int i = 0; i < kNumPiles; ++i) {
        if (i == pile_to_skip) {
            int x, y;
            get_pile_home(i, x, y, 0);
            sdl->DrawCard(surface, x, y, kEmptySlot - kFirstBoardPile + i);
            continue;
        }
        for (const GCard& g : pile[i])
            if (g.cardnum != card_to_skip) DrawCard(surface, g, 0, 0);
        // Over the whole pile: a card the others slid under it still shows where it lies.
        for (const GCard& g : pile[i])
            if (g.is_card() && marked[g.cardnum]) Ring(surface, kMovedRing, g.rot, g.x, g.y);
    }
}

std::string GUI::StatusText() {
    if (!notice.empty()) return notice;
    const int me = sdl->playernum;
    if (winner == me) return "Game Over! You Win!";
    if (winner != -1) return "Game Over! You Lose, Player " + int_to_string(winner) + " Won!";
    if (turn == me) return "It's your turn!";
    if (turn == -1) return "Waiting for other players to connect";
    return "Waiting for another player";
}

std::string GUI::InfoText() {
    const Tracker& t = *sdl->tracker;
    std::string info = "You are player " + int_to_string(sdl->playernum) + ". Cards:";
    for (int i = 0; i < sdl->numplayers && i < kMaxPlayers; ++i)
        info += " " + int_to_string(static_cast<int>(t.pile[i].size()));
    return info + ". Cards in deck: " + int_to_string(static_cast<int>(t.pile[kDeck].size()));
}

std::string GUI::NewsText() {
    std::string text;
    for (const std::string& n : news) {
        if (n.empty()) continue;
        if (!text.empty()) text += "; ";
        text += n;
    }
    return text;
}

void GUI::DoDraw(SDL_Surface* game) {
    SDL_Surface* screen = sdl->screen;
    // The table covers the whole window, so copying it leaves nothing of the previous picture.
    SDL_BlitSurface(game, nullptr, screen, nullptr);
    const int h = sdl->GetFontHeight(1);
    sdl->DrawString(screen, 1, 10, 10, StatusText().c_str());
    sdl->DrawString(screen, 1, 10, 2 * h + 10, InfoText().c_str());
    sdl->DrawString(screen, 1, 10, 3 * h + 10, NewsText().c_str());
    sdl->DrawString(screen, 1, 10, 4 * h + 10, "Velmora 0.10");
    if (buttons) buttons->Draw(*sdl, screen);
}

void GUI::RenderPile(int i, unsigned char alpha) {
    for (const GCard& g : pile[i])
        if (g.is_card())
            sdl->RenderCard(g.rot, static_cast<char>(alpha),
                            static_cast<unsigned>(FaceOf(g.cardnum)));
}

void GUI::DrawSlotPile(SDL_Surface* surface, int i, int dx, int dy) {
    for (const GCard& g : pile[i]) DrawCard(surface, g, dx, dy);
}

void GUI::FindCard(int x, int y, int& pilenum_out, std::list<GCard>::iterator& iter_out) {
    pilenum_out = -1;
    if (x < 0 || y < 0 || x >= sdl->w || y >= sdl->h) return;
    for (int p = 0; p < kNumPiles; ++p) {
        for (auto g = pile[p].end(); g != pile[p].begin();) {
            --g;
            if (!IsInsideRect(x, y, g->x, g->y, kCardImageSize, kCardImageSize)) continue;
            const int image = g->is_card() ? FaceOf(g->cardnum) : g->cardnum;
            // A card this client does not know ends the search.
            if (image == -1) return;
            if (IsOpaque(sdl->card_images[image], x - g->x, y - g->y)) {
                pilenum_out = p;
                iter_out = g;
                return;
            }
        }
    }
}

bool GUI::IsOurTurn() {
    return turn == sdl->playernum;
}

void GUI::MovePile(int src_pile, int dest_pile) {
    Tracker& t = *sdl->tracker;
    if (!t.is_valid_pile_move(src_pile, dest_pile)) return;
    Remember();
    t.move_pile(src_pile, dest_pile);
    UpdatePile(src_pile);
    UpdatePile(dest_pile);
    append_record(moves, {proto::kPileToPile, dest_pile, src_pile});
}

void GUI::MoveHandCard(int drag_data_t, int pilenum) {
    Tracker& t = *sdl->tracker;
    const int hand = sdl->playernum;
    const auto card = static_cast<signed char>(drag_data_t);
    const signed char v = t.cards[card];
    // Under the pile comes first: while a side pile is open, a card that fits under goes there.
    int code;
    if (t.fits_under(v, pilenum)) {
        Remember();
        t.move_hand_card_to_bottom(hand, card, pilenum, -1);
        code = proto::kHandToBottom;
    } else if (t.fits_on_top(v, pilenum)) {
        Remember();
        t.move_hand_card_to_top(hand, card, pilenum, -1);
        code = proto::kHandToTop;
    } else {
        return;
    }
    UpdatePile(pilenum);
    UpdatePile(hand);
    append_record(moves, {code, pilenum, hand, 1, card, v});
}

void GUI::Flip() {
    SDL_Flip(sdl->screen);
}

void GUI::Remember() {
    steps.push_back({*sdl->tracker, moves.size()});
    ClearMarks();
}

void GUI::Undo() {
    if (!CanUndo()) return;
    *sdl->tracker = steps.back().table;
    moves.resize(steps.back().records);
    steps.pop_back();
    for (int p = 0; p < kDeck; ++p) UpdatePile(p);
}

void GUI::ClearMarks() {
    std::fill(std::begin(marked), std::end(marked), false);
}

void GUI::NoteOthersPlay(int mover, const Tracker& before) {
    if (mover < 0 || mover >= kMaxPlayers) return;
    const auto was = piles_of(before), is = piles_of(*sdl->tracker);
    int played = 0;
    std::vector<std::pair<int, int>> pile_moves;
    for (int c = 0; c <= kLastCardNumber; ++c) {
        if (was[c] == is[c] || !is_board_pile(is[c])) continue;
        if (was[c] == mover) {
            ++played;
        } else if (is_board_pile(was[c])) {
            const std::pair<int, int> move{was[c], is[c]};
            if (std::find(pile_moves.begin(), pile_moves.end(), move) == pile_moves.end())
                pile_moves.push_back(move);
        } else {
            continue;  // dealt from the deck: the layout, not a play
        }
        marked[c] = true;
    }
    std::string& n = news[mover];
    n = "Player " + int_to_string(mover);
    if (played == 0 && pile_moves.empty()) {
        n += " passed";
        return;
    }
    if (played > 0) n += " played " + count_of(played, "card", "cards");
    if (played > 0 && !pile_moves.empty()) n += " and";
    if (!pile_moves.empty())
        n += " moved " + count_of(static_cast<int>(pile_moves.size()), "pile", "piles");
}

void GUI::FindTargets() {
    targets.clear();
    const Tracker& t = *sdl->tracker;
    for (int p = kFirstBoardPile; p <= kLastBoardPile; ++p) {
        if (drag_state == 1) {
            if (p != drag_data && t.is_valid_pile_move(drag_data, p)) targets.push_back(p);
        } else {
            const auto v = static_cast<signed char>(FaceOf(drag_data));
            if (t.fits_under(v, p) || t.fits_on_top(v, p)) targets.push_back(p);
        }
    }
}

void GUI::DrawDrag(int x, int y) {
    DoDraw(gamescreen);
    for (int p : targets) {
        const GCard& top = pile[p].back();
        Ring(sdl->screen, kTargetRing, p - kFirstBoardPile, top.x, top.y);
    }
    if (drag_state == 1)
        DrawSlotPile(sdl->screen, drag_data, x - drag_x, y - drag_y);
    else
        sdl->DrawCard(sdl->screen, x + drag_x, y + drag_y, FaceOf(drag_data));
    Flip();
}

bool GUI::StartDrag(int x, int y) {
    int p;
    std::list<GCard>::iterator g;
    FindCard(x, y, p, g);
    if (p == -1) return false;
    if (line_sent) return true;
    dragged_faces.clear();
    if (is_board_pile(p) && g->is_card()) {
        drag_data = p;
        drag_x = x;
        drag_y = y;
        drag_state = 1;
        for (const GCard& c : pile[p]) dragged_faces.emplace_back(c.rot, FaceOf(c.cardnum));
        RenderPile(drag_data, 128);
        Redraw(gamescreen, drag_data, -1);
    } else if (p == sdl->playernum) {
        drag_x = g->x - x;
        drag_y = g->y - y;
        drag_state = 2;
        drag_data = g->cardnum;
        Redraw(gamescreen, -1, drag_data);
        const int v = FaceOf(drag_data);
        dragged_faces.emplace_back(0, v);
        sdl->RenderCard(0, static_cast<char>(128), v);
    } else {
        return true;
    }
    FindTargets();
    DrawDrag(x, y);
    return true;
}

void GUI::DragTo(int x, int y) {
    DrawDrag(x, y);
}

void GUI::CancelDrag() {
    // The cache believes these faces opaque: they must be so again, or they stay translucent
    // wherever they are drawn next, in this game or the next.
    for (auto [rot, face] : dragged_faces)
        sdl->RenderCard(static_cast<char>(rot), -1, static_cast<unsigned>(face));
    dragged_faces.clear();
    targets.clear();
    drag_state = 0;
}

void GUI::Drop(int x, int y) {
    int p;
    std::list<GCard>::iterator g;
    FindCard(x, y, p, g);
    const bool on_board = is_board_pile(p);
    const int state = drag_state;
    CancelDrag();
    if (state == 1) {
        if (p != drag_data && on_board) MovePile(drag_data, p);
    } else if (on_board) {
        MoveHandCard(drag_data, p);
    }
    Redraw(gamescreen, -1, -1);
    DoDraw(gamescreen);
    Flip();
}

void GUI::TurnBegins(int turn_t, int playernum) {
    turn = turn_t;
    const bool own = turn_t == playernum;
    if (own) {
        moves.clear();
        steps.clear();
        line_sent = false;
    }
    done_enabled = auto_enabled = own;
}

void GUI::GameOver(int winner_t) {
    turn = -1;
    winner = winner_t;
    // The last moves stay marked and told: they are how the game was won.
    line_sent = true;
    done_enabled = auto_enabled = false;
    steps.clear();
}

void GUI::EndOwnTurn() {
    line_sent = true;
    done_enabled = auto_enabled = false;
    steps.clear();
    ClearMarks();
    for (auto& n : news) n.clear();
}

std::string GUI::TakePlayLine() {
    if (!done_enabled || !IsOurTurn() || drag_state != 0) return "";
    const std::string line = int_to_string(proto::kPlay) + " " + moves;
    moves.clear();
    EndOwnTurn();
    return line;
}

bool GUI::TakeAutoPlay() {
    // After moves by hand "Auto" waits until every one has been taken back.
    if (!auto_enabled || !IsOurTurn() || !moves.empty() || drag_state != 0) return false;
    EndOwnTurn();
    return true;
}

bool GUI::HandPlayedOut() {
    return IsOurTurn() && !line_sent && sdl->tracker->pile[sdl->playernum].empty();
}
