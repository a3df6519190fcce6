#include "pending_steps.h"

#include <algorithm>
#include <limits>

namespace {

// Far beyond any listing, and far from overflowing however long a key is held.
constexpr std::int64_t kMaxOffset = std::int64_t(1) << 40;

int toInt(std::int64_t value)
{
    return int(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                        std::numeric_limits<int>::max()));
}

} // namespace

void PendingSteps::forward(int count)
{
    offset_ = std::clamp(offset_ + count, -kMaxOffset, kMaxOffset);
    pending_ = true;
}

void PendingSteps::toFirst()
{
    anchor_ = Anchor::First;
    offset_ = 0;
    pending_ = true;
}

void PendingSteps::toLast()
{
    anchor_ = Anchor::Last;
    offset_ = 0;
    pending_ = true;
}

int PendingSteps::browseStep(int index, int count) const
{
    const std::int64_t last = std::int64_t(count) - 1;
    if (anchor_ != Anchor::Here) {
        // No name to go to: the stepping branch loads the current file again.
        if (count <= 0)
            return 0;
        const std::int64_t base = anchor_ == Anchor::First ? 0 : last;
        return toInt(index - std::clamp(base + offset_, std::int64_t(0), last));
    }
    const std::int64_t target = index + offset_;
    const bool inListing = index >= 0 && index <= last;
    if (inListing && (target < 0 || target > last)) {
        const std::int64_t edge = std::clamp(target, std::int64_t(0), last);
        if (edge != index)
            return toInt(index - edge);
    }
    return toInt(-offset_);
}
