#include "game/game_record.h"

#include <algorithm>
#include <iterator>
#include <sstream>

#include "base/number_text.h"
#include "exchange/tokens.h"
#include "game/line_text.h"
#include "game/protocol.h"
#include "game/referee.h"
#include "game/tracker_modify.h"

namespace {

constexpr const char* kMagic = "velmora-record";

bool IsPlace(const std::string& where) {
    const std::string kind = where.substr(0, where.find(' '));
    if (kind == "local" || kind == "hosted") return kind == where;
    return (kind == "joined" || kind == "server") && where.size() > kind.size() + 1;
}

// A text field as kept: printable, trimmed, within the limit, and not empty.
bool IsFieldText(const std::string& text) {
    return !text.empty() && PrintableText(text, GameRecord::kMostTextChars) == text;
}

// Each move of a turn's records, one record a card or pile, checked by the rules as it is made.
class MoveSplitter : public TrackerModify {
  public:
    MoveSplitter(const Tracker& table_t, int seat_t) : table(table_t), seat(seat_t) {}

    void BeforeMove(int code, int target, int src, signed char card, signed char face) override {
        std::string record =
            " " + int_to_string(code) + " " + int_to_string(target) + " " + int_to_string(src);
        StoryEvent e;
        e.seat = static_cast<signed char>(seat);
        e.pile = static_cast<signed char>(target);
        if (code == proto::kPileToPile || code == proto::kPileToPileAlt) {
            e.kind = StoryEvent::kPileMoved;
            e.from = static_cast<signed char>(src);
        } else {
            const bool on_top = code == proto::kHandToTop || code == proto::kHandToTopAlt;
            e.kind = on_top ? StoryEvent::kLaid : StoryEvent::kSlidUnder;
            e.face = face;
            record += " 1 " + int_to_string(card) + " " + int_to_string(face);
        }
        moves.push_back({record.substr(1), e});
    }

    const Tracker& table;
    int seat;
    std::vector<std::pair<std::string, StoryEvent>> moves;
};

StoryEvent Event(StoryEvent::Kind kind, int seat, int count) {
    StoryEvent e;
    e.kind = kind;
    e.seat = static_cast<signed char>(seat);
    e.count = static_cast<signed char>(count);
    return e;
}

// The record of the deck's top card going to `target`, its face as far as the record knows it.
std::string DrawRecord(const Tracker& t, int target) {
    return std::to_string(proto::kTopToTop) + " " + std::to_string(target) + " " +
           std::to_string(kDeck) + " 1 " + std::to_string(t.cards[t.pile[kDeck].back()]);
}

void Apply(Tracker& t, const std::string& records) {
    TrackerModify plain;
    std::string ignored;
    const Tokens tokens(records);
    plain.Modify(&t, &tokens, 0, ignored);
}

class RecordReader {
  public:
    explicit RecordReader(GameRecord& record_t) : record(record_t) {}

    bool Line(const std::string& line) {
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (key == "played") return IsFieldText(rest) && (record.played = rest, true);
        if (key == "where")
            return IsPlace(rest) && IsFieldText(rest) && (record.where = rest, true);
        if (key == "players") return Players(rest);
        if (key == "seat") return Seat(rest);
        if (key == "viewer") return Number(rest, -1, record.numplayers - 1, record.viewer);
        if (key == "faces") return Faces(rest);
        if (key == "turn") return Turn(rest);
        if (key == "winner") return Number(rest, 0, record.numplayers - 1, record.winner);
        return false;
    }

    bool Whole(std::string& why) const {
        if (record.played.empty() || record.where.empty())
            why = "its time or place is missing";
        else if (record.numplayers == 0)
            why = "it names no players";
        else if (seats_named != record.numplayers)
            why = "a seat is not named";
        else if (!faces_read)
            why = "its faces are missing";
        else if (record.winner < 0)
            why = "it has no winner";
        return why.empty();
    }

  private:
    static bool Number(const std::string& text, int low, int high, int& out) {
        return ParseInt(text, out) && out >= low && out <= high;
    }

    bool Players(const std::string& rest) {
        return record.numplayers == 0 && Number(rest, 2, kMaxPlayers, record.numplayers);
    }

