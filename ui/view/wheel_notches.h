#ifndef WHEEL_NOTCHES_H
#define WHEEL_NOTCHES_H

// Turns wheel deltas into whole notches of 120. Touchpads and high-resolution wheels send a
// notch in pieces of 15 or 40; the pieces add up, and only a completed notch counts.
class WheelNotches
{
public:
    static constexpr int kNotch = 120;

    // The notches that delta completes, toward the sign of the total; the rest is kept.
    int add(int delta);
    void reset() { pending_ = 0; }

private:
    long long pending_ = 0;
};

#endif // WHEEL_NOTCHES_H
