#ifndef PNG_EXPORT_H
#define PNG_EXPORT_H

// Pictures of 8-bit RGB pixels as plain PNG files (signature, IHDR, pHYs, IDAT, IEND), written
// for speed: the Up filter on every row and libdeflate's zlib stream in one pass. The same
// pixels and settings always give the same bytes, whichever thread or program writes them.

#include <cstddef>
#include <cstdint>
#include <vector>

// 0 stores the rows uncompressed; 9 is the smallest file and the slowest.
constexpr int kPngMinCompression = 0;
constexpr int kPngMaxCompression = 9;
// What every picture is written with unless asked otherwise: libdeflate's fastest level, for
// files a tenth or two larger than the usual writers' level 6 with adaptive filters.
constexpr int kPngDefaultCompression = 1;

// Rows of width RGB pixels (3 bytes each, red first), stride bytes apart.
struct RgbPicture {
    const std::uint8_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
};

struct PngSettings {
    int compression = kPngDefaultCompression; // kPngMinCompression to kPngMaxCompression
    // The resolution recorded in pHYs, in dots per metre; no pHYs when neither is above 0.
    int dotsPerMeterX = 0;
    int dotsPerMeterY = 0;
};

// The whole PNG file. Throws CError for a picture without pixels, rows that overlap or a
// compression level out of range, std::bad_alloc when memory runs out.
std::vector<std::uint8_t> encodeRgbPng(const RgbPicture &picture, const PngSettings &settings);

#endif // PNG_EXPORT_H
