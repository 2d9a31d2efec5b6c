// Ratings by the Bayesian approximation of Weng and Lin ("A Bayesian Approximation Method for
// Online Ranking", JMLR 12, 2011), with the Plackett-Luce model of its Algorithm 4, for games of
// any number of players, each on a team of its own (as OpenSkill's PlackettLuce rates them).
#pragma once

#include <vector>

struct Rating {
    double mu = 25.0;
    double sigma = 25.0 / 3.0;
    // What the lobby shows: the rating less three deviations, as a whole number, never below 0.
    int Shown() const;
};

struct RatingModel {
    // The spread of one game's performance around a player's skill.
    double beta = 25.0 / 6.0;
    // Keeps sigma positive after many games.
    double kappa = 0.0001;
};

// The ratings after one game: `ranks[i]` is player i's place (1 the winner; equal places tie).
// `fixed[i]`: player i is rated but does not change (a computer player of a known strength).
std::vector<Rating> Rate(const std::vector<Rating>& before, const std::vector<int>& ranks,
                         const std::vector<bool>& fixed, const RatingModel& model = {});
