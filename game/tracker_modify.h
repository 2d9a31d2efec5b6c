// Applies the move records of a protocol line to a tracker, one card at a time, telling an
// observer about every move right after the tracker made it.
#pragma once

#include <string>

class Tokens;
class Tracker;

class TrackerModify {
  public:
    virtual ~TrackerModify() = default;

    // Appends the tokens from offset on to out_string (each after one blank), then applies the
    // records. A malformed record (an invalid code, a record running past the line, a card,
    // face or pile number out of range) throws the int -1 before any of its cards moves; the
    // records before it stay applied. An impossible move throws TrackerError.
    void Modify(Tracker* tracker, const Tokens* tokens, unsigned offset, std::string& out_string);
    // Modify, reporting a failure (a malformed record, an impossible move, a rejection by
    // BeforeMove) as false; the records before the failing one stay applied, so callers that
    // must not change their table on failure try it on a copy.
    bool TryModify(Tracker* tracker, const Tokens& tokens, unsigned offset);

    // Asked before each card or pile of a record moves, with the record's code, its target and
    // source piles, and the card number and face (-1 where the record has none). Throwing here
    // rejects the record before that move.
    virtual void BeforeMove(int /*code*/, int /*target*/, int /*src*/, signed char /*card*/,
                            signed char /*face*/) {}

    virtual void PlayTopToTop(int, int, signed char) {}
    virtual void PlayTopToBottom(int, int, signed char) {}
    virtual void HandToTop(int, int, signed char, signed char) {}
    virtual void HandToBottom(int, int, signed char, signed char) {}
    virtual void PileToPileTop(int, int) {}
    virtual void PileToPileBottom(int, int) {}
};
