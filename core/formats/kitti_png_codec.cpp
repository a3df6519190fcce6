// KITTI's flow PNG: 16 bits a channel, RGB. u = (R - 32768) / 64, v = (G - 32768) / 64, and a
// pixel is valid where B is not 0. A 16-bit RGB PNG whose third channel holds anything but 0
// and 1 is an ordinary picture.

#include "atomic_output.h"
#include "cerror.h"
#include "flow_codecs.h"
#include "flow_input.h"
#include "flow_unknown.h"
#include "png_rgb16.h"

#include <spng.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr int kBitDepth = 16;
constexpr int kColourTypeRgb = 2;
constexpr double kPixelsPerUnit = 64.0;
constexpr int kZero = 32768;

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

// The planes, allocated once the header has proven itself, filled row by row.
class FlowRows : public Rgb16Rows
{
public:
    explicit FlowRows(const pngkernels::PngRowKernels &kernels) : kernels(kernels) {}
    void begin(int width, int height) override
    {
        flow = FlowField{vek_alloc_2(height, width), vek_alloc_2(height, width)};
    }
    bool row(int y, const unsigned char *pixels) override
    {
        return kernels.kittiFlowRow(pixels, flow.u.cols(), flow.u[y], flow.v[y]);
    }
    const pngkernels::PngRowKernels &kernels;
    FlowField flow;
};

std::optional<FlowField> read(FlowInput &input, FlowDelivery &)
{
    // The whole file in memory first, where the chunk walk and libspng both read it.
    const std::size_t fileBytes = std::size_t(input.length());
    std::unique_ptr<unsigned char[]> file(new (std::nothrow) unsigned char[fileBytes]);
    if (!file)
        input.fail("out of memory for the %d bytes of the file", (long long)fileBytes);
    input.readExact(file.get(), fileBytes);
    input.expectEnd();

    const pngkernels::PngRowKernels &kernels = pngkernels::chosenPngRowKernels();
    FlowRows rows(kernels);
    try {
        if (readPngRgb16(file.get(), fileBytes, rows, kernels) != Rgb16Read::Done)
            return std::nullopt;
    } catch (const PngFault &fault) {
        input.fail(fault.what(), fault.value);
    }
    return std::move(rows.flow);
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