    // "P person NAME" or "P computer STRENGTH NAME", each seat once and in order.
    bool Seat(const std::string& rest) {
        std::istringstream in(rest);
        int p = -1;
        std::string kind;
        if (!(in >> p >> kind) || p != seats_named || p >= record.numplayers) return false;
        RecordSeat& seat = record.seats[p];
        seat.person = kind == "person";
        if (!seat.person) {
            std::string strength;
            if (kind != "computer" || !(in >> strength) || !ParseStrategy(strength, seat.strength))
                return false;
        }
        std::getline(in >> std::ws, seat.name);
        if (!IsFieldText(seat.name)) return false;
        ++seats_named;
        return true;
    }

    bool Faces(const std::string& rest) {
        std::istringstream in(rest);
        for (signed char& face : record.faces) {
            int f = 0;
            if (!(in >> f) || f < -1 || f >= kNumCards) return false;
            face = static_cast<signed char>(f);
        }
        std::string more;
        faces_read = !(in >> more);
        return faces_read;
    }

    // "SEAT records...": the seat must be the one whose turn it is.
    bool Turn(const std::string& rest) {
        const std::size_t blank = rest.find(' ');
        int seat = -1;
        if (record.numplayers == 0 || record.turns.size() >= GameRecord::kMostTurns ||
            !ParseInt(rest.substr(0, blank), seat) ||
            seat != static_cast<int>(record.turns.size() % record.numplayers))
            return false;
        record.turns.push_back(blank == std::string::npos ? "" : rest.substr(blank + 1));
        return true;
    }

    GameRecord& record;
    int seats_named = 0;
    bool faces_read = false;
};

bool FacesFit(const GameRecord& record, std::string& why) {
    std::array<bool, kNumCards> seen{};
    for (signed char face : record.faces) {
        if (face == -1) {
            if (record.viewer == -1) why = "a face is missing from a referee's record";
        } else if (seen[face]) {
            why = "a face is dealt twice";
        }
        if (!why.empty()) return false;
        if (face != -1) seen[face] = true;
    }
    return true;
}

}  // namespace

void NameSeats(GameRecord& record, const std::vector<SeatInfo>& seats, Strategy strength) {
    for (std::size_t p = 0; p < seats.size() && p < static_cast<std::size_t>(record.numplayers);
         ++p)
        record.seats[p] = {seats[p].name, seats[p].state != SeatInfo::kComputer, strength};
}

