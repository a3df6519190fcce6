#include "bench_timing.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

double timeOnce(const std::function<void()> &run, const std::function<void()> &settle)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    const auto end = std::chrono::steady_clock::now();
    if (settle)
        settle();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

} // namespace

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : 0.5 * (values[mid - 1] + values[mid]);
}

std::vector<double> timeRoundRobin(const std::vector<std::function<void()>> &runs,
                                   const TimingPlan &plan, const std::function<void()> &settle)
{
    for (int i = 0; i < plan.warmUps; ++i)
        for (const auto &run : runs)
            timeOnce(run, settle);

    std::vector<std::vector<double>> ms(runs.size());
    double spentMs = 0;
    for (int i = 0; i < plan.maxRepetitions; ++i) {
        if (i >= plan.minRepetitions && spentMs >= plan.minSeconds * 1000)
            break;
        // Every other round goes backwards, so that no run always follows the same one and
        // inherits its cache or frequency state.
        for (std::size_t k = 0; k < runs.size(); ++k) {
            const std::size_t r = i % 2 == 0 ? k : runs.size() - 1 - k;
            ms[r].push_back(timeOnce(runs[r], settle));
            spentMs += ms[r].back();
        }
    }
    std::vector<double> medians;
    for (const std::vector<double> &m : ms)
        medians.push_back(median(m));
    return medians;
}

PairTiming timePair(const std::function<void()> &run, const std::function<void()> &reference,
                    const TimingPlan &plan, const std::function<void()> &settle)
{
    const std::vector<double> medians = timeRoundRobin({run, reference}, plan, settle);
    return {medians[0], medians[1]};
}
