#ifndef PNG_RGB16_H
#define PNG_RGB16_H

// A 16-bit RGB PNG held in memory, read row by row. libspng reads the header and the chunks
// before the image, and so finds where the image data begin; a picture that is not interlaced
// is then inflated by libdeflate and unfiltered by our kernels, where libspng's own decode of
// 6-byte pixels is several times slower. An interlaced one, or any when asked, goes through
// libspng whole.

#include "png_row_kernels.h"

#include <cstddef>
#include <stdexcept>
#include <string>

// A fault of the file, in the reader's words; %d in the message stands for value.
struct PngFault : std::runtime_error {
    PngFault(const std::string &message, long long value = 0)
        : std::runtime_error(message), value(value)
    {}
    long long value;
};

// Where the rows go.
class Rgb16Rows
{
public:
    virtual ~Rgb16Rows() = default;
    // The picture's size, its header proven plausible for the file's length: before any row.
    virtual void begin(int width, int height) = 0;
    // Row y of 6 bytes a pixel, big-endian R, G, B, with pngkernels::kRowSlack bytes after it
    // that may be read. False stops the read.
    virtual bool row(int y, const unsigned char *pixels) = 0;
};

enum class Rgb16Read { Done, Stopped, NotRgb16 };
enum class PngRoute { Fast, Libspng };

// Reads the PNG of size bytes at file into rows. NotRgb16 for a PNG of another bit depth or
// colour type, before any row. Throws PngFault for a damaged file, having allocated nothing
// for the pixels until the header has shown that the file is long enough to hold them.
Rgb16Read readPngRgb16(const unsigned char *file, std::size_t size, Rgb16Rows &rows,
                       const pngkernels::PngRowKernels &kernels = pngkernels::chosenPngRowKernels(),
                       PngRoute route = PngRoute::Fast);

#endif // PNG_RGB16_H
