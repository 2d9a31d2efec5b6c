#include "ui/replay_screen.h"

#include <algorithm>
#include <utility>

#include "base/utf8.h"
#include "ui/game_log.h"
#include "ui/navigation.h"
#include "ui/record_words.h"
#include "ui/texts.h"

namespace {

// Each card's pile on table `t`.
std::array<signed char, kNumCards> PilesOf(const Tracker& t) {
    std::array<signed char, kNumCards> piles{};
    for (int p = 0; p < kNumPiles; ++p)
        for (signed char c : t.pile[p]) piles[c] = static_cast<signed char>(p);
    return piles;
}

// What a seat's badge says, as the game's own plates show it: the number of a "Computer" or
// "Player" seat, or the first letter of a name.
std::string BadgeOf(const std::string& name, int p) {
    if (name == Fill(Translate("plate", "Computer %d"), p) ||
        name == Fill(Translate("plate", "Player %d"), p))
        return std::to_string(p);
    std::size_t i = 0;
    std::string initial;
    AppendUtf8(initial, NextCodePoint(name.data(), name.size(), i));
    return initial;
}

}  // namespace

ReplayScreen::ReplayScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t,
                           const GameRecord& record_t, std::function<Screen*()> back_t)
    : Screen(sdl_t, exch_t, profile_t), record(record_t), back(std::move(back_t)) {
    std::string why;
    replay.Build(record, why);
    bottom = std::max(record.viewer, 0);
    shown = replay.TableAfter(0);
    sdl.tracker = &shown;
    sdl.playernum = bottom;
    sdl.numplayers = record.numplayers;
    sdl.sane = true;
    const int bh = static_cast<int>(sdl.GetButtonHeight());
    const char* play = Translate("replay", "Play from here");
    const char* back = Translate("replay", "Back");
    const int w = static_cast<int>(std::max(sdl.GetButtonWidth(play), sdl.GetButtonWidth(back)));
    if (record.viewer == -1)
        button_play = buttons.AddButton(sdl, sdl.w - 10 - w, sdl.h - 2 * bh - 1, play, true);
    button_back = buttons.AddButton(sdl, sdl.w - 10 - w, sdl.h - bh - 1, back, true);
    if (gui) {
        gui->Reset();
        gui->SetMoveMs(PaceMs(profile.settings.values.animations));
        gui->SetButtons(&buttons);
        gui->Build();
    }
}

// The next screen is made before this one goes: only what is still this screen's is let go.
ReplayScreen::~ReplayScreen() {
    if (sdl.tracker != &shown) return;
    sdl.tracker = nullptr;
    sdl.sane = false;
    if (gui && gui->buttons == &buttons) gui->SetButtons(nullptr);
}

bool ReplayScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    const Button* pressed = ButtonEvent(event);
    if (pressed == button_back) Back();
    if (pressed && pressed == button_play) PlayFromHere();
    if (event.type == SDL_KEYDOWN) Key(event.key.keysym.sym);
    return false;
}

void ReplayScreen::Key(SDLKey key) {
    const std::size_t end = replay.steps().size();
    const int turn = ShownTurn();
    switch (key) {
        case SDLK_ESCAPE:
            Back();
            return;
        case SDLK_RIGHT:
            if (gui) gui->FinishMoves();
            if (at < end) Forward();
            break;
        case SDLK_LEFT:
            JumpTo(at > 0 ? at - 1 : 0);
            break;
        case SDLK_DOWN: {
            // To the end of the turn shown, or of the next one where it is shown whole.
            std::size_t to = replay.TurnStart(turn + 1);
            if (to == at) to = replay.TurnStart(turn + 2);
            if (gui) gui->FinishMoves();
            while (at < to) Forward();
            break;
        }
        case SDLK_UP:
            JumpTo(replay.TurnStart(replay.TurnStart(turn) == at ? turn - 1 : turn));
            break;
        case SDLK_HOME:
            JumpTo(0);
            break;
        case SDLK_END:
            JumpTo(end);
            break;
        default:
            return;
    }
    RequestRedraw();
}

void ReplayScreen::Forward() {
    const ReplayStep& step = replay.steps()[at++];
    if (gui) gui->NewLine(step.seat);
    if (step.records.empty()) return;
    const Tokens tokens(step.records);
    std::string ignored;
    sliding.Modify(&shown, &tokens, 0, ignored);
}

void ReplayScreen::JumpTo(std::size_t count) {
    at = std::min(count, replay.steps().size());
    shown = replay.TableAfter(at);
    if (gui) {
        gui->FinishMoves();
        gui->UpdateAllPiles();
    }
}

