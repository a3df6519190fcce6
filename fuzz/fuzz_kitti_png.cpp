// PNG files of any bytes through the KITTI reader: the checks around the decoder (the header,
// the size a file can hold, the validity channel). Every flow read is a multiple of 1/64 px
// within KITTI's range, so it must come back exactly through the KITTI writer.
//
// The reader's own way (our chunk walk, libdeflate, our row kernels) is also held against
// libspng's decode of the same bytes: whatever it reads, libspng reads alike, with the plain
// kernels as with the chosen ones; and what libspng reads it reads too, unless it found one of
// the faults it looks for and libspng does not.

#include "cerror.h"
#include "fuzz_support.h"
#include "png_rgb16.h"

#include <cstring>
#include <vector>

namespace {

class CollectRows : public Rgb16Rows
{
public:
    void begin(int width, int height) override
    {
        rowBytes = 6 * std::size_t(width);
        pixels.assign(rowBytes * std::size_t(height), 0);
    }
    bool row(int y, const unsigned char *px) override
    {
        std::memcpy(pixels.data() + rowBytes * std::size_t(y), px, rowBytes);
        return true;
    }
    std::size_t rowBytes = 0;
    std::vector<unsigned char> pixels;
};

struct Outcome {
    bool read = false;
    bool rgb16 = true;
    std::string fault;
    std::vector<unsigned char> pixels;
};

Outcome decode(const std::uint8_t *data, std::size_t size, const pngkernels::PngRowKernels &kernels,
               PngRoute route)
{
    Outcome outcome;
    CollectRows rows;
    try {
        outcome.rgb16 = readPngRgb16(data, size, rows, kernels, route) != Rgb16Read::NotRgb16;
        outcome.read = outcome.rgb16;
        outcome.pixels = std::move(rows.pixels);
    } catch (const PngFault &fault) {
        outcome.fault = fault.what();
    } catch (const CError &) {
        outcome.fault = "CError";
    }
    return outcome;
}

// Faults of a file that libspng reads all the same: a wrong CRC on an ancillary chunk after
// the image or a type that is no word, PLTE after it, a stream longer or shorter than the
// picture (libspng stops at the last row and never asks for the Adler-32), a file cut short
// after the bytes libspng needed (it never reads on to IEND, nor the rest of the last chunk).
bool onlyStricter(const std::string &fault)
{
    for (const char *stricter :
         {"PNG invalid chunk checksum", "PNG invalid chunk type", "PNG invalid chunk position",
          "PNG IDAT stream too long", "PNG IDAT stream too short", "file is too short"})
        if (fault == stricter)
            return true;
    return false;
}

void compareWithLibspng(const std::uint8_t *data, std::size_t size)
{
    const pngkernels::PngRowKernels &chosen = pngkernels::chosenPngRowKernels();
    const pngkernels::PngRowKernels &plain = *pngkernels::pngRowKernelsFor(pngkernels::Isa::Scalar);
    const Outcome ours = decode(data, size, chosen, PngRoute::Fast);
    const Outcome reference = decode(data, size, plain, PngRoute::Libspng);
    if (ours.rgb16 != reference.rgb16)
        fuzzsupport::broken("fuzz_kitti_png", "the two ways disagree on the kind of PNG");
    if (ours.read && (!reference.read || ours.pixels != reference.pixels))
        fuzzsupport::broken("fuzz_kitti_png", "read a PNG that libspng reads otherwise or not");
    if (reference.read && !ours.read && !onlyStricter(ours.fault))
        fuzzsupport::broken("fuzz_kitti_png",
                            ("refused a PNG libspng reads: " + ours.fault).c_str());
    if (ours.read) {
        const Outcome plainOurs = decode(data, size, plain, PngRoute::Fast);
        if (!plainOurs.read || plainOurs.pixels != ours.pixels)
            fuzzsupport::broken("fuzz_kitti_png", "the plain kernels read otherwise");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    compareWithLibspng(data, size);
    const std::string &path = fuzzsupport::tempPath("input.png");
    fuzzsupport::writeBytes(path, data, size);
    // Mutations can turn the bytes into another format's (a PFM's "PF" first); that format's
    // own target holds its round trip.
    if (recogniseFlowFile(path.c_str(), FlowRule::FloByName) != FlowFormat::KittiPng)
        return 0;
    try {
        if (const std::optional<FlowField> flow =
                readFlow(path.c_str(), FlowRule::FloByName, {nullptr, BandPlan(), false}))
            fuzzsupport::checkRoundTrip("fuzz_kitti_png", *flow, FlowFormat::KittiPng);
    } catch (const CError &) {
    }
    return 0;
}
