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
// Marks: orange for the cards the others moved, blue for the piles a drop may go to, magenta for
// the hint, yellow for the keyboard's chosen card and pile, cyan for the pile chosen to be moved;
// none of them a card's, the table's or a button's colour.
enum RingKind { kMovedRing, kTargetRing, kHintRing, kChosenRing, kSourceRing, kRingKinds };
constexpr Uint8 kRingColour[kRingKinds][3] = {
    {255, 120, 0}, {20, 60, 255}, {225, 0, 225}, {255, 230, 0}, {0, 230, 255}};

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

GUI::GUI(SDL* sdl_t)
    : sdl(sdl_t),
      gamescreen(sdl_t->CreateSurface32(sdl_t->w, sdl_t->h)),
      backdrop(sdl_t->CreateSurface32(sdl_t->w, sdl_t->h)) {
    // Both are opaque: composing the window copies them rather than blending them.
    SDL_SetAlpha(gamescreen, 0, SDL_ALPHA_OPAQUE);
    SDL_SetAlpha(backdrop, 0, SDL_ALPHA_OPAQUE);
}

GUI::~GUI() {
    SDL_FreeSurface(gamescreen);
    SDL_FreeSurface(backdrop);
    if (drag_image) SDL_FreeSurface(drag_image);
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
    ClearHint();
    for (auto& n : news) n.clear();
    notice.clear();
    summary.clear();
    chosen_index = chosen_pile = source_pile = -1;
    choices_shown = false;
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
        for (const GCard& g : pile[i]) {
            if (g.is_card() && marked[g.cardnum]) Ring(surface, kMovedRing, g.rot, g.x, g.y);
            if (g.is_card() && g.cardnum == hint_card) Ring(surface, kHintRing, g.rot, g.x, g.y);
        }
        if (i == hint_pile) RingTop(surface, kHintRing, i);
    }
    if (choices_shown) DrawChoices(surface);
}

void GUI::RingTop(SDL_Surface* surface, int kind, int p) {
    if (pile[p].empty()) return;
    const GCard& top = pile[p].back();
    Ring(surface, kind, p - kFirstBoardPile, top.x, top.y);
}

// The keyboard's choices, with the piles the chosen pile or card may go to, as a drag shows them.
void GUI::DrawChoices(SDL_Surface* surface) {
    const int card = ChosenCard();
    for (const GCard& g : pile[sdl->playernum])
        if (g.cardnum == card) Ring(surface, kChosenRing, 0, g.x, g.y);
    const bool moving = IsOurTurn() && !line_sent;
    if (moving && (source_pile != -1 || card != -1))
        for (int p : TargetsOf(source_pile != -1 ? 1 : 2, source_pile != -1 ? source_pile : card))
            RingTop(surface, kTargetRing, p);
    if (source_pile != -1) RingTop(surface, kSourceRing, source_pile);
    if (chosen_pile != -1) RingTop(surface, kChosenRing, chosen_pile);
}

int GUI::ChosenCard() const {
    const auto& hand = pile[sdl->playernum];
    if (chosen_index < 0 || hand.empty()) return -1;
    auto g = hand.begin();
    std::advance(g, std::min(chosen_index, static_cast<int>(hand.size()) - 1));
    return g->cardnum;
}

void GUI::ChooseHandCard(int step) {
    const int n = static_cast<int>(pile[sdl->playernum].size());
    choices_shown = true;
    if (n == 0) return;
    const int at = chosen_index < 0 ? (step > 0 ? -1 : n) : std::min(chosen_index, n - 1);
    chosen_index = (at + step + n) % n;
}

void GUI::ChoosePile(int step) {
    constexpr int n = kLastBoardPile - kFirstBoardPile + 1;
    choices_shown = true;
    const int at = chosen_pile < 0 ? (step > 0 ? -1 : n) : chosen_pile - kFirstBoardPile;
    chosen_pile = kFirstBoardPile + (at + step + n) % n;
}

void GUI::MarkSource() {
    choices_shown = true;
    if (source_pile != -1 && source_pile == chosen_pile)
        source_pile = -1;
    else if (chosen_pile != -1 && !sdl->tracker->pile[chosen_pile].empty())
        source_pile = chosen_pile;
}

void GUI::PlayChosen(bool pile_only) {
    choices_shown = true;
    if (!IsOurTurn() || line_sent || drag_state != 0 || chosen_pile == -1) return;
    const int card = ChosenCard();
    if (source_pile != -1) {
        DropOn(1, source_pile, chosen_pile);
        source_pile = -1;
    } else if (!pile_only && card != -1) {
        DropOn(2, card, chosen_pile);
    }
}

// A board pile (kind 1) or a hand card (kind 2) dropped on pile p: the one way the mouse and the
// keyboard make a move.
void GUI::DropOn(int kind, int data, int p) {
    if (!is_board_pile(p)) return;
    if (kind == 1) {
        if (p != data) MovePile(data, p);
    } else {
        MoveHandCard(data, p);
    }
}

