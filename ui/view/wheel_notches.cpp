#include "wheel_notches.h"

#include <chrono>

int WheelNotches::add(int delta, std::int64_t atMs)
{
    const bool reversed = (pending_ < 0 && delta > 0) || (pending_ > 0 && delta < 0);
    if (reversed || atMs - lastMs_ >= kRestMs)
        pending_ = 0;
    lastMs_ = atMs;
    pending_ += delta;
    // Division truncates toward zero, so a total of -130 gives -1 and keeps -10.
    const long long notches = pending_ / kNotch;
    pending_ -= notches * kNotch;
    return int(notches);
}

int WheelNotches::add(int delta)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return add(delta, std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
