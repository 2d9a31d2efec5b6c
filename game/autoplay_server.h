// The referee the program creates: it can play a whole turn for the player in turn.
#pragma once

#include <string>

#include "game/client_server.h"

class ServerWithAutoPlay : public Server {
  public:
    using Server::Server;

  protected:
    void AutoPlay() override;

  private:
    bool check_winner(int player, const std::string& moves);
    void auto_play_kings(std::string& moves, int player);
    bool auto_play_move_pile(std::string& moves);
    bool do_auto_play_holes_ascending(std::string& moves, int player);
    bool auto_play_hand_holes(std::string& moves, int player);
    bool do_auto_play_hand_pick_one(std::string& moves, int player);
    void move_hand_card_to_top(std::string& moves, int player, signed char card, int pile);
    void move_hand_card_to_bottom(std::string& moves, int player, signed char card, int pile);
    void move_pile(std::string& moves, int from, int to);
};
