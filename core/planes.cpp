#include "planes.h"

#include "cerror.h"

#include <climits>
#include <cstdint>

namespace {

// Any int rows x cols x 4 fits in 64 bits, so the request is exact before it is checked.
std::uint64_t requestBytes(int rows, int cols, int elementBytes)
{
    if (rows <= 0 || cols <= 0)
        return 0;
    return std::uint64_t(rows) * std::uint64_t(cols) * std::uint64_t(elementBytes);
}

int megabytes(std::uint64_t bytes)
{
    const std::uint64_t mb = bytes / 1048576u;
    return mb > std::uint64_t(INT_MAX) ? INT_MAX : int(mb);
}

// Null when the request is empty, does not fit the address space, or cannot be had.
void *allocateBlock(std::uint64_t bytes)
{
    if (bytes == 0 || bytes > std::uint64_t(PTRDIFF_MAX))
        return nullptr;
    return std::malloc(std::size_t(bytes));
}

} // namespace

FloatPlane vek_alloc_2(int rows, int cols)
{
    const std::uint64_t bytes = requestBytes(rows, cols, 4);
    void *block = allocateBlock(bytes);
    if (!block)
        throw CError("vek_alloc_2(): memory allocation (%d MB) failed.", megabytes(bytes));
    FloatPlane plane;
    plane.data_.reset(static_cast<float *>(block));
    plane.rows_ = rows;
    plane.cols_ = cols;
    return plane;
}

PixelPlane vek_alloc_3(int cols, int rows)
{
    const std::uint64_t bytes = requestBytes(rows, cols, 3);
    void *block = allocateBlock(bytes);
    if (!block)
        throw CError("vek_alloc_3(): memory allocation (%d MB) failed.", megabytes(bytes));
    PixelPlane plane;
    plane.data_.reset(static_cast<std::uint8_t *>(block));
    plane.rows_ = rows;
    plane.cols_ = cols;
    return plane;
}
