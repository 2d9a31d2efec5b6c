#include "ui/table_view.h"

#include <algorithm>

#include "gfx/sdl.h"
#include "gfx/sheet_geometry.h"
#include "gfx/widgets.h"
#include "ui/log_panel.h"
#include "ui/table_layout.h"
#include "ui/texts.h"
#include "ui/typed_text.h"

GUI* gui = nullptr;

namespace {

// Orange for the cards the others moved, blue for the piles a drop may go to, magenta for the
// hint, yellow for the keyboard's chosen card and pile, cyan for the pile chosen to be moved;
// none of them a card's, the table's or a button's colour. Each has a shape of its own too, for
// a player who cannot tell the colours apart: solid (with the mover's badge), dashed, doubled,
// corners only, dotted.
enum RingKind { kMovedRing, kTargetRing, kHintRing, kChosenRing, kSourceRing, kRingKinds };
constexpr Uint8 kRingColour[kRingKinds][3] = {
    {255, 120, 0}, {20, 60, 255}, {225, 0, 225}, {255, 230, 0}, {0, 230, 255}};
constexpr RingStyle kRingStyle[kRingKinds] = {RingStyle::kSolid, RingStyle::kDashed,
                                              RingStyle::kDouble, RingStyle::kCorners,
                                              RingStyle::kDotted};

// Whether the pixel (x, y) of a card image is not transparent.
bool IsOpaque(SDL_Surface* image, int x, int y) {
    if (SDL_LockSurface(image) != 0) return false;
    const Uint32 pixel = static_cast<const Uint32*>(image->pixels)[y * image->pitch / 4 + x];
    SDL_UnlockSurface(image);
    return pixel & image->format->Amask;
}

}  // namespace

GUI::GUI(SDL* sdl_t)
    : sdl(sdl_t), gamescreen(sdl_t->CreateSurface32(sdl_t->w, sdl_t->h)), drag(sdl_t) {
    // Opaque: composing the window copies it rather than blending it.
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
    marks = Highlights{};
    texts = TableTexts{};
    others.clear();
    own = SeatView{};
    looked = -1;
    motion.Finish();
    joining = false;
    // A new game's table: every card in the deck, where the deal takes them from.
    settled.ResetClient();
}

void GUI::SetSeats(std::vector<SeatView> others_t, SeatView own_t) {
    others = std::move(others_t);
    own = std::move(own_t);
}

void GUI::Build() {
    if (init) return;
    init = true;
    UpdateAllPiles();
}

void GUI::get_pile_home(int pilenum, int& x, int& y, int sequence) {
    const CardSpot spot = BoardSpot(pilenum, sequence, sdl->w, sdl->h);
    x = spot.x;
    y = spot.y;
}

void GUI::DoUpdatePile(int p) {
    auto& drawn = pile[p];
    drawn.clear();
    const Tracker& t = Shown();
    if (is_board_pile(p)) {
        int s = 0;
        for (signed char c : t.pile[p]) {
            const CardSpot spot = BoardSpot(p, s++, sdl->w, sdl->h);
            drawn.emplace_back(spot.x, spot.y, spot.rot, c);
        }
        // An empty pile shows where it is, and can be hit as a place to drop on.
        if (drawn.empty()) {
            const CardSpot spot = BoardSpot(p, 0, sdl->w, sdl->h);
            drawn.emplace_back(spot.x, spot.y, 0,
                               static_cast<signed char>(kEmptySlot - kFirstBoardPile + p));
        }
    } else if (p == sdl->playernum) {
        const int count = static_cast<int>(t.pile[p].size());
        int i = 0;
        for (signed char c : t.pile[p]) {
            const CardSpot spot = HandSpot(i++, count, sdl->w, sdl->h);
            const bool lifted = c == marks.chosen_card || c == marks.hint_card;
            drawn.emplace_back(spot.x, spot.y - (lifted ? kHandLift : 0), spot.rot, c);
        }
    }
}

void GUI::SetHighlights(Highlights h) {
    const bool lift_moves = h.chosen_card != marks.chosen_card || h.hint_card != marks.hint_card;
    marks = std::move(h);
    if (lift_moves && sdl->playernum >= 0 && sdl->playernum < kDeck) UpdatePile(sdl->playernum);
}

void GUI::UpdatePile(int p) {
    if (!sdl->tracker || !sdl->sane) return;
    Settle();
    DoUpdatePile(p);
}

void GUI::UpdateAllPiles() {
    if (!sdl->tracker || !sdl->sane) return;
    Settle();
    for (int p = 0; p < kDeck; ++p) DoUpdatePile(p);
}

