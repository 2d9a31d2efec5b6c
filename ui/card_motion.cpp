#include "ui/card_motion.h"

#include <algorithm>

namespace {

// Slow to start, slow to land.
double eased(double t) {
    return t < 0.5 ? 4 * t * t * t : 1 - 4 * (1 - t) * (1 - t) * (1 - t);
}

int between(int a, int b, double e) {
    return a + static_cast<int>((b - a) * e + (b >= a ? 0.5 : -0.5));
}

}  // namespace

void CardMotion::Add(const Tracker& after, std::vector<Flight> flights, bool join, Uint32 now,
                     SoundName landing, int mover) {
    if (join && !steps.empty()) {
        Step& last = steps.back();
        for (Flight& f : flights) {
            f.delay = static_cast<Uint32>(last.flights.size()) * (move_ms / 8);
            last.length = std::max(last.length, f.delay + move_ms);
            last.flights.push_back(f);
        }
        last.after = after;
        return;
    }
    Uint32 length = 0;
    for (const Flight& f : flights) length = std::max(length, f.delay + move_ms);
    steps.push_back({after, std::move(flights), now, length, {landing}, mover});
}

bool CardMotion::SoundAtEnd(SoundName sound) {
    if (steps.empty()) return false;
    steps.back().sounds.push_back(sound);
    return true;
}

std::vector<SoundName> CardMotion::Finish() {
    std::vector<SoundName> last;
    if (!steps.empty()) last = std::move(steps.back().sounds);
    steps.clear();
    return last;
}

bool CardMotion::Advance(Uint32 now, std::vector<SoundName>& landed) {
    bool changed = false;
    while (!steps.empty() && now - steps.front().start >= steps.front().length) {
        const Uint32 end = steps.front().start + steps.front().length;
        landed.insert(landed.end(), steps.front().sounds.begin(), steps.front().sounds.end());
        steps.pop_front();
        // The next step follows on from the end of this one, so a late frame does not stretch
        // the whole sequence.
        if (!steps.empty()) steps.front().start = end;
        changed = true;
    }
    return changed;
}

bool CardMotion::Landed(const Step& step, const Flight& f, Uint32 now) const {
    return now - step.start >= f.delay + move_ms;
}

std::vector<FlyingCard> CardMotion::Flying(Uint32 now) const {
    std::vector<FlyingCard> out;
    if (steps.empty()) return out;
    const Step& step = steps.front();
    for (const Flight& f : step.flights) {
        if (Landed(step, f, now)) continue;
        const Uint32 since = now - step.start;
        const double t =
            since <= f.delay ? 0.0 : std::min(1.0, double(since - f.delay) / double(move_ms));
        const double e = eased(t);
        // Turned halfway, as the card comes round to its place.
        const signed char rot = e < 0.5 ? f.from.rot : f.to.rot;
        out.push_back({f.card, {between(f.from.x, f.to.x, e), between(f.from.y, f.to.y, e), rot}});
    }
    return out;
}

bool CardMotion::Flies(int card, Uint32 now) const {
    if (steps.empty()) return false;
    const Step& step = steps.front();
    return std::any_of(step.flights.begin(), step.flights.end(),
                       [&](const Flight& f) { return f.card == card && !Landed(step, f, now); });
}

bool CardMotion::Moves(int card) const {
    for (const Step& step : steps)
        for (const Flight& f : step.flights)
            if (f.card == card) return true;
    return false;
}

Uint32 PaceMs(Pace pace) {
    constexpr Uint32 kMs[] = {0, 110, 220, 440};
    return kMs[static_cast<int>(pace)];
}