int ReplayScreen::ShownTurn() const {
    for (std::size_t i = at; i-- > 0;)
        if (replay.steps()[i].turn >= 0) return replay.steps()[i].turn;
    return -1;
}

void ReplayScreen::PlayFromHere() {
    // Once: a second press before the game's screen comes would start a second game.
    if (std::exchange(leaving, true)) return;
    const int turn = std::clamp(ShownTurn(), 0, replay.turn_count() - 1);
    const PlayTurn at_turn = replay.AtTurn(turn);
    Strategy strength = profile.settings.values.strength;
    for (int p = 0; p < record.numplayers; ++p)
        if (p != at_turn.turn && !record.seats[p].person) strength = record.seats[p].strength;
    SavedGame game;
    game.at = SeatFirst(at_turn, at_turn.turn);
    game.strength = strength;
    PostScreen(navigate::LocalGameFrom(sdl, exch, profile, game));
}

void ReplayScreen::Back() {
    if (std::exchange(leaving, true)) return;
    PostScreen(back());
}

void ReplayScreen::Idle() {
    if (gui && gui->Moving()) gui->AdvanceMoves();
}

Uint32 ReplayScreen::NextWakeMs() const {
    return Moving() ? CardMotion::kFrameMs : kNoWake;
}

bool ReplayScreen::Moving() const {
    return gui && gui->Moving();
}

std::string ReplayScreen::SeatLabel(int p) const {
    return record.seats[p].name;
}

// The cards the others moved since the bottom seat's own turn, as the game marks them.
Highlights ReplayScreen::Marks() const {
    Highlights h;
    for (std::size_t i = 0; i < at; ++i) {
        const ReplayStep& step = replay.steps()[i];
        if (step.turn < 0) continue;
        if (step.seat == bottom) {
            h.moved.fill(false);
            h.mover.fill(-1);
            continue;
        }
        const auto was = PilesOf(replay.TableAfter(i)), is = PilesOf(replay.TableAfter(i + 1));
        for (int c = 0; c < kNumCards; ++c) {
            if (was[c] == is[c] || !is_board_pile(is[c])) continue;
            h.moved[c] = true;
            h.mover[c] = static_cast<signed char>(step.seat);
        }
    }
    for (int p = 0; p < record.numplayers; ++p) h.badges[p] = BadgeOf(SeatLabel(p), p);
    return h;
}

TableTexts ReplayScreen::Texts() const {
    const auto name_of = [this](int p) { return SeatLabel(p); };
    TableTexts t;
    const int turn = ShownTurn();
    if (at == replay.steps().size())
        t.status = Fill(Translate("replay", "Game Over! %s won"), SeatLabel(record.winner));
    else if (turn >= 0)
        t.status = Fill(Translate("replay", "Turn %d of %d: %s's turn"), turn + 1,
                        replay.turn_count(), SeatLabel(turn % record.numplayers));
    else
        t.status = Translate("replay", "The deal");
    t.summary =
        Fill(Translate("replay", "%s, %s"), PlayedLabel(record.played), PlaceLabel(record.where));
    t.info =
        Translate("replay", "Right, Left: a move. Down, Up: a turn. Home, End: the start, the end");
    if (at > 0 && !replay.steps()[at - 1].told.empty())
        t.news = LogLine(replay.steps()[at - 1].told.back(), name_of);
    return t;
}

void ReplayScreen::ShowMoment() {
    const ShownMotion picture = gui->Picture();
    const Tracker& t = picture.table ? *picture.table : shown;
    const bool over = at == replay.steps().size();
    const int turn_seat = over || ShownTurn() < 0 ? -1 : ShownTurn() % record.numplayers;
    const auto seat = [&](int p) {
        SeatView view{SeatLabel(p), p == turn_seat, false, {}, false};
        for (signed char c : t.pile[p]) view.faces.push_back(t.cards[c]);
        // A seat's record knows no other hand: those show their backs.
        if (std::count(view.faces.begin(), view.faces.end(), -1) > 0) view.faces.clear();
        return view;
    };
    std::vector<SeatView> others;
    for (int k = 1; k < record.numplayers; ++k)
        others.push_back(seat((bottom + k) % record.numplayers));
    gui->SetSeats(others, seat(bottom));
    gui->SetHighlights(Marks());
    gui->SetTexts(Texts());
    gui->SetButtons(&buttons);
}

void ReplayScreen::Draw() {
    if (!gui) return;
    gui->Build();
    ShowMoment();
    gui->Show();
}
