#include "plane_minmax.h"

void PlaneMinMax(const float *values, std::size_t count, float &min, float &max)
{
    min = values[0];
    max = values[0];
    // Strict comparisons: a NaN compares false both ways and so never replaces a result.
    for (std::size_t i = 1; i < count; ++i) {
        if (values[i] > max)
            max = values[i];
        if (values[i] < min)
            min = values[i];
    }
}
