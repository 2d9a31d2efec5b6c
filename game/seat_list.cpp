#include "game/seat_list.h"

#include <algorithm>

#include "exchange/tokens.h"
#include "game/line_text.h"
#include "game/protocol.h"

namespace {

bool taken(const std::string& name, int p, const std::vector<SeatInfo>& seats) {
    for (std::size_t q = 0; q < seats.size(); ++q)
        if (static_cast<int>(q) != p && seats[q].name == name) return true;
    return false;
}

}  // namespace

std::string UnnamedSeat(int p) {
    return "Player " + int_to_string(p);
}

std::string SeatName(int p, const std::string& wanted, const std::vector<SeatInfo>& seats) {
    std::string name = PrintableText(wanted, kNameChars);
    if (name.empty()) name = UnnamedSeat(p);
    for (int n = 2; taken(name, p, seats) && n < 10; ++n) {
        const std::string number = " " + int_to_string(n);
        name = PrintableText(name, kNameChars - number.size()) + number;
    }
    return name;
}

std::string PeopleSeated(const std::vector<SeatInfo>& seats) {
    std::string names;
    for (const SeatInfo& seat : seats)
        if (seat.state == SeatInfo::kPerson) names += (names.empty() ? "" : ", ") + seat.name;
    return names;
}

std::string SeatsLine(const std::vector<SeatInfo>& seats) {
    std::string line = int_to_string(proto::kSeats) + ' ';
    append_int(line, static_cast<int>(seats.size()));
    for (const SeatInfo& seat : seats) {
        line += ' ';
        append_int(line, seat.state);
        AppendCountedText(line, seat.name);
    }
    return line;
}

std::vector<SeatInfo> ReadSeats(const Tokens& tokens, int numplayers) {
    if (tokens.token(2) != numplayers || numplayers < 2 || numplayers > kMaxPlayers) return {};
    std::vector<SeatInfo> seats;
    std::size_t at = 3;
    for (int p = 0; p < numplayers; ++p) {
        const int state = tokens.token(at), length = tokens.token(at + 1);
        if (state < SeatInfo::kComputer || state > SeatInfo::kAway || length < 0 ||
            length > static_cast<int>(kNameChars) || at + 2 + length > tokens.data.size())
            return {};
        std::string name = ReadText(tokens, at + 2, length, kNameChars);
        if (name.empty()) name = UnnamedSeat(p);
        seats.push_back({name, state});
        at += 2 + length;
    }
    return seats;
}

bool ChatGate::Admit(int p, Clock::time_point now) {
    if (p < 0 || p >= static_cast<int>(std::size(sent))) return false;
    auto& times = sent[p];
    while (!times.empty() && now - times.front() >= kSpan) times.pop_front();
    if (static_cast<int>(times.size()) >= kLines) return false;
    times.push_back(now);
    return true;
}
