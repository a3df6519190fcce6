#include "png_export.h"

#include "cerror.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

// libdeflate at its level 1, every row filtered Up: of the encoders, levels and filters tried
// on the pictures the program writes, the least time for a size near the smallest. Colour
// views change smoothly from row to row, which is what Up encodes best.

namespace {

constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::uint8_t kFilterUp = 2;
constexpr int kBitDepth = 8;
constexpr int kColourTypeRgb = 2;
constexpr std::uint8_t kUnitMetre = 1;
// Large enough that the 12 bytes around each chunk do not count, small enough for any reader.
constexpr std::size_t kIdatChunkBytes = std::size_t(1) << 20;

void storeBig32(std::uint8_t *at, std::uint32_t value)
{
    at[0] = std::uint8_t(value >> 24);
    at[1] = std::uint8_t(value >> 16);
    at[2] = std::uint8_t(value >> 8);
    at[3] = std::uint8_t(value);
}

void appendChunk(std::vector<std::uint8_t> &file, const char type[4], const std::uint8_t *data,
                 std::size_t n)
{
    std::uint8_t head[8];
    storeBig32(head, std::uint32_t(n));
    std::memcpy(head + 4, type, 4);
    std::uint32_t crc = std::uint32_t(libdeflate_crc32(0, head + 4, 4));
    // libdeflate takes a null buffer for "start a new CRC", whatever the running value.
    if (n > 0)
        crc = std::uint32_t(libdeflate_crc32(crc, data, n));
    std::uint8_t tail[4];
    storeBig32(tail, crc);
    file.insert(file.end(), head, head + sizeof head);
    if (n > 0)
        file.insert(file.end(), data, data + n);
    file.insert(file.end(), tail, tail + sizeof tail);
}

struct CompressorFree {
    void operator()(libdeflate_compressor *c) const noexcept { libdeflate_free_compressor(c); }
};

void check(const RgbPicture &picture, const PngSettings &settings)
{
    if (!picture.pixels || picture.width <= 0 || picture.height <= 0)
        throw CError("PNG picture has no pixels");
    if (picture.stride < 3 * std::size_t(picture.width))
        throw CError("PNG picture rows overlap: %d bytes apart", int(picture.stride));
    if (settings.compression < kPngMinCompression || settings.compression > kPngMaxCompression)
        throw CError("PNG compression level %d is not one of 0 to 9", settings.compression);
}

// Every row behind its filter byte, Up: each byte less the one above it (none above row 0).
std::unique_ptr<std::uint8_t[]> filterRows(const RgbPicture &picture, std::size_t &size)
{
    const std::size_t rowBytes = 3 * std::size_t(picture.width);
    size = (rowBytes + 1) * std::size_t(picture.height);
    std::unique_ptr<std::uint8_t[]> filtered(new std::uint8_t[size]);
    const std::uint8_t *above = nullptr;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t *row = picture.pixels + std::size_t(y) * picture.stride;
        std::uint8_t *out = filtered.get() + std::size_t(y) * (rowBytes + 1);
        *out++ = kFilterUp;
        if (!above) {
            std::memcpy(out, row, rowBytes);
        } else {
            for (std::size_t i = 0; i < rowBytes; ++i)
                out[i] = std::uint8_t(row[i] - above[i]);
        }
        above = row;
    }
    return filtered;
}

} // namespace

std::vector<std::uint8_t> encodeRgbPng(const RgbPicture &picture, const PngSettings &settings)
{
    check(picture, settings);
    std::size_t rawBytes = 0;
    std::unique_ptr<std::uint8_t[]> raw = filterRows(picture, rawBytes);

    const std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(
        libdeflate_alloc_compressor(settings.compression));
    if (!compressor)
        throw std::bad_alloc();
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), rawBytes);
    const std::unique_ptr<std::uint8_t[]> packed(new std::uint8_t[bound]);
    const std::size_t packedBytes =
        libdeflate_zlib_compress(compressor.get(), raw.get(), rawBytes, packed.get(), bound);
    if (packedBytes == 0)
        throw CError("PNG image data cannot be compressed");
    raw.reset();

    std::vector<std::uint8_t> file(kSignature, kSignature + sizeof kSignature);
    file.reserve(packedBytes + 128 + 12 * (packedBytes / kIdatChunkBytes));
    std::uint8_t header[13] = {};
    storeBig32(header, std::uint32_t(picture.width));
    storeBig32(header + 4, std::uint32_t(picture.height));
    header[8] = kBitDepth;
    header[9] = kColourTypeRgb; // compression, filter method and interlace all 0
    appendChunk(file, "IHDR", header, sizeof header);
    if (settings.dotsPerMeterX > 0 || settings.dotsPerMeterY > 0) {
        std::uint8_t phys[9];
        storeBig32(phys, std::uint32_t(std::max(0, settings.dotsPerMeterX)));
        storeBig32(phys + 4, std::uint32_t(std::max(0, settings.dotsPerMeterY)));
        phys[8] = kUnitMetre;
        appendChunk(file, "pHYs", phys, sizeof phys);
    }
    for (std::size_t at = 0; at < packedBytes; at += kIdatChunkBytes)
        appendChunk(file, "IDAT", packed.get() + at, std::min(kIdatChunkBytes, packedBytes - at));
    appendChunk(file, "IEND", nullptr, 0);
    return file;
}
