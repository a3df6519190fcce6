#ifndef RGB32_ROWS_H
#define RGB32_ROWS_H

#include <cstdint>

// One row of red, green, blue bytes as 0xffRRGGBB words, as Qt converts RGB888 to RGB32, with
// the fastest form this processor runs.
void rgb32Row(const std::uint8_t *rgb, std::uint32_t *out, int cols);

// The plain form, and the AVX2 form (false when the processor or the build lacks it), for
// the tests that hold one to the other.
void rgb32RowPlain(const std::uint8_t *rgb, std::uint32_t *out, int cols);
bool rgb32RowAvx2(const std::uint8_t *rgb, std::uint32_t *out, int cols);

#endif // RGB32_ROWS_H
