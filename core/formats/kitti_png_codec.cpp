// KITTI's flow PNG: 16 bits a channel, RGB. u = (R - 32768) / 64, v = (G - 32768) / 64, and a
// pixel is valid where B is not 0. A 16-bit RGB PNG whose third channel holds anything but 0
// and 1 is an ordinary picture.

#include "atomic_output.h"
#include "cerror.h"
#include "flow_codecs.h"
#include "flow_input.h"
#include "flow_unknown.h"

#include <spng.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr int kBitDepth = 16;
constexpr int kColourTypeRgb = 2;
constexpr double kPixelsPerUnit = 64.0;
constexpr int kZero = 32768;
// Deflate never packs more than about 1032 bytes into one; a header promising more pixels than
// the file's length could hold even so is a truncated file, and nothing is allocated for it.
constexpr std::int64_t kMaxDeflateRatio = 1032;
// Ancillary chunks are not read, but a file may still declare huge ones.
constexpr std::size_t kChunkLimit = 64u << 20;

struct ContextFree {
    void operator()(spng_ctx *ctx) const noexcept { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

std::uint32_t bigEndian32(const unsigned char *at)
{
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 |
           at[3];
}

// The signature and an IHDR of 16-bit RGB; the validity channel is checked when read.
bool recognises(const unsigned char *head, std::size_t size)
{
    return size >= 26 && std::memcmp(head, kSignature, 8) == 0 && bigEndian32(head + 8) == 13 &&
           std::memcmp(head + 12, "IHDR", 4) == 0 && head[24] == kBitDepth &&
           head[25] == kColourTypeRgb;
}

[[noreturn]] void failPng(FlowInput &input, int error)
{
    if (error == SPNG_IO_EOF)
        input.fail("file is too short");
    input.fail((std::string("PNG ") + spng_strerror(error)).c_str());
}

// One decoded row of 6-byte pixels (big-endian R, G, B) into the planes' row y. False when a
// third channel holds more than 0 and 1: then the picture is no flow.
bool convertRow(const unsigned char *px, int width, float *u, float *v)
{
    const float unknown = std::numeric_limits<float>::quiet_NaN();
    for (int x = 0; x < width; ++x, px += 6) {
        if (px[4] != 0 || px[5] > 1)
            return false;
        if (px[5] == 0) {
            u[x] = v[x] = unknown;
            continue;
        }
        const int r = px[0] << 8 | px[1];
        const int g = px[2] << 8 | px[3];
        // Exact in float: a whole number below 2^16 over a power of two.
        u[x] = float(r - kZero) / float(kPixelsPerUnit);
        v[x] = float(g - kZero) / float(kPixelsPerUnit);
    }
    return true;
}

std::optional<FlowField> read(FlowInput &input, FloReadBuffer *)
{
    // The whole file in memory first: the decoder then reads it without a call per chunk.
    const std::size_t fileBytes = std::size_t(input.length());
    std::unique_ptr<unsigned char[]> file(new (std::nothrow) unsigned char[fileBytes]);
    if (!file)
        input.fail("out of memory for the %d bytes of the file", (long long)fileBytes);
    input.readExact(file.get(), fileBytes);
    input.expectEnd();

    // The chunks' CRCs are checked, which already covers every byte of the compressed data;
    // the stream's own Adler-32 would check it a second time at a tenth of the decode's cost.
    const Context ctx(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32));
    if (!ctx)
        input.fail("out of memory");
    spng_set_image_limits(ctx.get(), kMaxFlowSide, kMaxFlowSide);
    spng_set_chunk_limits(ctx.get(), kChunkLimit, kChunkLimit);
    if (int error = spng_set_png_buffer(ctx.get(), file.get(), fileBytes))
        failPng(input, error);
    spng_ihdr ihdr;
    if (int error = spng_get_ihdr(ctx.get(), &ihdr))
        failPng(input, error);
    if (ihdr.bit_depth != kBitDepth || ihdr.color_type != kColourTypeRgb)
        return std::nullopt;
    const int width = int(ihdr.width);
    const int height = int(ihdr.height);
    if (width < 1 || width > kMaxFlowSide || height < 1 || height > kMaxFlowSide)
        input.fail("PNG of %d pixels a side is outside 1 to 99999", std::max(width, height));
    const std::int64_t raw = std::int64_t(height) * (1 + 6 * std::int64_t(width));
    if (input.length() * kMaxDeflateRatio < raw)
        input.fail("file is too short for the picture its header describes");

    FlowField flow{vek_alloc_2(height, width), vek_alloc_2(height, width)};
    const std::size_t rowBytes = 6 * std::size_t(width);
    if (ihdr.interlace_method == 0) {
        // Row by row, each converted while it is still in the cache.
        if (int error =
                spng_decode_image(ctx.get(), nullptr, 0, SPNG_FMT_RAW, SPNG_DECODE_PROGRESSIVE))
            failPng(input, error);
        std::unique_ptr<unsigned char[]> row(new (std::nothrow) unsigned char[rowBytes]);
        if (!row)
            input.fail("out of memory");
        for (int y = 0; y < height; ++y) {
            const int error = spng_decode_row(ctx.get(), row.get(), rowBytes);
            if (error != 0 && !(error == SPNG_EOI && y == height - 1))
                failPng(input, error);
            if (!convertRow(row.get(), width, flow.u[y], flow.v[y]))
                return std::nullopt;
        }
        return flow;
    }

    // An interlaced picture comes in passes over the whole of it.
    std::size_t bytes = 0;
    if (int error = spng_decoded_image_size(ctx.get(), SPNG_FMT_RAW, &bytes))
        failPng(input, error);
    std::unique_ptr<unsigned char[]> pixels(new (std::nothrow) unsigned char[bytes]);
    if (!pixels)
        input.fail("out of memory for %d bytes of pixels", (long long)bytes);
    if (int error = spng_decode_image(ctx.get(), pixels.get(), bytes, SPNG_FMT_RAW, 0))
        failPng(input, error);
    for (int y = 0; y < height; ++y)
        if (!convertRow(pixels.get() + rowBytes * std::size_t(y), width, flow.u[y], flow.v[y]))
            return std::nullopt;
    return flow;
}

// R or G of a known component: its nearest 1/64 px above the zero point, inside 16 bits.
std::uint16_t encode(float component, std::int64_t &clamped)
{
    const double level = std::floor(double(component) * kPixelsPerUnit + (kZero + 0.5));
    if (level < 0.0) {
        ++clamped;
        return 0;
    }
    if (level > 65535.0) {
        ++clamped;
        return 65535;
    }
    return std::uint16_t(level);
}

void write(const FloatPlane &u, const FloatPlane &v, const char *path, WriteReport &report)
{
    const int width = u.cols();
    const int height = u.rows();
    const std::size_t bytes = 6 * std::size_t(width) * std::size_t(height);
    std::unique_ptr<unsigned char[]> pixels(new (std::nothrow) unsigned char[bytes]);
    if (!pixels)
        throw CError((std::string(path) + ": cannot be written: out of memory").c_str());
    unsigned char *px = pixels.get();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, px += 6) {
            if (isUnknownFlow(u[y][x], v[y][x])) {
                std::memset(px, 0, 6);
                continue;
            }
            const std::uint16_t r = encode(u[y][x], report.clampedComponents);
            const std::uint16_t g = encode(v[y][x], report.clampedComponents);
            px[0] = std::uint8_t(r >> 8), px[1] = std::uint8_t(r);
            px[2] = std::uint8_t(g >> 8), px[3] = std::uint8_t(g);
            px[4] = 0, px[5] = 1;
        }
    }

    AtomicOutput out(path);
    const Context ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx)
        out.fail("out of memory");
    spng_ihdr ihdr{};
    ihdr.width = std::uint32_t(width);
    ihdr.height = std::uint32_t(height);
    ihdr.bit_depth = kBitDepth;
    ihdr.color_type = kColourTypeRgb;
    int error = spng_set_png_file(ctx.get(), out.stream());
    if (!error)
        error = spng_set_ihdr(ctx.get(), &ihdr);
    if (!error)
        error =
            spng_encode_image(ctx.get(), pixels.get(), bytes, SPNG_FMT_RAW, SPNG_ENCODE_FINALIZE);
    if (error)
        out.fail(std::string("PNG ") + spng_strerror(error));
    out.commit();
}

} // namespace

const FlowCodec kKittiPngCodec{FlowFormat::KittiPng, "KITTI PNG", ".png", recognises, read, write};