void GUI::Settle() {
    if (sdl->tracker) settled = *sdl->tracker;
}

void GUI::CardsMoved(int target, int src) {
    if (!sdl->tracker || !sdl->sane) return;
    const SoundName sound = src == kDeck         ? SoundName::kCardDrawn
                            : is_board_pile(src) ? SoundName::kPileMoved
                                                 : SoundName::kCardLaid;
    // A drag holds the table as it is: what comes meanwhile shows at once.
    if (motion.off() || drag.active()) {
        FinishMoves();
        UpdateAllPiles();
        sdl->sounds.Play(sound);
        return;
    }
    const Tracker& now = *sdl->tracker;
    const auto& left = settled.pile[src];
    std::vector<Flight> flights;
    for (signed char c : now.pile[target])
        if (std::find(left.begin(), left.end(), c) != left.end())
            flights.push_back({c, SpotOf(settled, c), SpotOf(now, c)});
    const bool dealt = src == kDeck;
    motion.Add(now, std::move(flights), dealt && joining, clock(), sound, line_mover);
    joining = dealt;
    Settle();
    BuildShown();
}

ShownMotion GUI::Picture() const {
    if (!motion.Busy()) return {};
    return {true, motion.ShowingMover(), *motion.Showing()};
}

void GUI::FinishMoves() {
    play(motion.Finish());
    BuildShown();
}

void GUI::AdvanceMoves() {
    std::vector<SoundName> landed;
    if (motion.Advance(clock(), landed)) BuildShown();
    play(landed);
}

void GUI::SoundAfterMoves(SoundName sound) {
    if (!motion.SoundAtEnd(sound)) sdl->sounds.Play(sound);
}

void GUI::play(const std::vector<SoundName>& sounds) {
    for (SoundName s : sounds) sdl->sounds.Play(s);
}

void GUI::BuildShown() {
    if (sdl->tracker && sdl->sane)
        for (int p = 0; p < kDeck; ++p) DoUpdatePile(p);
}

const Tracker& GUI::Shown() const {
    const Tracker* moving = motion.Showing();
    return moving ? *moving : *sdl->tracker;
}

CardSpot GUI::SpotOf(const Tracker& t, int card) const {
    for (int p = 0; p < kNumPiles; ++p) {
        const auto& cards = t.pile[p];
        const auto at = std::find(cards.begin(), cards.end(), card);
        if (at == cards.end()) continue;
        const int i = static_cast<int>(at - cards.begin()), count = static_cast<int>(cards.size());
        if (is_board_pile(p)) return BoardSpot(p, i, sdl->w, sdl->h);
        if (p == sdl->playernum) return HandSpot(i, count, sdl->w, sdl->h);
        if (p == kDeck || sdl->numplayers < 2) break;
        const int n = sdl->numplayers;
        return SeatCard(((p - sdl->playernum - 1) % n + n) % n, i, count, false);
    }
    return DeckSpot(sdl->w, sdl->h);
}

int GUI::DrawnCount(int p) const {
    const auto& cards = Shown().pile[p];
    return static_cast<int>(std::count_if(
        cards.begin(), cards.end(), [this](signed char c) { return !motion.Flies(c, frame_ms); }));
}

int GUI::FaceOf(int cardnum) const {
    return Shown().cards[cardnum];
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
        ring = sdl->MakeCardRing(rot, kRingStyle[kind], c[0], c[1], c[2]);
    }
    SDL_Rect dst{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(ring, nullptr, surface, &dst);
}

void GUI::Redraw(SDL_Surface* surface, int pile_to_skip, int card_to_skip) {
    if (!sdl->sane) return;
    frame_ms = clock();
    ClearToTable(*sdl, surface);
    for (int i = 0; i < kNumPiles; ++i) {
        if (i == pile_to_skip) {
            int x, y;
            get_pile_home(i, x, y, 0);
            sdl->DrawCard(surface, x, y, kEmptySlot - kFirstBoardPile + i);
            continue;
        }
        // Each card's ring right after the card: the cards above it cover it where they cover
        // the card, so no ring crosses another card's index.
        for (const GCard& g : pile[i]) {
            if (g.cardnum == card_to_skip) continue;
            if (g.is_card() && motion.Flies(g.cardnum, frame_ms)) continue;
            DrawCard(surface, g, 0, 0);
            // A moving card's marks wait until it lands.
            if (!g.is_card() || motion.Moves(g.cardnum)) continue;
            if (marks.moved[g.cardnum]) Ring(surface, kMovedRing, g.rot, g.x, g.y);
            if (g.cardnum == marks.hint_card) Ring(surface, kHintRing, g.rot, g.x, g.y);
            if (i == sdl->playernum && g.cardnum == marks.chosen_card)
                Ring(surface, kChosenRing, 0, g.x, g.y);
        }
        if (i == marks.hint_pile) RingTop(surface, kHintRing, i);
        if (is_board_pile(i)) MoverBadge(surface, i);
    }
    DrawChoices(surface);
    DrawDeck(surface);
    DrawSeats(surface);
    DrawFlying(surface);
    DrawLookThrough(surface);
}

