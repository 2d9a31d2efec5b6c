#include "server/rating.h"

#include <algorithm>
#include <cmath>

int Rating::Shown() const {
    return std::max(0, static_cast<int>(std::lround((mu - 3 * sigma) * 100)));
}

// Algorithm 4 of the paper: c from every player's variance, each player's share of the
// exponentials of the players ranked at or below a place, and the updates Omega and Delta,
// gamma the paper's sigma_i / c.
std::vector<Rating> Rate(const std::vector<Rating>& before, const std::vector<int>& ranks,
                         const std::vector<bool>& fixed, const RatingModel& model) {
    const std::size_t n = before.size();
    double c2 = 0;
    for (const Rating& r : before) c2 += r.sigma * r.sigma + model.beta * model.beta;
    const double c = std::sqrt(c2);
    std::vector<double> e(n), sum_at_or_below(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) e[i] = std::exp(before[i].mu / c);
    // sum over q with rank(q) >= rank(i) of exp(mu_q / c)
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t q = 0; q < n; ++q)
            if (ranks[q] >= ranks[i]) sum_at_or_below[i] += e[q];
    // A_q: how many players share q's place.
    std::vector<double> ties(n, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t q = 0; q < n; ++q) ties[i] += ranks[q] == ranks[i];
    std::vector<Rating> after = before;
    for (std::size_t i = 0; i < n; ++i) {
        if (fixed[i]) continue;
        double omega = 0, delta = 0;
        for (std::size_t q = 0; q < n; ++q) {
            if (ranks[q] > ranks[i]) continue;
            const double p = e[i] / sum_at_or_below[q];
            omega += ((q == i ? 1.0 : 0.0) - p) / ties[q];
            delta += p * (1 - p) / ties[q];
        }
        const double var = before[i].sigma * before[i].sigma;
        const double gamma = before[i].sigma / c;
        omega *= var / c;
        delta *= gamma * var / c2;
        after[i].mu = before[i].mu + omega;
        after[i].sigma = before[i].sigma * std::sqrt(std::max(1 - delta, model.kappa));
    }
    return after;
}
