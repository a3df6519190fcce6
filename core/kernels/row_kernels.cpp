#include "row_kernels.h"

#include "plain_kernels.h"

#include <initializer_list>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace rowkernels {

namespace {

#if defined(__x86_64__)
struct CpuSupport {
    bool avx;
    bool avx2;
    bool avx512;
};

const CpuSupport &cpuSupport()
{
    static const CpuSupport support = [] {
        __builtin_cpu_init();
        return CpuSupport{bool(__builtin_cpu_supports("avx")), bool(__builtin_cpu_supports("avx2")),
                          bool(__builtin_cpu_supports("avx512f"))};
    }();
    return support;
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
    if (cpuSupport().avx)
        clearUpperHalves();
}
#else
void beforeLegacySse()
{}
#endif

void colorRowPlain(const float *u, const float *v, std::uint8_t *rgb, int cols,
                   double inverseRadius, ExactCache &)
{
    beforeLegacySse();
    colorRowScalar(u, v, rgb, cols, inverseRadius);
}

void clampRowPlain(const float *su, const float *sv, float *du, float *dv, int cols, double limit,
                   float low, float high, bool clampAll)
{
    beforeLegacySse();
    clampRowScalar(su, sv, du, dv, cols, limit, low, high, clampAll);
}

float maxAbsRowPlain(const float *x, int n)
{
    beforeLegacySse();
    return maxAbsRowScalar(x, n);
}

void greyRowPlain(const float *u, const float *v, std::uint8_t *dimX, std::uint8_t *dimY, int cols,
                  double k, double twoK)
{
    beforeLegacySse();
    greyRowScalar(u, v, dimX, dimY, cols, k, twoK);
}

const RowKernels kScalarKernels = {Isa::Scalar,    "scalar",     colorRowPlain, clampRowPlain,
                                   maxAbsRowPlain, greyRowPlain, fkRowScalar};

} // namespace

const RowKernels *kernelsFor(Isa isa)
{
    switch (isa) {
    case Isa::Scalar:
        return &kScalarKernels;
#if defined(__x86_64__)
    case Isa::Avx2:
        return cpuSupport().avx2 ? &kAvx2Kernels : nullptr;
    case Isa::Avx512:
        return cpuSupport().avx512 ? &kAvx512Kernels : nullptr;
#else
    default:
        break;
#endif
    }
    return nullptr;
}

const RowKernels &chosenKernels()
{
    static const RowKernels &chosen = []() -> const RowKernels & {
        for (Isa isa : {Isa::Avx512, Isa::Avx2})
            if (const RowKernels *k = kernelsFor(isa))
                return *k;
        return kScalarKernels;
    }();
    return chosen;
}

} // namespace rowkernels
