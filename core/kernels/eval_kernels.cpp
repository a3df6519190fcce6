#include "eval_kernels.h"

namespace evalkernels {

EvalRun evalRunFor(rowkernels::Isa isa)
{
    switch (isa) {
    case rowkernels::Isa::Scalar:
        return evalRunPlain;
#if defined(__x86_64__)
    case rowkernels::Isa::Avx2:
        return rowkernels::kernelsFor(isa) ? evalRunAvx2 : nullptr;
    case rowkernels::Isa::Avx512:
        return rowkernels::kernelsFor(isa) ? evalRunAvx512 : nullptr;
#else
    default:
        break;
#endif
    }
    return nullptr;
}

EvalValuesRun evalValuesRunFor(rowkernels::Isa isa)
{
    switch (isa) {
    case rowkernels::Isa::Scalar:
        return evalValuesPlain;
#if defined(__x86_64__)
    case rowkernels::Isa::Avx2:
        return rowkernels::kernelsFor(isa) ? evalValuesAvx2 : nullptr;
    case rowkernels::Isa::Avx512:
        return rowkernels::kernelsFor(isa) ? evalValuesAvx512 : nullptr;
#else
    default:
        break;
#endif
    }
    return nullptr;
}

EpeRun epeRunFor(rowkernels::Isa isa)
{
    switch (isa) {
    case rowkernels::Isa::Scalar:
        return epeRunPlain;
#if defined(__x86_64__)
    case rowkernels::Isa::Avx2:
        return rowkernels::kernelsFor(isa) ? epeRunAvx2 : nullptr;
    case rowkernels::Isa::Avx512:
        return rowkernels::kernelsFor(isa) ? epeRunAvx512 : nullptr;
#else
    default:
        break;
#endif
    }
    return nullptr;
}

EvalRun chosenEvalRun()
{
    const EvalRun run = evalRunFor(rowkernels::chosenKernels().isa);
    return run ? run : evalRunPlain;
}

EvalValuesRun chosenEvalValuesRun()
{
    const EvalValuesRun run = evalValuesRunFor(rowkernels::chosenKernels().isa);
    return run ? run : evalValuesPlain;
}

EpeRun chosenEpeRun()
{
    const EpeRun run = epeRunFor(rowkernels::chosenKernels().isa);
    return run ? run : epeRunPlain;
}

} // namespace evalkernels
