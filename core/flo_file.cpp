#include "flo_file.h"

#include "cerror.h"
#include "cimage.h"
#include "split_pairs.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>

namespace {

// Planes larger than this together leave the cache of any common machine before the colours
// are computed from them, so their stores may as well go around it.
constexpr std::int64_t kStreamingPlaneBytes = std::int64_t(32) << 20;

// Pairs read at a time: 1 MB, which stays in a core's own cache while it is split into the
// planes. A quarter of that took a fifth longer on 4K flows: every read restarts the kernel's
// walk through the file's pages.
constexpr std::size_t kChunkPairs = 131072;
constexpr std::size_t kPage = 4096;
constexpr std::size_t kChunkBytes = 2 * kChunkPairs * sizeof(float) + 2 * kPage;

} // namespace

// The chunk starts half a page in: the data start 12 bytes into a page of the file, and a
// chunk starting a few bytes after that in its own page makes the kernel's copy stall on every
// store (4K aliasing), five times slower.
FloReadBuffer::FloReadBuffer() : block_(new (std::nothrow) unsigned char[kChunkBytes])
{
    if (!block_)
        return;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block_.get());
    const std::uintptr_t page = (start + kPage - 1) & ~std::uintptr_t(kPage - 1);
    pairs_ = reinterpret_cast<float *>(page + kPage / 2);
    capacity_ = kChunkPairs;
}

FloFile::FloFile(const char *path) : path_(path), file_(flo::openFloFile(path, &opened_))
{
    // Unbuffered, so that every chunk goes from the kernel straight into place instead of
    // partly through the stream's buffer.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
}

void FloFile::readHeader()
{
    flo::readFloHeader(file_.get(), path_, tag_, width_, height_);
}

void FloFile::checkHeader() const
{
    flo::checkFloHeader(path_, tag_, width_, height_);
}

bool FloFile::lengthMatches() const
{
    return opened_.bytes ==
           flo::kHeaderBytes + flo::kPixelBytes * std::int64_t(width_) * std::int64_t(height_);
}

void FloFile::checkLength() const
{
    const std::int64_t expected =
        flo::kHeaderBytes + flo::kPixelBytes * std::int64_t(width_) * std::int64_t(height_);
    if (opened_.bytes < expected)
        throw CError(flo::kTooShort, path_);
    if (opened_.bytes > expected)
        throw CError(flo::kTooLong, path_);
}

void FloFile::readPlanes(const FloatPlane &u, const FloatPlane &v, FloReadBuffer *buffer)
{
    readPlanes(u, v, height_, width_, buffer);
}

void FloFile::readPlanes(const FloatPlane &u, const FloatPlane &v, int copyRows, int copyCols,
                         FloReadBuffer *buffer)
{
    std::optional<FloReadBuffer> own;
    FloReadBuffer &chunk = buffer ? *buffer : own.emplace();
    copyRows = std::max(0, std::min({copyRows, height_, u.rows(), v.rows()}));
    copyCols = std::max(0, std::min({copyCols, width_, u.cols(), v.cols()}));
    const PairStores stores =
        2 * std::int64_t(sizeof(float)) * copyRows * copyCols > kStreamingPlaneBytes
            ? PairStores::Streaming
            : PairStores::Cached;

    // Each chunk of pairs is handed out a row piece at a time; a short read is the file's end.
    const std::int64_t total = std::int64_t(width_) * height_;
    std::int64_t done = 0;
    while (done < total) {
        const std::size_t n = std::size_t(std::min<std::int64_t>(total - done, chunk.capacity()));
        if (std::fread(chunk.pairs(), 2 * sizeof(float), n, file_.get()) != n)
            throw CError(flo::kTooShort, path_);
        for (std::size_t used = 0; used < n;) {
            const std::int64_t at = done + std::int64_t(used);
            const int y = int(at / width_);
            const int x = int(at % width_);
            const int piece = int(std::min<std::size_t>(n - used, std::size_t(width_ - x)));
            if (y < copyRows && x < copyCols)
                splitPairs(chunk.pairs() + 2 * used, u[y] + x, v[y] + x,
                           std::min(piece, copyCols - x), stores);
            used += std::size_t(piece);
        }
        done += std::int64_t(n);
    }
    finishPairStores();
    checkEnd();
    checkUnchanged();
}

void FloFile::readImage(CImage &image)
{
    image.Reshape(ImageShape{width_, height_, 2});
    // A pixel is 8 bytes, so a file row is exactly an image row: one read each, no copying.
    const std::size_t rowItems = 2 * std::size_t(width_);
    for (int y = 0; y < height_; ++y) {
        if (std::fread(image.row(y), sizeof(float), rowItems, file_.get()) != rowItems)
            throw CError(flo::kTooShort, path_);
    }
    checkEnd();
}

// End of file is the only success; a read error at the end is not one.
void FloFile::checkEnd()
{
    if (std::fgetc(file_.get()) != EOF)
        throw CError(flo::kTooLong, path_);
    if (std::ferror(file_.get()))
        throw CError(flo::kProblemReading, path_);
}

// A writer that rewrote the file in place while it was read, keeping its length, would have
// left a mix of the old and the new data in the planes.
void FloFile::checkUnchanged() const
{
    if (stampOf(file_.get()) != opened_)
        throw CError(flo::kChanged, path_);
}

FlowField readFlowField(const char *path, FloReadBuffer *buffer)
{
    FloFile file(path);
    file.readHeader();
    file.checkHeader();
    file.checkLength();
    FlowField field{vek_alloc_2(file.height(), file.width()),
                    vek_alloc_2(file.height(), file.width())};
    file.readPlanes(field.u, field.v, buffer);
    return field;
}