std::string RecordTime(std::time_t when) {
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string RecordText(const GameRecord& record) {
    std::string text = std::string(kMagic) + " " + std::to_string(GameRecord::kFormat) + "\n";
    text += "played " + record.played + "\nwhere " + record.where + "\nplayers " +
            std::to_string(record.numplayers) + "\n";
    for (int p = 0; p < record.numplayers; ++p) {
        const RecordSeat& seat = record.seats[p];
        text += "seat " + std::to_string(p) +
                (seat.person ? " person "
                             : std::string(" computer ") + StrategyName(seat.strength) + " ") +
                seat.name + "\n";
    }
    text += "viewer " + std::to_string(record.viewer) + "\nfaces";
    for (signed char face : record.faces) text += " " + std::to_string(face);
    text += "\n";
    for (std::size_t t = 0; t < record.turns.size(); ++t) {
        text += "turn " + std::to_string(t % std::max(record.numplayers, 1));
        if (!record.turns[t].empty()) text += " " + record.turns[t];
        text += "\n";
    }
    return text + "winner " + std::to_string(record.winner) + "\n";
}

bool ParseRecord(const std::string& text, GameRecord& record, std::string& why) {
    record = GameRecord{};
    why.clear();
    std::istringstream in(text);
    std::string line;
    int format = 0;
    const std::string head = std::string(kMagic) + " ";
    if (!std::getline(in, line) || line.rfind(head, 0) != 0 ||
        !ParseInt(line.substr(head.size()), format)) {
        why = "it is no game record";
        return false;
    }
    if (format != GameRecord::kFormat) {
        why = format > GameRecord::kFormat ? "a newer version wrote it" : "its format is unknown";
        return false;
    }
    RecordReader reader(record);
    for (int number = 2; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (record.winner >= 0 || !reader.Line(line)) {
            why = "line " + std::to_string(number) + " cannot be read";
            return false;
        }
    }
    if (!reader.Whole(why) || !FacesFit(record, why)) return false;
    GameReplay replay;
    return replay.Build(record, why);
}

bool GameReplay::Build(const GameRecord& record, std::string& why) {
    *this = GameReplay{};
    why.clear();
    numplayers = record.numplayers;
    table.ResetClient();
    std::copy(record.faces.begin(), record.faces.end(), std::begin(table.cards));
    tables.push_back(table);
    if (!Deal(record, why)) return false;
    for (std::size_t t = 0; t < record.turns.size(); ++t) {
        const int seat = static_cast<int>(t % numplayers);
        const bool draws = !table.pile[kDeck].empty();
        if (histories.empty())
            histories.emplace_back();
        else
            histories.push_back(histories.back());
        histories.back().TurnBegins(table, numplayers, draws);
        turn_starts.push_back(step_list.size());
        if (draws) {
            const std::string draw = DrawRecord(table, seat);
            Apply(table, draw);
            Add({seat, static_cast<int>(t), draw, {Event(StoryEvent::kDrew, seat, 1)}}, table);
        }
        if (!PlayOneTurn(seat, record.turns[t], why)) {
            why = "turn " + std::to_string(t + 1) + " " + why;
            return false;
        }
        if (table.is_winner(seat) != (t + 1 == record.turns.size())) {
            why = t + 1 == record.turns.size() ? "the game does not end with its last turn"
                                               : "turns follow the game's end";
            return false;
        }
        if (t + 1 == record.turns.size() && seat != record.winner) {
            why = "the winner is not the seat that emptied its hand";
            return false;
        }
    }
    if (record.turns.empty()) why = "it has no turns";
    return why.empty();
}

// The board takes cards from the deck until every side pile has one, kings opening the corners;
// then each seat is dealt its hand.
bool GameReplay::Deal(const GameRecord& record, std::string& why) {
    ReplayStep board;
    std::size_t sides = 0, kings = 0;
    while (sides < std::size(kSidePiles)) {
        const signed char face = table.cards[table.pile[kDeck].back()];
        if (face == -1) {
            why = "a card dealt to the board has no face";
            return false;
        }
        const int pile = is_king(face) ? kCornerPiles[kings++] : kSidePiles[sides++];
        board.records += (board.records.empty() ? "" : " ") + DrawRecord(table, pile);
        StoryEvent e;
        e.kind = StoryEvent::kBoardDealt;
        e.face = face;
        e.pile = static_cast<signed char>(pile);
        board.told.push_back(e);
        Apply(table, DrawRecord(table, pile));
    }
    Add(board, table);
    for (int p = 0; p < record.numplayers; ++p) {
        ReplayStep hand{p, -1, "", {Event(StoryEvent::kHandDealt, p, kHandSize)}};
        for (int i = 0; i < kHandSize; ++i) {
            hand.records += (i ? " " : "") + DrawRecord(table, p);
            Apply(table, DrawRecord(table, p));
        }
        Add(hand, table);
    }
    return true;
}

bool GameReplay::PlayOneTurn(int seat, const std::string& records, std::string& why) {
    const int turn = static_cast<int>(turn_starts.size()) - 1;
    if (records.empty()) {
        Add({seat, turn, "", {Event(StoryEvent::kPassed, seat, 0)}}, table);
        return true;
    }
    const Tokens tokens(records);
    if (records.find_first_not_of("0123456789- ") != std::string::npos ||
        !IsLegalPlay(table, seat, tokens, 0)) {
        why = "makes a move the rules do not allow";
        return false;
    }
    MoveSplitter split(table, seat);
    Tracker copy = table;
    split.TryModify(&copy, tokens, 0);
    for (auto& [record, told] : split.moves) {
        Apply(table, record);
        Add({seat, turn, record, {told}}, table);
    }
    return true;
}

void GameReplay::Add(ReplayStep step, const Tracker& after) {
    step_list.push_back(std::move(step));
    tables.push_back(after);
}

std::size_t GameReplay::TurnStart(int turn) const {
    if (turn < 0) return 0;
    if (turn >= turn_count()) return step_list.size();
    return turn_starts[turn];
}

PlayTurn GameReplay::AtTurn(int turn) const {
    const std::size_t start = TurnStart(turn);
    const bool drew = histories.at(turn).drew;
    return {numplayers, turn % numplayers, tables.at(start + drew), histories.at(turn)};
}

PlayTurn SeatFirst(const PlayTurn& at, int seat) {
    PlayTurn turned = at;
    const int n = at.numplayers;
    for (int p = 0; p < n; ++p) turned.table.pile[(p - seat + n) % n] = at.table.pile[p];
    turned.turn = (at.turn - seat + n) % n;
    return turned;
}
