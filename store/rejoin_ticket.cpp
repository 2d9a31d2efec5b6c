#include "store/rejoin_ticket.h"

#include "base/number_text.h"
#include "exchange/players.h"
#include "store/key_values.h"

namespace {

constexpr int kVersion = 1;
constexpr std::size_t kHostChars = 255;

}  // namespace

std::optional<RejoinTicket> RejoinTicketFile::Load() {
    KeyValues kept;
    if (!kept.Load(file, kVersion)) return std::nullopt;
    const std::string* host = kept.Find("", "host");
    const std::string* secret = kept.Find("", "secret");
    RejoinTicket ticket;
    ticket.port = ParseCount(kept.Find("", "port"));
    ticket.seat = ParseCount(kept.Find("", "seat"));
    const std::optional<SeatSecret> read = secret ? SecretFromHex(*secret) : std::nullopt;
    if (!host || host->empty() || host->size() > kHostChars || ticket.port < 1 ||
        ticket.port > 65535 || ticket.seat < 0 || ticket.seat >= kMaxPlayers || !read) {
        file.SetAside("it is no whole ticket to rejoin a game");
        return std::nullopt;
    }
    ticket.host = *host;
    ticket.secret = *read;
    return ticket;
}

bool RejoinTicketFile::Save(const RejoinTicket& ticket) {
    KeyValues kept;
    kept.Set("", "version", int_to_string(kVersion));
    kept.Set("", "host", ticket.host);
    kept.Set("", "port", int_to_string(ticket.port));
    kept.Set("", "seat", int_to_string(ticket.seat));
    kept.Set("", "secret", ticket.secret.Hex());
    return file.Save(kept.Text());
}
