#ifndef PLANE_MINMAX_H
#define PLANE_MINMAX_H

#include <cstddef>

// The extremes of count >= 1 consecutive floats. A NaN never becomes either result unless
// it is values[0].
void PlaneMinMax(const float *values, std::size_t count, float &min, float &max);

#endif // PLANE_MINMAX_H
