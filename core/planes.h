#ifndef PLANES_H
#define PLANES_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// The window's pixel planes: each one contiguous row-major block, indexed plane[row][column]
// (and plane[row][column][channel] for the 3-byte planes), or null. Rows are found by
// computed indexing rather than pointer arrays, which would cost 8 bytes per pixel for
// each 3-byte plane. A plane owns its block; moving it moves the block.

struct PlaneBlockFree {
    void operator()(void *p) const noexcept { std::free(p); }
};

class FloatPlane
{
public:
    FloatPlane() = default;
    FloatPlane(std::nullptr_t) {}

    float *operator[](int r) const { return data_.get() + std::size_t(r) * std::size_t(cols_); }
    float *data() const { return data_.get(); }
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    std::size_t size() const { return std::size_t(rows_) * std::size_t(cols_); }

    explicit operator bool() const { return data_ != nullptr; }
    friend bool operator==(const FloatPlane &p, std::nullptr_t) { return !p.data_; }
    friend bool operator!=(const FloatPlane &p, std::nullptr_t) { return bool(p.data_); }

    void reset() { *this = FloatPlane(); }

private:
    friend FloatPlane vek_alloc_2(int rows, int cols);
    std::unique_ptr<float[], PlaneBlockFree> data_;
    int rows_ = 0;
    int cols_ = 0;
};

// One row of a 3-byte plane: row[c] is the pixel's first byte (red).
class PixelRow
{
public:
    explicit PixelRow(std::uint8_t *start) : start_(start) {}
    std::uint8_t *operator[](int c) const { return start_ + 3 * std::size_t(c); }

private:
    std::uint8_t *start_;
};

class PixelPlane
{
public:
    PixelPlane() = default;
    PixelPlane(std::nullptr_t) {}

    PixelRow operator[](int r) const
    {
        return PixelRow(data_.get() + 3 * std::size_t(r) * std::size_t(cols_));
    }
    std::uint8_t *data() const { return data_.get(); }
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    int bytesPerLine() const { return 3 * cols_; }
    std::size_t byteCount() const { return 3 * std::size_t(rows_) * std::size_t(cols_); }

    explicit operator bool() const { return data_ != nullptr; }
    friend bool operator==(const PixelPlane &p, std::nullptr_t) { return !p.data_; }
    friend bool operator!=(const PixelPlane &p, std::nullptr_t) { return bool(p.data_); }

    void reset() { *this = PixelPlane(); }

private:
    friend PixelPlane vek_alloc_3(int cols, int rows);
    std::unique_ptr<std::uint8_t[], PlaneBlockFree> data_;
    int rows_ = 0;
    int cols_ = 0;
};

// Allocate an uncleared float plane of rows x cols (rows first). Throws CError
// "vek_alloc_2(): memory allocation (%d MB) failed." when the block cannot be had, when the
// size overflows, or when a dimension is not positive.
FloatPlane vek_alloc_2(int rows, int cols);

// Allocate an uncleared 3-byte plane of rows x cols (width first), 3 x cols bytes per row.
// Throws CError "vek_alloc_3(): memory allocation (%d MB) failed." like vek_alloc_2.
PixelPlane vek_alloc_3(int cols, int rows);

#endif // PLANES_H
