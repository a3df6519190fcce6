#include "flo_reader.h"

#include "cerror.h"
#include "flo_format.h"
#include "split_pairs.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>

namespace {

// Copies what lies inside rows x cols, both planes and the image, so that a file changed since
// the probe cannot lead outside any of them.
// A file replaced by a smaller one since the probe fills only part of the planes: the rest
// shows as unknown flow, never as whatever the allocator handed back.
void markUncopiedUnknown(const FloatPlane &plane, int copyRows, int copyCols)
{
    const float unknown = std::numeric_limits<float>::quiet_NaN();
    for (int y = 0; y < plane.rows(); ++y) {
        const int from = y < copyRows ? std::max(copyCols, 0) : 0;
        std::fill(plane[y] + from, plane[y] + plane.cols(), unknown);
    }
}

void copyOverlap(const CImage &image, FloatPlane &flowU, FloatPlane &flowV, int rows, int cols)
{
    const int copyRows = std::min({rows, image.shape().height, flowU.rows(), flowV.rows()});
    const int copyCols = std::min({cols, image.shape().width, flowU.cols(), flowV.cols()});
    for (int y = 0; y < copyRows; ++y)
        splitPairs(reinterpret_cast<const float *>(image.row(y)), flowU[y], flowV[y], copyCols);
    markUncopiedUnknown(flowU, copyRows, copyCols);
    markUncopiedUnknown(flowV, copyRows, copyCols);
}

// Planes larger than this together leave the cache of any common machine before the colours
// are computed from them, so their stores may as well go around it.
constexpr std::int64_t kStreamingPlaneBytes = std::int64_t(32) << 20;

// Pairs read at a time on the direct way: 1 MB, which stays in a core's own cache while it is
// split into the planes. A quarter of that took a fifth longer on 4K flows: every read
// restarts the kernel's walk through the file's pages.
constexpr std::size_t kChunkPairs = 131072;

// The chunk, kept for the thread's life: a fresh one would be a fresh mapping whose pages
// fault in on every read. Null when it cannot be had. It starts half a page in: the data
// start 12 bytes into a page of the file, and a chunk starting a few bytes after that in its
// own page makes the kernel's copy stall on every store (4K aliasing), five times slower.
float *chunkBuffer()
{
    constexpr std::size_t kPage = 4096;
    constexpr std::size_t kBytes = 2 * kChunkPairs * sizeof(float) + 2 * kPage;
    thread_local const std::unique_ptr<unsigned char[]> block(
        new (std::nothrow) unsigned char[kBytes]);
    if (!block)
        return nullptr;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block.get());
    const std::uintptr_t page = (start + kPage - 1) & ~std::uintptr_t(kPage - 1);
    return reinterpret_cast<float *>(page + kPage / 2);
}

// Reads the width x height pairs after the header a chunk at a time, handing each piece of a
// row to take(pairs, row, first column, count). A short read is the file's end: too short,
// as the whole-image read says.
template <typename Take>
void readPairs(std::FILE *file, const char *path, int width, int height, float *chunk, Take take)
{
    const std::int64_t total = std::int64_t(width) * height;
    std::int64_t done = 0;
    while (done < total) {
        const std::size_t n = std::size_t(std::min<std::int64_t>(total - done, kChunkPairs));
        if (std::fread(chunk, 2 * sizeof(float), n, file) != n)
            throw CError(flo::kTooShort, path);
        for (std::size_t used = 0; used < n;) {
            const std::int64_t at = done + std::int64_t(used);
            const int x = int(at % width);
            const int piece = int(std::min<std::size_t>(n - used, std::size_t(width - x)));
            take(chunk + 2 * used, int(at / width), x, piece);
            used += std::size_t(piece);
        }
        done += std::int64_t(n);
    }
}

// The data after the header into image, a row per read, as width x height pixels of two bands.
void readWholeImage(std::FILE *file, const char *path, int width, int height, CImage &image)
{
    image.Reshape(ImageShape{width, height, 2});
    // A pixel is 8 bytes, so a file row is exactly an image row: one read each, no copying.
    const std::size_t rowItems = 2 * std::size_t(width);
    for (int y = 0; y < height; ++y) {
        if (std::fread(image.row(y), sizeof(float), rowItems, file) != rowItems)
            throw CError(flo::kTooShort, path);
    }
}

// End of file is the only success; a read error at the end is not one.
void checkEnd(std::FILE *file, const char *path)
{
    if (std::fgetc(file) != EOF)
        throw CError(flo::kTooLong, path);
    if (std::ferror(file))
        throw CError(flo::kProblemReading, path);
}

} // namespace

void ReadFlowFile(CImage &image, const char *path)
{
    const flo::FilePtr file = flo::openFloFile(path);
    float tag;
    int width;
    int height;
    flo::readFloHeader(file.get(), path, tag, width, height);
    flo::checkFloHeader(path, tag, width, height);
    readWholeImage(file.get(), path, width, height, image);
    checkEnd(file.get(), path);
}

void ReadFlowFileSize(const char *path, int &rows, int &cols)
{
    const flo::FilePtr file = flo::openFloFile(path);
    float tag;
    flo::readFloHeader(file.get(), path, tag, cols, rows);
}

void LoadFlowPlanes(const char *path, FloatPlane &flowU, FloatPlane &flowV, int rows, int cols)
{
    std::int64_t fileBytes = 0;
    const flo::FilePtr file = flo::openFloFile(path, &fileBytes);
    // Unbuffered, so that every chunk goes from the kernel straight into place instead of
    // partly through the stream's buffer.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    float tag;
    int width;
    int height;
    flo::readFloHeader(file.get(), path, tag, width, height);
    flo::checkFloHeader(path, tag, width, height);

    float *const chunk = chunkBuffer();
    const bool exactLength =
        fileBytes == flo::kHeaderBytes + flo::kPixelBytes * std::int64_t(width) * height;
    if (!exactLength || !chunk) {
        // A file of any other length fails, and the whole image read first finds out how,
        // in the reader's order, leaving the planes untouched.
        CImage image;
        readWholeImage(file.get(), path, width, height, image);
        checkEnd(file.get(), path);
        copyOverlap(image, flowU, flowV, rows, cols);
        return;
    }

    {
        // That way asks for the whole image before it reads; asking for the same block, left
        // untouched, costs no memory and fails where it would.
        CImage image;
        image.Reshape(ImageShape{width, height, 2});
    }

    // The length is right, so only a read error or a file changed while it is read can fail
    // now, and may leave part of the planes written.
    const int copyRows = std::min({rows, height, flowU.rows(), flowV.rows()});
    const int copyCols = std::min({cols, width, flowU.cols(), flowV.cols()});
    const PairStores stores =
        2 * std::int64_t(sizeof(float)) * copyRows * copyCols > kStreamingPlaneBytes
            ? PairStores::Streaming
            : PairStores::Cached;
    readPairs(file.get(), path, width, height, chunk, [&](const float *uv, int y, int x0, int n) {
        if (y >= copyRows || x0 >= copyCols)
            return;
        splitPairs(uv, flowU[y] + x0, flowV[y] + x0, std::min(n, copyCols - x0), stores);
    });
    finishPairStores();
    checkEnd(file.get(), path);
    markUncopiedUnknown(flowU, copyRows, copyCols);
    markUncopiedUnknown(flowV, copyRows, copyCols);
}
