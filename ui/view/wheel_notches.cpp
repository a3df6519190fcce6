#include "wheel_notches.h"

int WheelNotches::add(int delta)
{
    pending_ += delta;
    // Division truncates toward zero, so a total of -130 gives -1 and keeps -10.
    const long long notches = pending_ / kNotch;
    pending_ -= notches * kNotch;
    return int(notches);
}
