#include "check_rows.h"

namespace checkrows {

CheckRow checkRowFor(rowkernels::Isa isa)
{
    switch (isa) {
    case rowkernels::Isa::Scalar:
        return checkRowPlain;
#if defined(__x86_64__)
    case rowkernels::Isa::Avx2:
        return rowkernels::kernelsFor(isa) ? checkRowAvx2 : nullptr;
    case rowkernels::Isa::Avx512:
        return rowkernels::kernelsFor(isa) ? checkRowAvx512 : nullptr;
#else
    default:
        break;
#endif
    }
    return nullptr;
}

CheckRow chosenCheckRow()
{
    const CheckRow row = checkRowFor(rowkernels::chosenKernels().isa);
    return row ? row : checkRowPlain;
}

} // namespace checkrows
