#ifndef FLOW_FORMAT_H
#define FLOW_FORMAT_H

// The flow file formats the program reads and writes, each behind one small interface:
// recognise a file by its first bytes, read it into the flow planes, write the planes. Every
// read goes through readFlow.

#include "flo_file.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

enum class FlowFormat { Flo, KittiPng, Pfm, Npy, Flo5 };

class FlowDelivery;
class FlowInput;

// What a writer had to change to make the flow fit its format.
struct WriteReport {
    std::int64_t clampedComponents = 0;
};

// How many of a file's first bytes recognition looks at.
constexpr std::size_t kHeadBytes = 32;

struct FlowCodec {
    FlowFormat format;
    const char *name;   // as messages and help texts name the format
    const char *suffix; // what its files are called
    // Whether a file that starts with these bytes is of this format.
    bool (*recognises)(const unsigned char *head, std::size_t size);
    // The flow the file holds, read through input to its end. nullopt when the content, read
    // further than its first bytes, holds no flow after all. Throws CError naming the file and
    // the fault; no plane is allocated before the header has shown the data is there.
    std::optional<FlowField> (*read)(FlowInput &input, FlowDelivery &delivery);
    // Writes u and v, planes of one size, to path: under a temporary name in its folder,
    // renamed over path only when complete. Throws CError.
    void (*write)(const FloatPlane &u, const FloatPlane &v, const char *path, WriteReport &report);
};

const FlowCodec &flowCodec(FlowFormat format);

// The format a name asks for when a flow is written to it, by its suffix in any case: ".flo",
// ".flo5", ".pfm", ".npy", or ".png" for KITTI's.
std::optional<FlowFormat> flowFormatForName(const std::string &name);

// How a file is known for a flow. Under both rules a name ending in ".flo" (isFloName) is a
// .flo, whatever it holds, read with ReadFlowFile's messages.
enum class FlowRule {
    // The viewer's: any other file is known by its first bytes as KITTI PNG, PFM, .npy or
    // .flo5, never as a .flo ("x.FLO" holds no flow).
    FloByName,
    // By content: any other file is known by its first bytes, the .flo tag among them, so that
    // "x.FLO" or a name without a suffix reads as a .flo when it starts like one.
    ByContent,
};

struct FlowReadOptions {
    FlowReadOptions(FloReadBuffer *buffer = nullptr, const BandPlan &plan = BandPlan(),
                    bool flowRequired = true)
        : buffer(buffer), plan(plan), flowRequired(flowRequired)
    {}

    // The memory the data pass through: one per thread, kept from read to read, spares every
    // read after the first the page faults of fresh memory. Without one the read makes its own.
    FloReadBuffer *buffer;
    // The bands of rows a large .flo is read in, each on its own thread.
    BandPlan plan;
    // Whether a file that cannot be opened, or that no format recognises, is an error; if not,
    // it holds no flow (nullopt), and a viewer's picture reader then has its say.
    bool flowRequired;
    // Told the flow's width and height once its header gives them: a .flo's as read, before
    // they are checked (the viewer shows them for a file that then fails), any other format's
    // once the flow is read.
    std::function<void(int width, int height)> sized;
    // Asked once the header has passed its checks, before memory is taken for the data: where
    // the flow goes, as width x height interleaved (u, v) floats a row after another (an
    // (H, W, 2) array), or null for planes of its own. A .flo is read into it in one read.
    std::function<float *(int width, int height)> destination;
};

// The flow in the file at path, known by rule: its planes, or none when it went to
// options.destination. nullopt when it holds no flow and !options.flowRequired. Throws CError
// naming the file and the fault; a .flo's with ReadFlowFile's messages.
std::optional<FlowField> readFlow(const char *path, FlowRule rule,
                                  const FlowReadOptions &options = FlowReadOptions());

// The format of the file at path as readFlow would decide by rule, from its name or first
// bytes, without reading further: a 16-bit RGB PNG counts as KITTI's here, and only reading it
// tells whether its third channel is a validity mask. nullopt for any other file, or one that
// cannot be opened.
std::optional<FlowFormat> recogniseFlowFile(const char *path, FlowRule rule);

// Writes the flow to path in format. Throws CError.
WriteReport writeFlow(FlowFormat format, const FloatPlane &u, const FloatPlane &v,
                      const char *path);

#endif // FLOW_FORMAT_H
