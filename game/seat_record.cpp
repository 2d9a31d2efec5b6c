#include "game/seat_record.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <utility>

#include "game/line_text.h"
#include "game/protocol.h"
#include "game/seat_list.h"

void SeatRecorder::Place(const std::string& where) {
    place = where;
    record.where = where;
}

void SeatRecorder::Start(int numplayers, int viewer) {
    record = GameRecord{};
    record.played = RecordTime(std::time(nullptr));
    record.where = place;
    record.numplayers = numplayers;
    record.viewer = viewer;
    for (int p = 0; p < numplayers; ++p) record.seats[p] = {UnnamedSeat(p), true, Strategy::kAuto};
    whole = viewer >= 0;
    playing = false;
}

void SeatRecorder::Follow(const Tokens& line) {
    if (!whole) return;
    switch (line.token(1)) {
        case proto::kTurn:
            playing = true;
            whole = line.token(2) == static_cast<int>(record.turns.size() % record.numplayers) &&
                    record.turns.size() < GameRecord::kMostTurns;
            record.turns.emplace_back();
            break;
        case proto::kPublished:
            // The deal's lines come before the first turn; each play turn has one line.
            if (!playing) break;
            for (std::size_t i = 3; i < line.data.size(); ++i)
                record.turns.back() +=
                    (record.turns.back().empty() ? "" : " ") + std::to_string(line.data[i]);
            break;
        case proto::kSeats:
            NameSeats(record, ReadSeats(line, record.numplayers), Strategy::kAuto);
            break;
        case proto::kWinner:
            record.winner = line.token(2);
            break;
        case proto::kRecordLine:
        case proto::kSeatTable:
        case proto::kWatchedTable:
            whole = false;
            break;
        default:
            break;
    }
}

std::optional<GameRecord> SeatRecorder::Finished(const Tracker& end) const {
    if (!whole || record.winner < 0) return std::nullopt;
    GameRecord done = record;
    std::copy(std::begin(end.cards), std::end(end.cards), done.faces.begin());
    return done;
}

bool OfferedRecord::Follow(const Tokens& line) {
    if (line.token(1) == proto::kRecordText) {
        if (lines.size() < kMostLines) lines.push_back(ReadText(line, 2, line.data.size(), 4096));
        return true;
    }
    if (line.token(1) != proto::kRecordEnd) return false;
    std::string text, why;
    for (const std::string& l : lines) text += l + "\n";
    GameRecord record;
    if (static_cast<std::size_t>(line.token(3)) == lines.size() && ParseRecord(text, record, why))
        done = std::move(record);
    lines.clear();
    return true;
}

std::optional<GameRecord> OfferedRecord::Take() {
    return std::exchange(done, std::nullopt);
}
