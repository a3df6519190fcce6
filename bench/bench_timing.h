#ifndef BENCH_TIMING_H
#define BENCH_TIMING_H

#include <functional>
#include <vector>

// How long to keep measuring one case: enough repetitions for a stable median, more while
// the case is quick, never so many that a slow case takes minutes.
struct TimingPlan {
    int warmUps = 2;
    int minRepetitions = 11;
    int maxRepetitions = 301;
    double minSeconds = 3.0;
};

struct PairTiming {
    double caseMs = 0;
    double referenceMs = 0;
};

// Runs the case and its reference alternately, so that both meet the same load on a shared
// machine, and returns the median of each. settle runs untimed after every run.
PairTiming timePair(const std::function<void()> &run, const std::function<void()> &reference,
                    const TimingPlan &plan, const std::function<void()> &settle = {});

// Runs every function once a round, round after round, and returns the median of each: runs
// to be compared with each other see the same load.
std::vector<double> timeRoundRobin(const std::vector<std::function<void()>> &runs,
                                   const TimingPlan &plan,
                                   const std::function<void()> &settle = {});

double median(std::vector<double> values);

#endif // BENCH_TIMING_H
