#include "row_kernels.h"

#include "color_wheel.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace rowkernels {

namespace {

#if defined(__x86_64__)
bool cpuHas(Isa isa)
{
    __builtin_cpu_init();
    switch (isa) {
    case Isa::Scalar:
        return true;
    case Isa::Avx2:
        return __builtin_cpu_supports("avx2");
    case Isa::Avx512:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
}

// Legacy SSE instructions run many times slower on some processors while the upper halves
// of the vector registers hold data left by AVX code elsewhere in the process (Qt's, the C
// library's); clearing them first costs nothing.
__attribute__((target("avx"))) void clearUpperHalves()
{
    _mm256_zeroupper();
}

void beforeLegacySse()
{
    static const bool hasAvx = (__builtin_cpu_init(), __builtin_cpu_supports("avx"));
    if (hasAvx)
        clearUpperHalves();
}
#else
bool cpuHas(Isa isa)
{
    return isa == Isa::Scalar;
}

void beforeLegacySse()
{}
#endif

} // namespace

bool supported(Isa isa)
{
    return cpuHas(isa);
}

Isa best()
{
    static const Isa chosen = supported(Isa::Avx512) ? Isa::Avx512
                              : supported(Isa::Avx2) ? Isa::Avx2
                                                     : Isa::Scalar;
    return chosen;
}

namespace {
// A function's static, so that it is set before any use, even one during static
// initialisation.
Isa &activeSlot()
{
    static Isa slot = best();
    return slot;
}
} // namespace

Isa active()
{
    return activeSlot();
}

void setActive(Isa isa)
{
    activeSlot() = isa;
}

const char *name(Isa isa)
{
    switch (isa) {
    case Isa::Scalar:
        return "scalar";
    case Isa::Avx2:
        return "avx2";
    case Isa::Avx512:
        return "avx512";
    }
    return "?";
}

void colorRow(Isa isa, const float *u, const float *v, std::uint8_t *rgb, int cols,
              double inverseRadius)
{
    if (cols <= 0)
        return;
    if (wheelSize == 0)
        BuildColorWheel();
    switch (isa) {
#if defined(__x86_64__)
    case Isa::Avx512:
        colorRowAvx512(u, v, rgb, cols, inverseRadius);
        return;
    case Isa::Avx2:
        colorRowAvx2(u, v, rgb, cols, inverseRadius);
        return;
#endif
    default:
        beforeLegacySse();
        colorRowScalar(u, v, rgb, cols, inverseRadius);
        return;
    }
}

void clampRow(Isa isa, const float *su, const float *sv, float *du, float *dv, int cols,
              double limit, float low, float high, bool clampAll)
{
    if (cols <= 0)
        return;
    // Beyond 2^24 a float cannot hold every whole number, and the vector kernels compare in
    // float.
    const bool exactInFloat = limit <= 16777216.0;
    switch (exactInFloat ? isa : Isa::Scalar) {
#if defined(__x86_64__)
    case Isa::Avx512:
        clampRowAvx512(su, sv, du, dv, cols, float(limit), low, high, clampAll);
        return;
    case Isa::Avx2:
        clampRowAvx2(su, sv, du, dv, cols, float(limit), low, high, clampAll);
        return;
#endif
    default:
        beforeLegacySse();
        clampRowScalar(su, sv, du, dv, cols, limit, low, high, clampAll);
        return;
    }
}

float maxAbsRow(Isa isa, const float *x, int n)
{
    if (n <= 0)
        return 0.0f;
    switch (isa) {
#if defined(__x86_64__)
    case Isa::Avx512:
        return maxAbsRowAvx512(x, n);
    case Isa::Avx2:
        return maxAbsRowAvx2(x, n);
#endif
    default: {
        beforeLegacySse();
        float largest = 0.0f;
        for (int i = 0; i < n; ++i) {
            const float a = x[i] < 0 ? -x[i] : x[i];
            largest = a > largest ? a : largest;
        }
        return largest;
    }
    }
}

void greyRow(Isa isa, const float *u, const float *v, std::uint8_t *dimX, std::uint8_t *dimY,
             int cols, double k, double twoK)
{
    if (cols <= 0)
        return;
    switch (isa) {
#if defined(__x86_64__)
    case Isa::Avx512:
        greyRowAvx512(u, v, dimX, dimY, cols, k, twoK);
        return;
    case Isa::Avx2:
        greyRowAvx2(u, v, dimX, dimY, cols, k, twoK);
        return;
#endif
    default:
        beforeLegacySse();
        greyRowScalar(u, v, dimX, dimY, cols, k, twoK);
        return;
    }
}

void approximateFkRow(Isa isa, const float *fx, const float *fy, double *fk, int n)
{
    switch (isa) {
#if defined(__x86_64__)
    case Isa::Avx512:
        fkRowAvx512(fx, fy, fk, n);
        return;
    case Isa::Avx2:
        fkRowAvx2(fx, fy, fk, n);
        return;
#endif
    default:
        return;
    }
}

} // namespace rowkernels
