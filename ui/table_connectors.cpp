#include "ui/table_connectors.h"

#include <stdexcept>

#include "exchange/exchange.h"
#include "gfx/sdl.h"
#include "ui/table_view.h"
#include "ui/texts.h"

void MyClientConnector::FollowRecords(int turn, Tokens& command) {
    if (!sdl->tracker_modify) throw std::runtime_error("Tracker modify not set!");
    std::string ignored;
    if (gui) gui->NewLine(turn);
    sdl->tracker_modify->Modify(&client.tracker, &command, 3, ignored);
}

void MyClientConnector::OthersPlayed(int) {
    table_turn->FollowStory(client.story, true);
}

void MyClientConnector::PlayerLeft(int p) {
    table_turn->SeatLeft(p);
    table_turn->FollowStory(client.story, false);
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

void MyClientConnector::SeatsChanged(const std::vector<SeatInfo>& seats_t) {
    seats = seats_t;
    table_turn->SetSeats(seats);
    table_turn->FollowStory(client.story, false);
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

void MyClientConnector::ChatLine(int seat, const std::string& text) {
    chat->Add(table_turn->SeatName(seat) + ": " + text, SDL_GetTicks());
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

void MyClientConnector::ChatDropped() {
    chat->Add(Translate("table line", "Too many lines at once: the last one was not sent"),
              SDL_GetTicks());
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

void MyClientConnector::SeatRatings(const std::vector<int>& ratings) {
    table_turn->SetRatings(ratings);
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

void MyClientConnector::WatchersCounted(int count) {
    table_turn->SetWatchers(count);
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

void MyClientConnector::WatcherChatLine(const std::string& name, const std::string& text) {
    chat->Add(Fill(Translate("table line", "%s (watching): %s"), name, text), SDL_GetTicks());
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

// The table came whole with the rejoin: the view is built from it. The computer still plays the
// own turn, if it is that: the own turn opens with the next one.
void MyClientConnector::StoryRetold() {
    table_turn->FollowStory(client.story, true);
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

void MyClientConnector::Rejoined(int turn) {
    if (gui) gui->Build();
    if (turn != playernum) table_turn->TurnBegins(turn);
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

void MyClientConnector::TurnBegins(int turn) {
    Exchange::PushLocalMessage(EXCH_TURN, EventData(turn), EventData(playernum));
}

void MyClientConnector::SetPlayerNum(int playernum_t, int numplayers_t) {
    TableFollower::SetPlayerNum(playernum_t, numplayers_t);
    sdl->playernum = playernum_t;
    sdl->numplayers = numplayers_t;
    sdl->sane = true;
    // Every game, the first and each one played again, starts from a clean view.
    table_turn->Reset();
    if (gui) gui->Reset();
}

void MyTrackerModify::Changed(int target_pile, int src_pile) {
    if (gui) gui->CardsMoved(target_pile, src_pile);
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

void MyTrackerModify::PlayTopToTop(int target_pile, int src_pile, signed char) {
    Changed(target_pile, src_pile);
}

void MyTrackerModify::PlayTopToBottom(int target_pile, int src_pile, signed char) {
    Changed(target_pile, src_pile);
}

void MyTrackerModify::HandToTop(int target_pile, int src_pile, signed char, signed char) {
    Changed(target_pile, src_pile);
}

void MyTrackerModify::HandToBottom(int target_pile, int src_pile, signed char, signed char) {
    Changed(target_pile, src_pile);
}

void MyTrackerModify::PileToPileTop(int target_pile, int src_pile) {
    Changed(target_pile, src_pile);
}
