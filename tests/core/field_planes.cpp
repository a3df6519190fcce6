#include "field_planes.h"

#include <cmath>
#include <cstring>

FloatPlane floatPlaneOf(const std::vector<float> &values, int rows, int cols)
{
    FloatPlane plane = vek_alloc_2(rows, cols);
    std::memcpy(plane.data(), values.data(), plane.size() * sizeof(float));
    return plane;
}

PixelPlane pixelPlaneFilled(int rows, int cols, std::uint8_t fill)
{
    PixelPlane plane = vek_alloc_3(cols, rows);
    std::memset(plane.data(), fill, plane.byteCount());
    return plane;
}

std::vector<float> valuesOf(const FloatPlane &plane)
{
    return std::vector<float>(plane.data(), plane.data() + plane.size());
}

std::vector<std::uint8_t> bytesOf(const PixelPlane &plane)
{
    return std::vector<std::uint8_t>(plane.data(), plane.data() + plane.byteCount());
}

bool sameValue(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

QString firstByteDifference(const std::vector<std::uint8_t> &got,
                            const std::vector<std::uint8_t> &want, const char *wantName)
{
    if (got.size() != want.size())
        return QString::asprintf("%zu bytes, %s %zu", got.size(), wantName, want.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        if (got[i] != want[i])
            return QString::asprintf("byte %zu: %d, %s %d", i, got[i], wantName, want[i]);
    return QString();
}
