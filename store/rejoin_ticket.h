// What takes a seat back after the connection to a host dropped or the window closed mid-game:
// the host, its port, the seat and the referee's secret for it, in rejoin.ini in the state folder,
// readable by its owner alone. It lasts until that game ends or the player leaves it.
#pragma once

#include <optional>
#include <string>

#include "game/seat_secret.h"
#include "store/kept_file.h"

struct RejoinTicket {
    std::string host;
    int port = 0;
    int seat = 0;
    SeatSecret secret;
};

class RejoinTicketFile {
  public:
    explicit RejoinTicketFile(const std::string& dir) : file(dir, "rejoin.ini") {}
    // The ticket kept, if the file holds a whole one; a file that does not is set aside.
    std::optional<RejoinTicket> Load();
    bool Save(const RejoinTicket& ticket);
    void Remove() { file.Remove(); }

  private:
    KeptFile file;
};