std::string GUI::StatusText() {
    if (!notice.empty()) return notice;
    if (hint_keep && IsOurTurn()) return "Hint: keep your cards this turn";
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
    sdl->DrawString(screen, 1, 10, h + 10, summary.c_str());
    sdl->DrawString(screen, 1, 10, 2 * h + 10, InfoText().c_str());
    sdl->DrawString(screen, 1, 10, 3 * h + 10, NewsText().c_str());
    sdl->DrawString(screen, 1, 10, 4 * h + 10, "Velmora 0.10");
    if (buttons) buttons->Draw(*sdl, screen);
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

bool GUI::IsOurTurn() const {
    return turn == sdl->playernum;
}

void GUI::MovePile(int src_pile, int dest_pile) {
    if (!sdl->tracker->is_valid_pile_move(src_pile, dest_pile)) return;
    Make({Move::kPile, src_pile, dest_pile, -1});
}

void GUI::MoveHandCard(int drag_data_t, int pilenum) {
    const Tracker& t = *sdl->tracker;
    const auto card = static_cast<signed char>(drag_data_t);
    const signed char v = t.cards[card];
    // Under the pile comes first: while a side pile is open, a card that fits under goes there.
    if (t.fits_under(v, pilenum))
        Make({Move::kUnder, sdl->playernum, pilenum, card});
    else if (t.fits_on_top(v, pilenum))
        Make({Move::kOnTop, sdl->playernum, pilenum, card});
}

// A legal move by hand: remembered for Undo, recorded, made on the table and shown.
void GUI::Make(const Move& m) {
    Remember(m);
    AppendRecord(moves, *sdl->tracker, m);
    Apply(*sdl->tracker, m);
    UpdatePile(m.from);
    UpdatePile(m.to);
}

void GUI::Remember(const Move& m) {
    steps.push_back({*sdl->tracker, moves.size(), marked, m});
    ClearMarks();
    ClearHint();
}

void GUI::ShowHint(const std::vector<Move>& turn) {
    ClearHint();
    if (turn.empty()) {
        hint_keep = true;
        return;
    }
    const Move& first = turn.front();
    hint_card = first.kind == Move::kPile ? sdl->tracker->pile[first.from].back() : first.card;
    hint_pile = first.to;
}

void GUI::ClearHint() {
    hint_card = hint_pile = -1;
    hint_keep = false;
}

void GUI::Undo() {
    if (!CanUndo()) return;
    *sdl->tracker = steps.back().table;
    moves.resize(steps.back().records);
    marked = steps.back().marks;
    steps.pop_back();
    for (int p = 0; p < kDeck; ++p) UpdatePile(p);
}

OpenTurn GUI::TakeOpenTurn() const {
    OpenTurn open{steps.empty() ? marked : steps.front().marks, {}, {}};
    std::copy(std::begin(news), std::end(news), open.news.begin());
    for (const Step& s : steps) open.moves.push_back(s.move);
    return open;
}

void GUI::RestoreOpenTurn(const OpenTurn& open) {
    marked = open.marked;
    std::copy(open.news.begin(), open.news.end(), std::begin(news));
    for (const Move& m : open.moves)
        if (IsLegal(*sdl->tracker, sdl->playernum, m)) Make(m);
}

void GUI::ClearMarks() {
    marked.fill(false);
}

void GUI::NoteOthersPlay(int mover, const Tracker& before, bool records) {
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
    if (records && played == 0 && pile_moves.empty()) return;  // a deal
    std::string& n = news[mover];
    n = "Player " + int_to_string(mover);
    if (!records) {
        n += " passed";
        return;
    }
    if (played > 0) n += " played " + count_of(played, "card", "cards");
    if (played > 0 && !pile_moves.empty()) n += " and";
    if (!pile_moves.empty())
        n += " moved " + count_of(static_cast<int>(pile_moves.size()), "pile", "piles");
}

std::vector<int> GUI::TargetsOf(int kind, int data) {
    std::vector<int> out;
    for (const Move& m : LegalMoves(*sdl->tracker, sdl->playernum)) {
        const bool dragged = kind == 1 ? m.kind == Move::kPile && m.from == data : m.card == data;
        if (dragged && std::find(out.begin(), out.end(), m.to) == out.end()) out.push_back(m.to);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The window as it stays for the whole drag, but for the dragged cards: the table without them,
// the texts, the buttons and the marked drop targets, composed once.
void GUI::ComposeBackdrop() {
    Redraw(gamescreen, drag_state == 1 ? drag_data : -1, drag_state == 2 ? drag_data : -1);
    DoDraw(gamescreen);
    for (int p : targets) RingTop(sdl->screen, kTargetRing, p);
    SDL_BlitSurface(sdl->screen, nullptr, backdrop, nullptr);
}

SDL_Rect GUI::DragRect(int x, int y) const {
    return {static_cast<Sint16>(drag_image_x + x - press_x),
            static_cast<Sint16>(drag_image_y + y - press_y), static_cast<Uint16>(drag_image->w),
            static_cast<Uint16>(drag_image->h)};
}

// A motion repaints and shows only where the dragged cards were and are: at a scaled window
// size most of the cost is in showing.
void GUI::DrawDrag(int x, int y, bool whole) {
    const SDL_Rect was = DragRect(drag_px, drag_py), now = DragRect(x, y);
    drag_px = x;
    drag_py = y;
    SDL_Rect from = was, at = was;
    SDL_BlitSurface(backdrop, whole ? nullptr : &from, sdl->screen, whole ? nullptr : &at);
    at = now;
    SDL_BlitSurface(drag_image, nullptr, sdl->screen, &at);
    if (whole) {
        sdl->Present();
        return;
    }
    const int left = std::min(was.x, now.x), top = std::min(was.y, now.y);
    sdl->Present(left, top, std::max(was.x + was.w, now.x + now.w) - left,
                 std::max(was.y + was.h, now.y + now.h) - top);
}

bool GUI::StartDrag(int x, int y) {
    int p;
    std::list<GCard>::iterator g;
    FindCard(x, y, p, g);
    if (p == -1) return false;
    if (line_sent) return true;
    if (is_board_pile(p) && g->is_card()) {
        drag_data = p;
        drag_x = x;
        drag_y = y;
        drag_state = 1;
        MakeDragImage(pile[p]);
    } else if (p == sdl->playernum) {
        drag_x = g->x - x;
        drag_y = g->y - y;
        drag_state = 2;
        drag_data = g->cardnum;
        MakeDragImage({*g});
    } else {
        return true;
    }
    press_x = x;
    press_y = y;
    targets = TargetsOf(drag_state, drag_data);
    ComposeBackdrop();
    drag_px = x;
    drag_py = y;
    DrawDrag(x, y, true);
    return true;
}

// The dragged cards as one picture, drawn at half opacity: one blend a motion (SDL has a fast
// path for exactly half), and no translucent renders that the card images' cache would have to
// forget. Pure green, which no card shows, keys out the rest. The cards' pixels are copied, not
// blitted: a card image blitted onto a surface that is freed keeps a dangling pointer to it.
void GUI::MakeDragImage(const std::list<GCard>& cards) {
    int left = sdl->w, top = sdl->h, right = 0, bottom = 0;
    for (const GCard& g : cards) {
        left = std::min(left, g.x), top = std::min(top, g.y);
        right = std::max(right, g.x + kCardImageSize);
        bottom = std::max(bottom, g.y + kCardImageSize);
    }
    const SDL_PixelFormat* f = sdl->card_images[0]->format;
    drag_image = SDL_CreateRGBSurface(SDL_SWSURFACE, right - left, bottom - top, 32, f->Rmask,
                                      f->Gmask, f->Bmask, 0);
    if (!drag_image) throw GraphicsError(std::string("can't create a surface: ") + SDL_GetError());
    drag_image_x = left;
    drag_image_y = top;
    const Uint32 key = SDL_MapRGB(drag_image->format, 0, 255, 0);
    SDL_FillRect(drag_image, nullptr, key);
    for (const GCard& g : cards) {
        SDL_Surface* image = sdl->EasyCardImage(g.rot, g.alpha, FaceOf(g.cardnum));
        SDL_LockSurface(image);
        for (int y = 0; y < kCardImageSize; ++y) {
            const auto* from = static_cast<const Uint32*>(image->pixels) + y * image->pitch / 4;
            auto* to = static_cast<Uint32*>(drag_image->pixels) +
                       (g.y - top + y) * drag_image->pitch / 4 + (g.x - left);
            for (int x = 0; x < kCardImageSize; ++x)
                if (from[x] & f->Amask) to[x] = from[x] & ~f->Amask;
        }
        SDL_UnlockSurface(image);
    }
    SDL_SetColorKey(drag_image, SDL_SRCCOLORKEY | SDL_RLEACCEL, key);
    SDL_SetAlpha(drag_image, SDL_SRCALPHA | SDL_RLEACCEL, 128);
}

void GUI::RepaintDrag() {
    ComposeBackdrop();
    DrawDrag(drag_px, drag_py, true);
}

void GUI::DragTo(int x, int y) {
    DrawDrag(x, y, false);
}

void GUI::CancelDrag() {
    if (drag_image) SDL_FreeSurface(drag_image);
    drag_image = nullptr;
    targets.clear();
    drag_state = 0;
}

void GUI::Drop(int x, int y) {
    int p;
    std::list<GCard>::iterator g;
    FindCard(x, y, p, g);
    const int state = drag_state;
    CancelDrag();
    DropOn(state, drag_data, p);
    Redraw(gamescreen, -1, -1);
    DoDraw(gamescreen);
    sdl->Present();
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
    ClearHint();
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

bool GUI::WholeTurnOpen() const {
    return auto_enabled && IsOurTurn() && moves.empty() && drag_state == 0;
}

bool GUI::TakeAutoPlay() {
    if (!WholeTurnOpen()) return false;
    EndOwnTurn();
    return true;
}

bool GUI::HandPlayedOut() {
    return IsOurTurn() && !line_sent && sdl->tracker->pile[sdl->playernum].empty();
}
