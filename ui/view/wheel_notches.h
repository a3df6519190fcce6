#ifndef WHEEL_NOTCHES_H
#define WHEEL_NOTCHES_H

#include <cstdint>

// Turns wheel deltas into whole notches of 120. Touchpads and high-resolution wheels send a
// notch in pieces of 15 or 40; the pieces add up, and only a completed notch counts. A piece
// left over is dropped when the wheel turns the other way or rests, so that a whole notch
// always steps once.
class WheelNotches
{
public:
    static constexpr int kNotch = 120;
    static constexpr std::int64_t kRestMs = 500;

    // The notches that delta, arriving at atMs on a monotonic clock, completes toward the sign
    // of the total; the rest is kept.
    int add(int delta, std::int64_t atMs);
    // The same, now.
    int add(int delta);
    void reset() { pending_ = 0; }

private:
    long long pending_ = 0;
    std::int64_t lastMs_ = 0;
};

#endif // WHEEL_NOTCHES_H
