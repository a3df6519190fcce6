#include "cimage.h"

#include "cerror.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <new>

namespace {

constexpr int kFloatBytes = 4;

// Saturating, so that an absurd shape still gives a truthful "too much" figure instead of a
// wrapped one.
std::int64_t multiplySaturated(std::int64_t a, std::int64_t b)
{
    if (a != 0 && b > INT64_MAX / a)
        return INT64_MAX;
    return a * b;
}

// The byte count of the largest accepted .flo image (80 GB) does not fit %d, so the figure is
// printed at full width.
[[noreturn]] void throwCannotAllocate(std::int64_t byteCount)
{
    char message[128];
    std::snprintf(message, sizeof message, "CImage::Reallocate: could not allocate %lld bytes",
                  static_cast<long long>(byteCount));
    throw CError(message);
}

} // namespace

CImage::CImage() : elementType_(&typeid(float))
{}

CImage::~CImage()
{
    dropBlock();
}

CImage::CImage(const CImage &other)
    : shape_(other.shape_), elementType_(other.elementType_), elementBytes_(other.elementBytes_),
      pixelStride_(other.pixelStride_), rowStride_(other.rowStride_), origin_(other.origin_),
      block_(other.block_)
{
    if (block_)
        ++block_->refCount;
}

CImage &CImage::operator=(const CImage &other)
{
    if (this == &other)
        return *this;
    if (other.block_)
        ++other.block_->refCount;
    dropBlock();
    shape_ = other.shape_;
    elementType_ = other.elementType_;
    elementBytes_ = other.elementBytes_;
    pixelStride_ = other.pixelStride_;
    rowStride_ = other.rowStride_;
    origin_ = other.origin_;
    block_ = other.block_;
    return *this;
}

void CImage::Reallocate(const ImageShape &shape)
{
    // A negative dimension describes no pixels rather than a negative stride.
    const std::int64_t width = std::max(shape.width, 0);
    const std::int64_t height = std::max(shape.height, 0);
    const std::int64_t bands = std::max(shape.bands, 0);

    const std::int64_t pixelStride = bands * kFloatBytes;
    std::int64_t rowStride = multiplySaturated(pixelStride, width);
    if (rowStride <= INT64_MAX - 7)
        rowStride = (rowStride + 7) / 8 * 8;
    const std::int64_t byteCount = multiplySaturated(rowStride, height);

    // Everything is decided before the image is touched, so a failure leaves it as it was
    // and a later Reshape can never trust a shape that has no memory behind it.
    if (pixelStride > INT_MAX || rowStride > INT_MAX)
        throwCannotAllocate(byteCount);

    SharedBlock *fresh = nullptr;
    if (byteCount > 0) {
        const std::int64_t units = (byteCount + 7) / 8;
        std::unique_ptr<std::uint64_t[]> memory(new (std::nothrow)
                                                    std::uint64_t[std::size_t(units)]);
        if (!memory)
            throwCannotAllocate(byteCount);
        fresh = new (std::nothrow) SharedBlock{memory.get(), 1, byteCount, true, nullptr};
        if (!fresh)
            throwCannotAllocate(byteCount);
        memory.release();
    }

    dropBlock();
    shape_ = shape;
    elementType_ = &typeid(float);
    elementBytes_ = kFloatBytes;
    pixelStride_ = int(pixelStride);
    rowStride_ = int(rowStride);
    block_ = fresh;
    origin_ = fresh ? static_cast<unsigned char *>(fresh->data) : nullptr;
}

void CImage::Reshape(const ImageShape &shape)
{
    if (shape != shape_ || *elementType_ != typeid(float) || elementBytes_ != kFloatBytes)
        Reallocate(shape);
}

void CImage::dropBlock()
{
    if (!block_)
        return;
    if (--block_->refCount == 0) {
        if (block_->owned) {
            if (block_->releaseFn)
                block_->releaseFn(block_->data);
            else
                delete[] static_cast<std::uint64_t *>(block_->data);
        }
        delete block_;
    }
    block_ = nullptr;
    origin_ = nullptr;
}
