#ifndef FLOW_FORMAT_H
#define FLOW_FORMAT_H

// The flow file formats the program reads and writes, each behind one small interface:
// recognise a file by its first bytes, read it into the flow planes, write the planes.

#include "flo_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

enum class FlowFormat { Flo, KittiPng, Pfm, Npy, Flo5 };

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
    std::optional<FlowField> (*read)(FlowInput &input, FloReadBuffer *buffer);
    // Writes u and v, planes of one size, to path: under a temporary name in its folder,
    // renamed over path only when complete. Throws CError.
    void (*write)(const FloatPlane &u, const FloatPlane &v, const char *path, WriteReport &report);
};

const FlowCodec &flowCodec(FlowFormat format);

// The format a name asks for when a flow is written to it, by its suffix in any case: ".flo",
// ".flo5", ".pfm", ".npy", or ".png" for KITTI's.
std::optional<FlowFormat> flowFormatForName(const std::string &name);

// The flow in the file at path: a name ending in ".flo" goes to the .flo reader, with its
// messages; any other file is recognised by its content. nullopt when the content is no flow
// format's, as for an ordinary picture, or when the path names no regular file: the caller's
// picture reader then has its say. Throws CError for a flow file that cannot be read.
std::optional<FlowField> readFlowIfAny(const char *path, FloReadBuffer *buffer = nullptr);

// The same, with a file that cannot be opened or holds no flow format an error too. A large
// .flo is read in the bands of plan.
FlowField readFlow(const char *path, FloReadBuffer *buffer = nullptr,
                   const BandPlan &plan = BandPlan());

// The format of the file at path as reading it would decide, from its name (".flo") or first
// bytes, without reading further: a 16-bit RGB PNG counts as KITTI's here, and only reading it
// tells whether its third channel is a validity mask. nullopt for any other file, or one that
// cannot be opened.
std::optional<FlowFormat> recogniseFlowFile(const char *path);

// Writes the flow to path in format. Throws CError.
WriteReport writeFlow(FlowFormat format, const FloatPlane &u, const FloatPlane &v,
                      const char *path);

#endif // FLOW_FORMAT_H