// The moving cards above everything else on the table: face up where the face is known.
void GUI::DrawFlying(SDL_Surface* surface) {
    for (const FlyingCard& f : motion.Flying(frame_ms)) {
        const int v = FaceOf(f.card);
        if (v == -1)
            sdl->DrawCard(surface, f.at.x, f.at.y, kBackSlot + f.at.rot);
        else
            sdl->EasyDrawCard(f.at.rot, -1, surface, f.at.x, f.at.y, v);
    }
}

// The looked-through pile in rows across the board, far enough apart for every index, on a
// darker band so that it reads as lifted off the table.
void GUI::DrawLookThrough(SDL_Surface* surface) {
    if (!is_board_pile(looked) || !sdl->tracker) return;
    const auto& cards = Shown().pile[looked];
    if (cards.empty()) return;
    constexpr int kStep = 40, kPerRow = 13, kRowStep = 60;
    const int n = static_cast<int>(cards.size());
    const int rows = (n + kPerRow - 1) / kPerRow, per_row = std::min(n, kPerRow);
    const int width = kCellW + (per_row - 1) * kStep, height = kCellH + (rows - 1) * kRowStep;
    const int left = (sdl->w - width) / 2, top = (sdl->h - height) / 2;
    fillrect(surface, left - 10, top - 10, static_cast<unsigned>(width + 20),
             static_cast<unsigned>(height + 20), SDL_MapRGB(surface->format, 0, 70, 70));
    for (int i = 0; i < n; ++i) {
        const int x = left + (i % kPerRow) * kStep - 28, y = top + (i / kPerRow) * kRowStep - 15;
        sdl->EasyDrawCard(0, -1, surface, x, y, FaceOf(cards[i]));
    }
}

namespace {

// A plate behind a seat's name and, at its right end, a number: gold while it is that player's
// turn.
void name_plate(SDL& sdl, SDL_Surface* surface, int x, int y, int w, const std::string& name,
                const std::string& number, bool turn) {
    const int h = sdl.GetFontHeight(1) + 2;
    const Uint32 colour =
        turn ? SDL_MapRGB(surface->format, 255, 200, 0) : SDL_MapRGB(surface->format, 0, 80, 80);
    fillrect(surface, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), colour);
    const unsigned font = turn ? 0 : 1;
    sdl.DrawString(surface, font, x + 4, y + 1, name.c_str());
    const int nw = sdl.GetStringWidth(font, number.c_str());
    sdl.DrawString(surface, font, x + w - 4 - nw, y + 1, number.c_str());
}

}  // namespace

// Each other player's name, card count and hand (backs, or the faces once known) in its seat; the
// own name's plate with the same turn mark.
void GUI::DrawSeats(SDL_Surface* surface) {
    const int n = static_cast<int>(others.size());
    if (n == 0 || n != SeatsAround(sdl->numplayers, sdl->playernum)) return;
    for (int k = 0; k < n; ++k) DrawSeat(surface, others[k], k);
    if (sdl->playernum < 0) return;
    const SeatBox mine = OwnSeat(sdl->w, sdl->h);
    name_plate(*sdl, surface, mine.x, mine.y, mine.w, own.name, "", own.turn);
}

void GUI::DrawSeat(SDL_Surface* surface, const SeatView& seat, int k) {
    const SeatBox box = OtherSeat(k, SeatsAround(sdl->numplayers, sdl->playernum), sdl->w, sdl->h);
    const int cards = DrawnCount((sdl->playernum + 1 + k) % sdl->numplayers);
    std::string name = seat.away ? Fill(Translate("plate", "%s (away)"), seat.name) : seat.name;
    if (seat.thinking) name = Fill(Translate("plate", "%s thinks..."), name);
    name_plate(*sdl, surface, box.x, box.y, box.w, name, std::to_string(cards), seat.turn);
    const bool faces = !seat.faces.empty();
    const int count = faces ? static_cast<int>(seat.faces.size()) : cards;
    for (int i = 0; i < count; ++i) {
        const CardSpot spot = SeatCard(k, i, count, faces);
        if (faces && seat.faces[i] >= 0)
            sdl->EasyDrawCard(0, -1, surface, spot.x, spot.y, seat.faces[i]);
        else
            sdl->DrawCard(surface, spot.x, spot.y, kBackSlot);
    }
}

