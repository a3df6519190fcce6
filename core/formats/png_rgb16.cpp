#include "png_rgb16.h"

#include "flow_codecs.h"
#include "png_chunks.h"

#include <libdeflate.h>
#include <spng.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr int kBitDepth = 16;
constexpr int kColourTypeRgb = 2;
// Deflate never packs more than about 1032 bytes into one; a header promising more pixels than
// the file's length could hold even so is a truncated file, and nothing is allocated for it.
constexpr std::int64_t kMaxDeflateRatio = 1032;
// Ancillary chunks are not read, but a file may still declare huge ones.
constexpr std::size_t kChunkLimit = 64u << 20;
// The zlib header before the deflate data, the Adler-32 after it.
constexpr std::size_t kZlibHeader = 2;
constexpr std::size_t kZlibTrailer = 4;

constexpr const char *kStreamError = "PNG IDAT stream error";
constexpr const char *kStreamShort = "PNG IDAT stream too short";
constexpr const char *kStreamLong = "PNG IDAT stream too long";

struct ContextFree {
    void operator()(spng_ctx *ctx) const noexcept { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

struct DecompressorFree {
    void operator()(libdeflate_decompressor *d) const noexcept { libdeflate_free_decompressor(d); }
};
using Decompressor = std::unique_ptr<libdeflate_decompressor, DecompressorFree>;

using Bytes = std::unique_ptr<unsigned char[]>;

[[noreturn]] void failPng(int error)
{
    if (error == SPNG_IO_EOF)
        throw PngFault("file is too short");
    throw PngFault(std::string("PNG ") + spng_strerror(error));
}

void check(const char *fault)
{
    if (fault)
        throw PngFault(fault);
}

// The file in memory as libspng's stream: where it has read to tells where the chunk it
// stopped at begins.
struct MemoryStream {
    const unsigned char *file;
    std::size_t size;
    std::size_t at = 0;
};

int readMemory(spng_ctx *, void *user, void *out, std::size_t n)
{
    MemoryStream &stream = *static_cast<MemoryStream *>(user);
    if (n > stream.size - stream.at)
        return SPNG_IO_EOF;
    std::memcpy(out, stream.file + stream.at, n);
    stream.at += n;
    return 0;
}

// A decoder of the flow's limits, without the Adler-32 check: the chunks' CRCs already cover
// every byte of the compressed data.
Context decoder()
{
    Context ctx(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32));
    if (!ctx)
        throw PngFault("out of memory");
    spng_set_image_limits(ctx.get(), kMaxFlowSide, kMaxFlowSide);
    spng_set_chunk_limits(ctx.get(), kChunkLimit, kChunkLimit);
    return ctx;
}

Bytes allocate(std::size_t bytes, const char *what)
{
    Bytes block(new (std::nothrow) unsigned char[bytes]);
    if (!block)
        throw PngFault(what, (long long)bytes);
    return block;
}

// The whole picture through libspng, from memory as it reads it best.
Rgb16Read readWithLibspng(const unsigned char *file, std::size_t size, Rgb16Rows &rows)
{
    const Context owned = decoder();
    spng_ctx *ctx = owned.get();
    spng_ihdr ihdr;
    if (int error = spng_set_png_buffer(ctx, file, size))
        failPng(error);
    if (int error = spng_get_ihdr(ctx, &ihdr))
        failPng(error);
    const int width = int(ihdr.width);
    const int height = int(ihdr.height);
    const std::size_t rowBytes = 6 * std::size_t(width);
    rows.begin(width, height);
    if (ihdr.interlace_method == 0) {
        // Row by row, each handed on while it is still in the cache.
        if (int error = spng_decode_image(ctx, nullptr, 0, SPNG_FMT_RAW, SPNG_DECODE_PROGRESSIVE))
            failPng(error);
        Bytes row = allocate(rowBytes + pngkernels::kRowSlack, "out of memory");
        std::memset(row.get(), 0, rowBytes + pngkernels::kRowSlack);
        for (int y = 0; y < height; ++y) {
            const int error = spng_decode_row(ctx, row.get(), rowBytes);
            if (error != 0 && !(error == SPNG_EOI && y == height - 1))
                failPng(error);
            if (!rows.row(y, row.get()))
                return Rgb16Read::Stopped;
        }
    } else {
        // An interlaced picture comes in passes over the whole of it.
        std::size_t bytes = 0;
        if (int error = spng_decoded_image_size(ctx, SPNG_FMT_RAW, &bytes))
            failPng(error);
        Bytes pixels =
            allocate(bytes + pngkernels::kRowSlack, "out of memory for %d bytes of pixels");
        std::memset(pixels.get() + bytes, 0, pngkernels::kRowSlack);
        if (int error = spng_decode_image(ctx, pixels.get(), bytes, SPNG_FMT_RAW, 0))
            failPng(error);
        for (int y = 0; y < height; ++y)
            if (!rows.row(y, pixels.get() + rowBytes * std::size_t(y)))
                return Rgb16Read::Stopped;
    }
    // libspng stops reading once it has the last row: the CRC of the last IDAT chunk and the
    // chunks up to IEND are checked only when asked for.
    if (int error = spng_decode_chunks(ctx))
        failPng(error);
    return Rgb16Read::Done;
}

// The zlib stream of the IDAT run inflated into raw, which holds rawBytes exactly.
void inflateIdat(const unsigned char *stream, std::size_t streamBytes, unsigned char *raw,
                 std::size_t rawBytes)
{
    if (streamBytes < kZlibHeader)
        throw PngFault(kStreamShort);
    // Deflate (method 8) with a window of at most 32 KB and no preset dictionary.
    const unsigned cmf = stream[0];
    const unsigned flg = stream[1];
    if ((cmf & 0x0f) != 8 || (cmf >> 4) > 7 || (cmf << 8 | flg) % 31 != 0 || (flg & 0x20))
        throw PngFault(kStreamError);
    const Decompressor decompressor(libdeflate_alloc_decompressor());
    if (!decompressor)
        throw PngFault("out of memory");
    std::size_t read = 0;
    std::size_t written = 0;
    // The Adler-32 at the end is not checked: every chunk's CRC already covers those bytes.
    switch (libdeflate_deflate_decompress_ex(decompressor.get(), stream + kZlibHeader,
                                             streamBytes - kZlibHeader, raw, rawBytes, &read,
                                             &written)) {
    case LIBDEFLATE_SUCCESS:
        break;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        throw PngFault(kStreamLong);
    default:
        throw PngFault(kStreamError);
    }
    if (written < rawBytes)
        throw PngFault(kStreamShort);
    const std::size_t left = streamBytes - kZlibHeader - read;
    if (left < kZlibTrailer)
        throw PngFault(kStreamShort);
    if (left > kZlibTrailer)
        throw PngFault(kStreamLong);
}

// Our own road from the first IDAT, whose chunk begins at idat.
Rgb16Read readFast(const unsigned char *file, std::size_t size, std::size_t idat, int width,
                   int height, Rgb16Rows &rows, const pngkernels::PngRowKernels &kernels)
{
    pngchunks::IdatRun run;
    check(pngchunks::findIdatRun(file, size, idat, run));

    const std::size_t rowBytes = 6 * std::size_t(width);
    const std::size_t rawBytes = std::size_t(height) * (1 + rowBytes);
    if (run.dataBytes * kMaxDeflateRatio < rawBytes)
        throw PngFault(kStreamShort);
    // One chunk is inflated where it lies; more are gathered first.
    Bytes gathered;
    const unsigned char *stream = file + run.first + 8;
    if (run.chunks > 1) {
        gathered = allocate(std::size_t(run.dataBytes), "out of memory");
        pngchunks::gatherIdat(file, run, gathered.get());
        stream = gathered.get();
    }
    using pngkernels::kRowSlack;
    Bytes raw = allocate(rawBytes + kRowSlack, "out of memory for %d bytes of pixels");
    std::memset(raw.get() + rawBytes, 0, kRowSlack);
    inflateIdat(stream, std::size_t(run.dataBytes), raw.get(), rawBytes);
    gathered.reset();

    // Three rows take turns: the one above (zeros above the first) and the one or two being
    // unfiltered.
    const std::size_t stride = rowBytes + kRowSlack;
    Bytes rowStore = allocate(3 * stride, "out of memory");
    std::memset(rowStore.get(), 0, 3 * stride);
    unsigned char *turn[3] = {rowStore.get(), rowStore.get() + stride, rowStore.get() + 2 * stride};
    rows.begin(width, height);
    const unsigned char *in = raw.get();
    for (int y = 0; y < height;) {
        const unsigned char *next = in + 1 + rowBytes;
        const int filter = in[0];
        if (filter >= pngkernels::kFilterTypes)
            failPng(SPNG_EFILTER);
        // Two Paeth rows in a row go together: the vector forms then serve both at once.
        if (filter == 4 && y + 1 < height && next[0] == 4) {
            kernels.paethRowPair(in + 1, next + 1, turn[0], turn[1], turn[2], rowBytes);
            if (!rows.row(y, turn[1]) || !rows.row(y + 1, turn[2]))
                return Rgb16Read::Stopped;
            std::swap(turn[0], turn[2]);
            y += 2;
            in = next + 1 + rowBytes;
            continue;
        }
        kernels.unfilterRow(filter, in + 1, turn[0], turn[1], rowBytes);
        if (!rows.row(y, turn[1]))
            return Rgb16Read::Stopped;
        std::swap(turn[0], turn[1]);
        ++y;
        in = next;
    }
    check(pngchunks::checkChunksAfterIdat(file, size, run.end));
    return Rgb16Read::Done;
}

} // namespace

