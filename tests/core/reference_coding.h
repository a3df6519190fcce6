#ifndef REFERENCE_CODING_H
#define REFERENCE_CODING_H

#include <cstdint>
#include <vector>

// Naive transcriptions of the per-pixel formulas, written for reading rather than speed and
// sharing nothing with the production code (not even the wheel). Faster code is held to
// these byte for byte. Planes are flat row-major vectors of rows x cols values.
namespace reference {

void buildWheel(int wheel[55][3]);

// Blue, green, red, like VectorColor.
void vectorColor(float fx, float fy, unsigned char pix[3]);

void flowToColor(int cutoff, std::vector<std::uint8_t> &out, const std::vector<float> &u,
                 const std::vector<float> &v, int rows, int cols);

void clampFlow(const std::vector<float> &srcU, const std::vector<float> &srcV,
               std::vector<float> &dstU, std::vector<float> &dstV, int limit, bool clampAll);

void flowToGrey(int cutoff, std::vector<std::uint8_t> &dimX, std::vector<std::uint8_t> &dimY,
                const std::vector<float> &u, const std::vector<float> &v);

} // namespace reference

#endif // REFERENCE_CODING_H
