#include "png_row_kernels.h"

#include "png_rows_plain.h"

#include <initializer_list>

namespace pngkernels {

#if defined(__x86_64__)
extern const PngRowKernels kSse2PngRows;
extern const PngRowKernels kAvx2PngRows;
#endif

namespace {

const PngRowKernels kScalarPngRows = {Isa::Scalar, "scalar", unfilterRowScalar, paethRowPairScalar,
                                      kittiFlowRowScalar};

} // namespace

const PngRowKernels *pngRowKernelsFor(Isa isa)
{
    switch (isa) {
    case Isa::Scalar:
        return &kScalarPngRows;
#if defined(__x86_64__)
    case Isa::Sse2:
        return &kSse2PngRows;
    case Isa::Avx2:
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? &kAvx2PngRows : nullptr;
#else
    default:
        break;
#endif
    }
    return nullptr;
}

const PngRowKernels &chosenPngRowKernels()
{
    static const PngRowKernels &chosen = []() -> const PngRowKernels & {
        for (Isa isa : {Isa::Avx2, Isa::Sse2})
            if (const PngRowKernels *k = pngRowKernelsFor(isa))
                return *k;
        return kScalarPngRows;
    }();
    return chosen;
}

} // namespace pngkernels