CardSpot GUI::SeatCard(int k, int index, int count, bool faces) const {
    const SeatBox box = OtherSeat(k, SeatsAround(sdl->numplayers, sdl->playernum), sdl->w, sdl->h);
    const int top = box.y + sdl->GetFontHeight(1) + 4;
    // Backs close together; faces far enough apart for their indices.
    const int widest = faces ? 18 : 12;
    const int step = count > 1 ? std::min(widest, (box.w - 73) / (count - 1)) : 0;
    return {box.x - 28 + index * step, top - 15, 0};
}

// The deck as a small stack of backs with its count, or nothing once it is empty.
void GUI::DrawDeck(SDL_Surface* surface) {
    const int deck = static_cast<int>(Shown().pile[kDeck].size());
    if (others.empty() || deck == 0) return;
    const CardSpot spot = DeckSpot(sdl->w, sdl->h);
    for (int i = std::min(deck, 3) - 1; i >= 0; --i)
        sdl->DrawCard(surface, spot.x - i, spot.y - i, kBackSlot);
    const std::string text = std::to_string(deck);
    const int tw = sdl->GetStringWidth(0, text.c_str()), th = sdl->GetFontHeight(0);
    const int tx = spot.x + 64 - tw / 2, ty = spot.y + 64 - th / 2;
    fillrect(surface, tx - 4, ty - 1, static_cast<unsigned>(tw + 8), static_cast<unsigned>(th + 2),
             SDL_MapRGB(surface->format, 255, 255, 255));
    sdl->DrawString(surface, 0, tx, ty, text.c_str());
}

// The seat that moved a pile's top card, on a small orange badge in the card's middle: rings
// alone tell nothing in a round where every pile changed.
void GUI::MoverBadge(SDL_Surface* surface, int p) {
    if (pile[p].empty() || !pile[p].back().is_card()) return;
    const GCard& top = pile[p].back();
    const int mover = marks.mover[top.cardnum];
    if (mover < 0 || mover >= kMaxPlayers || motion.Moves(top.cardnum)) return;
    const std::string& seat = marks.badges[mover];
    const int w = sdl->GetStringWidth(0, seat.c_str()) + 8, h = sdl->GetFontHeight(0) + 2;
    const int x = top.x + 64 - w / 2, y = top.y + 64 - h / 2;
    const Uint8* c = kRingColour[kMovedRing];
    fillrect(surface, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h),
             SDL_MapRGB(surface->format, c[0], c[1], c[2]));
    sdl->DrawString(surface, 0, x + 4, y + 1, seat.c_str());
}

void GUI::RingTop(SDL_Surface* surface, int kind, int p) {
    if (!is_board_pile(p) || pile[p].empty()) return;
    const GCard& top = pile[p].back();
    Ring(surface, kind, p - kFirstBoardPile, top.x, top.y);
}

// The keyboard's chosen pile and the one to move, with the piles the chosen pile or card may go
// to, as a drag shows them.
void GUI::DrawChoices(SDL_Surface* surface) {
    for (int p : marks.targets) RingTop(surface, kTargetRing, p);
    RingTop(surface, kSourceRing, marks.source_pile);
    RingTop(surface, kChosenRing, marks.chosen_pile);
}

std::string GUI::Fitted(const std::string& text, const std::string& cut_mark) const {
    // Left of the seat at the top right.
    const int room = sdl->w - 220;
    if (sdl->GetStringWidth(1, text.c_str()) <= room) return text;
    std::string cut = text;
    while (!cut.empty() && sdl->GetStringWidth(1, (cut + cut_mark).c_str()) > room) EraseChar(cut);
    return cut + cut_mark;
}

void GUI::DoDraw(SDL_Surface* game) {
    SDL_Surface* screen = sdl->screen;
    // The table covers the whole window, so copying it leaves nothing of the previous picture.
    SDL_BlitSurface(game, nullptr, screen, nullptr);
    const int h = sdl->GetFontHeight(1);
    const std::string lines[] = {texts.status, texts.summary, texts.info, texts.news};
    // The whole of a cut news line is in the log.
    const std::string to_log = Translate("table line", "... (L: the whole log)");
    for (int i = 0; i < 4; ++i)
        sdl->DrawString(screen, 1, 10, i * h + 10,
                        Fitted(lines[i], i == 3 ? to_log : "...").c_str());
    sdl->DrawString(screen, 1, 10, 4 * h + 10, "Velmora 0.10");
    if (buttons) buttons->Draw(*sdl, screen);
    DrawChat(screen);
    if (log) log->Draw(screen);
}

