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

PairTiming timePair(const std::function<void()> &run, const std::function<void()> &reference,
                    const TimingPlan &plan, const std::function<void()> &settle)
{
    for (int i = 0; i < plan.warmUps; ++i) {
        timeOnce(run, settle);
        timeOnce(reference, settle);
    }

    std::vector<double> caseMs;
    std::vector<double> referenceMs;
    double spentMs = 0;
    for (int i = 0; i < plan.maxRepetitions; ++i) {
        if (i >= plan.minRepetitions && spentMs >= plan.minSeconds * 1000)
            break;
        // Alternating which goes first keeps a cache or frequency effect of the order from
        // favouring either side.
        if (i % 2 == 0) {
            caseMs.push_back(timeOnce(run, settle));
            referenceMs.push_back(timeOnce(reference, settle));
        } else {
            referenceMs.push_back(timeOnce(reference, settle));
            caseMs.push_back(timeOnce(run, settle));
        }
        spentMs += caseMs.back() + referenceMs.back();
    }
    return {median(caseMs), median(referenceMs)};
}
