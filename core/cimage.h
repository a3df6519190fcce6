#ifndef CIMAGE_H
#define CIMAGE_H

#include <cstddef>
#include <cstdint>
#include <typeinfo>

struct ImageShape {
    int width = 0;
    int height = 0;
    int bands = 0;

    friend bool operator==(const ImageShape &a, const ImageShape &b)
    {
        return a.width == b.width && a.height == b.height && a.bands == b.bands;
    }
    friend bool operator!=(const ImageShape &a, const ImageShape &b) { return !(a == b); }
};

// The reference-counted memory behind one or more images.
struct SharedBlock {
    void *data = nullptr;
    int refCount = 1;
    std::int64_t byteCount = 0;
    bool owned = true;
    void (*releaseFn)(void *) = nullptr;
};

// A band-interleaved raster of float elements. Element (x, y, b) lies at
// origin() + y * rowStride() + x * pixelStride() + b * elementBytes(); every row starts on an
// 8-byte boundary. Copies share the pixel memory.
class CImage
{
public:
    CImage();
    ~CImage();
    CImage(const CImage &other);
    CImage &operator=(const CImage &other);

    // Fresh, uncleared memory for the shape. Throws CError when it cannot be had; the image
    // then keeps its previous shape and memory.
    void Reallocate(const ImageShape &shape);
    // Reallocates only when the shape or the element type differs.
    void Reshape(const ImageShape &shape);

    const ImageShape &shape() const { return shape_; }
    const std::type_info &elementType() const { return *elementType_; }
    int elementBytes() const { return elementBytes_; }
    int pixelStride() const { return pixelStride_; }
    int rowStride() const { return rowStride_; }
    unsigned char *origin() const { return origin_; }
    const SharedBlock *block() const { return block_; }

    unsigned char *row(int y) const { return origin_ + std::ptrdiff_t(y) * rowStride_; }
    float &floatAt(int x, int y, int band) const
    {
        return *reinterpret_cast<float *>(row(y) + std::ptrdiff_t(x) * pixelStride_ +
                                          std::ptrdiff_t(band) * elementBytes_);
    }

private:
    void dropBlock();

    ImageShape shape_;
    const std::type_info *elementType_;
    int elementBytes_ = 4;
    int pixelStride_ = 0;
    int rowStride_ = 0;
    unsigned char *origin_ = nullptr;
    SharedBlock *block_ = nullptr;
};

#endif // CIMAGE_H