void GUI::SetChat(std::vector<std::string> lines, bool typing_t, std::string field_t) {
    chat = std::move(lines);
    typing = typing_t;
    field = std::move(field_t);
}

// The chat in the free corner right of the hand, between the seat at the right and the buttons
// after a game; the line being typed over the hand's lower edge, right of the turn buttons.
void GUI::DrawChat(SDL_Surface* surface) {
    const int h = sdl->GetFontHeight(1), bh = static_cast<int>(sdl->GetButtonHeight());
    constexpr int kWidth = 180, kMostRows = 8;
    std::vector<std::string> rows;
    for (const std::string& line : chat)
        for (std::string& row : WrappedLines(*sdl, 1, line, kWidth - 8)) rows.push_back(row);
    if (rows.size() > kMostRows) rows.erase(rows.begin(), rows.end() - kMostRows);
    const int x = sdl->w - 10 - kWidth, bottom = sdl->h - 3 * bh - 6;
    int y = bottom - static_cast<int>(rows.size()) * h;
    if (!rows.empty())
        fillrect(surface, x, y - 2, kWidth, static_cast<unsigned>(bottom - y + 4),
                 SDL_MapRGB(surface->format, 0, 80, 80));
    for (const std::string& row : rows) {
        sdl->DrawString(surface, 1, x + 4, y, row.c_str());
        y += h;
    }
    if (!typing) return;
    // Short of the buttons at the bottom right after a game.
    const char* say = Translate("table line", "Say:");
    const int fy = sdl->h - bh - 1,
              label = sdl->GetStringWidth(1, say) + sdl->GetStringWidth(1, " ");
    const int room = sdl->w - 120 - (70 + label);
    unsigned chars = 60;
    while (chars > 8 && static_cast<int>(sdl->GetTextInputWidth(chars)) > room) --chars;
    const std::string tail = LastChars(field, chars - 2);
    // On a band of its own: the line lies over the hand's lower edge.
    fillrect(surface, 66, fy - 2, static_cast<unsigned>(label + 8) + sdl->GetTextInputWidth(chars),
             static_cast<unsigned>(bh + 3), SDL_MapRGB(surface->format, 0, 80, 80));
    sdl->DrawString(surface, 1, 70, fy + 2, say);
    sdl->DrawTextInput(surface, 70 + label, fy, static_cast<int>(chars), (tail + "_").c_str());
}

void GUI::Show() {
    AdvanceMoves();
    if (drag.active()) {
        drag.Recompose(ComposeBehindDrag());
        return;
    }
    Redraw(gamescreen, -1, -1);
    DoDraw(gamescreen);
    sdl->Present();
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

DragKind GUI::PickedAt(int x, int y, int& data) {
    int p;
    std::list<GCard>::iterator g;
    FindCard(x, y, p, g);
    if (p == -1 || !g->is_card()) return DragKind::kNone;
    if (is_board_pile(p)) {
        data = p;
        return DragKind::kPile;
    }
    if (p != sdl->playernum) return DragKind::kNone;
    data = g->cardnum;
    return DragKind::kHandCard;
}

SDL_Surface* GUI::ComposeBehindDrag() {
    const bool pile_dragged = drag_kind == DragKind::kPile;
    Redraw(gamescreen, pile_dragged ? dragged : -1, pile_dragged ? -1 : dragged);
    DoDraw(gamescreen);
    for (int p : targets) RingTop(sdl->screen, kTargetRing, p);
    return sdl->screen;
}

void GUI::StartDrag(DragKind kind, int data, int x, int y, std::vector<int> targets_t) {
    drag_kind = kind;
    dragged = data;
    targets = std::move(targets_t);
    std::list<GCard> cards;
    if (kind == DragKind::kPile) {
        cards = pile[data];
    } else {
        for (const GCard& g : pile[sdl->playernum])
            if (g.cardnum == data) cards.push_back(g);
    }
    drag.Begin(
        cards, [this](int c) { return FaceOf(c); }, ComposeBehindDrag(), x, y);
}

void GUI::DragTo(int x, int y) {
    drag.MoveTo(x, y);
}

void GUI::CancelDrag() {
    drag.End();
    targets.clear();
    drag_kind = DragKind::kNone;
}

int GUI::Drop(int x, int y) {
    int p;
    std::list<GCard>::iterator g;
    FindCard(x, y, p, g);
    CancelDrag();
    return is_board_pile(p) ? p : -1;
}
