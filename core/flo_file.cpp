#include "flo_file.h"

#include "cerror.h"
#include "cimage.h"
#include "split_pairs.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <optional>

#include <unistd.h>

namespace {

// Planes larger than this together leave the cache of any common machine before the colours
// are computed from them, so their stores may as well go around it.
constexpr std::int64_t kStreamingPlaneBytes = std::int64_t(32) << 20;

// Pairs read at a time: 1 MB, which stays in a core's own cache while it is split into the
// planes, and few enough reads that restarting the kernel's walk through the file's pages
// each time costs little.
constexpr std::size_t kChunkPairs = 131072;
constexpr std::size_t kPage = 4096;
constexpr std::size_t kChunkBytes = 2 * kChunkPairs * sizeof(float) + 2 * kPage;

// A chunk's pages' start, half a page in (see the constructor).
float *chunkStart(unsigned char *block)
{
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t page = (start + kPage - 1) & ~std::uintptr_t(kPage - 1);
    return reinterpret_cast<float *>(page + kPage / 2);
}

// Where the split pairs go: the overlap of the file and the planes.
struct SplitTarget {
    const FloatPlane &u;
    const FloatPlane &v;
    int width;
    int copyRows;
    int copyCols;
    PairStores stores;
};

// n pairs of a chunk that starts at pair index at of the file, handed out a row piece at a
// time.
void splitChunk(const float *pairs, std::size_t n, std::int64_t at, const SplitTarget &to)
{
    for (std::size_t used = 0; used < n;) {
        const std::int64_t index = at + std::int64_t(used);
        const int y = int(index / to.width);
        const int x = int(index % to.width);
        const int piece = int(std::min<std::size_t>(n - used, std::size_t(to.width - x)));
        if (y < to.copyRows && x < to.copyCols)
            splitPairs(pairs + 2 * used, to.u[y] + x, to.v[y] + x, std::min(piece, to.copyCols - x),
                       to.stores);
        used += std::size_t(piece);
    }
}

// bytes at offset of fd into to, all of them, or false.
bool readAt(int fd, void *to, std::size_t bytes, std::int64_t offset)
{
    auto *at = static_cast<unsigned char *>(to);
    while (bytes > 0) {
        const ssize_t got = ::pread(fd, at, bytes, off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        at += got;
        bytes -= std::size_t(got);
        offset += got;
    }
    return true;
}

} // namespace

// The chunk starts half a page in: the data start 12 bytes into a page of the file, and a
// chunk starting a few bytes after that in its own page makes the kernel's copy stall on every
// store (4K aliasing).
FloReadBuffer::FloReadBuffer() : block_(new (std::nothrow) unsigned char[kChunkBytes])
{
    if (!block_)
        return;
    pairs_ = chunkStart(block_.get());
    capacity_ = kChunkPairs;
}

float *FloReadBuffer::bandPairs()
{
    if (!bandPairs_) {
        bandBlock_.reset(new (std::nothrow) unsigned char[kChunkBytes]);
        if (bandBlock_)
            bandPairs_ = chunkStart(bandBlock_.get());
    }
    return bandPairs_;
}

std::size_t FloReadBuffer::bandCapacity() const
{
    return kChunkPairs;
}

FloFile::FloFile(const char *path) : own_(flo::openFloFile(path)), input_(*own_)
{}

FloFile::FloFile(FlowInput &input) : input_(input)
{}

void FloFile::readHeader()
{
    flo::readFloHeader(stream(), path(), tag_, width_, height_);
}

void FloFile::checkHeader() const
{
    flo::checkFloHeader(path(), tag_, width_, height_);
}

bool FloFile::lengthMatches() const
{
    return input_.length() ==
           flo::kHeaderBytes + flo::kPixelBytes * std::int64_t(width_) * std::int64_t(height_);
}

void FloFile::checkLength() const
{
    const std::int64_t expected =
        flo::kHeaderBytes + flo::kPixelBytes * std::int64_t(width_) * std::int64_t(height_);
    if (input_.length() < expected)
        throw CError(flo::kTooShort, path());
    if (input_.length() > expected)
        throw CError(flo::kTooLong, path());
}

void FloFile::readCheckedHeader(const std::function<void(int width, int height)> &sized)
{
    readHeader();
    if (sized)
        sized(width_, height_);
    checkHeader();
    checkLength();
}

void FloFile::readPlanes(const FloatPlane &u, const FloatPlane &v, FloReadBuffer *buffer,
                         const BandPlan &plan)
{
    readPlanes(u, v, height_, width_, buffer, plan);
}

void FloFile::readPlanes(const FloatPlane &u, const FloatPlane &v, int copyRows, int copyCols,
                         FloReadBuffer *buffer, const BandPlan &plan)
{
    std::optional<FloReadBuffer> own;
    FloReadBuffer &chunk = buffer ? *buffer : own.emplace();
    copyRows = std::max(0, std::min({copyRows, height_, u.rows(), v.rows()}));
    copyCols = std::max(0, std::min({copyCols, width_, u.cols(), v.cols()}));
    const PairStores stores =
        2 * std::int64_t(sizeof(float)) * copyRows * copyCols > kStreamingPlaneBytes
            ? PairStores::Streaming
            : PairStores::Cached;
    const SplitTarget target{u, v, width_, copyRows, copyCols, stores};

    const std::int64_t total = std::int64_t(width_) * height_;
    // The data start where the header ended: the stream is unbuffered, so its place is the
    // descriptor's.
    const std::int64_t dataStart = std::ftell(stream());
    float *second =
        bandCount(plan, height_, width_) > 1 && dataStart >= 0 ? chunk.bandPairs() : nullptr;
    if (second) {
        // Each band at its own offsets, which leave the descriptor's place alone; the place is
        // then set after the data for the test of the end.
        const int fd = ::fileno(stream());
        forEachBand(2, [&](int band) {
            const RowRange rows = bandRows(height_, 2, band);
            float *pairs = band == 0 ? chunk.pairs() : second;
            const std::size_t capacity = band == 0 ? chunk.capacity() : chunk.bandCapacity();
            const std::int64_t end = std::int64_t(rows.end) * width_;
            for (std::int64_t done = std::int64_t(rows.begin) * width_; done < end;) {
                const std::size_t n = std::size_t(std::min<std::int64_t>(end - done, capacity));
                if (!readAt(fd, pairs, 2 * sizeof(float) * n,
                            dataStart + 2 * std::int64_t(sizeof(float)) * done))
                    throw CError(flo::kTooShort, path());
                splitChunk(pairs, n, done, target);
                done += std::int64_t(n);
            }
            finishPairStores();
        });
        if (std::fseek(stream(), long(dataStart + 2 * std::int64_t(sizeof(float)) * total),
                       SEEK_SET) != 0)
            throw CError(flo::kProblemReading, path());
    } else {
        // Each chunk of pairs is handed out a row piece at a time; a short read is the file's
        // end.
        std::int64_t done = 0;
        while (done < total) {
            const std::size_t n =
                std::size_t(std::min<std::int64_t>(total - done, chunk.capacity()));
            if (std::fread(chunk.pairs(), 2 * sizeof(float), n, stream()) != n)
                throw CError(flo::kTooShort, path());
            splitChunk(chunk.pairs(), n, done, target);
            done += std::int64_t(n);
        }
    }
    finishPairStores();
    checkEnd();
    checkUnchanged();
}

void FloFile::readPairs(float *pairs)
{
    const std::size_t items = 2 * std::size_t(width_) * std::size_t(height_);
    if (std::fread(pairs, sizeof(float), items, stream()) != items)
        throw CError(flo::kTooShort, path());
    checkEnd();
    checkUnchanged();
}

void FloFile::readImage(CImage &image)
{
    image.Reshape(ImageShape{width_, height_, 2});
    // A pixel is 8 bytes, so a file row is exactly an image row: one read each, no copying.
    const std::size_t rowItems = 2 * std::size_t(width_);
    for (int y = 0; y < height_; ++y) {
        if (std::fread(image.row(y), sizeof(float), rowItems, stream()) != rowItems)
            throw CError(flo::kTooShort, path());
    }
    checkEnd();
}

// End of file is the only success; a read error at the end is not one.
void FloFile::checkEnd()
{
    if (std::fgetc(stream()) != EOF)
        throw CError(flo::kTooLong, path());
    if (std::ferror(stream()))
        throw CError(flo::kProblemReading, path());
}

void FloFile::checkUnchanged() const
{
    if (!input_.unchanged())
        throw CError(flo::kChanged, path());
}