Rgb16Read readPngRgb16(const unsigned char *file, std::size_t size, Rgb16Rows &rows,
                       const pngkernels::PngRowKernels &kernels, PngRoute route)
{
    MemoryStream stream{file, size};
    const Context ctx = decoder();
    if (int error = spng_set_png_stream(ctx.get(), readMemory, &stream))
        failPng(error);
    spng_ihdr ihdr;
    if (int error = spng_get_ihdr(ctx.get(), &ihdr))
        failPng(error);
    if (ihdr.bit_depth != kBitDepth || ihdr.color_type != kColourTypeRgb)
        return Rgb16Read::NotRgb16;
    // libspng has held each side to 1 .. kMaxFlowSide.
    const int width = int(ihdr.width);
    const int height = int(ihdr.height);
    const std::int64_t raw = std::int64_t(height) * (1 + 6 * std::int64_t(width));
    if (std::int64_t(size) * kMaxDeflateRatio < raw)
        throw PngFault("file is too short for the picture its header describes");

    if (ihdr.interlace_method != 0 || route == PngRoute::Libspng)
        return readWithLibspng(file, size, rows);
    // libspng reads the chunks before the image and stops after the first IDAT's length and
    // type, 8 bytes into that chunk.
    if (int error = spng_decode_chunks(ctx.get()))
        failPng(error);
    return readFast(file, size, stream.at - 8, width, height, rows, kernels);
}
