#include "flow_format.h"

#include "cerror.h"
#include "flow_codecs.h"
#include "flow_input.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Recognition asks the formats in this order; none of their first bytes overlap.
const FlowCodec *const kContentCodecs[] = {&kPfmCodec, &kNpyCodec, &kFlo5Codec, &kKittiPngCodec};

bool endsWith(const char *path, const char *suffix)
{
    const std::size_t n = std::strlen(path);
    const std::size_t m = std::strlen(suffix);
    return n >= m && std::strcmp(path + n - m, suffix) == 0;
}

} // namespace

const FlowCodec &flowCodec(FlowFormat format)
{
    switch (format) {
    case FlowFormat::Flo:
        return kFloCodec;
    case FlowFormat::KittiPng:
        return kKittiPngCodec;
    case FlowFormat::Pfm:
        return kPfmCodec;
    case FlowFormat::Npy:
        return kNpyCodec;
    case FlowFormat::Flo5:
        return kFlo5Codec;
    }
    return kFloCodec;
}

std::optional<FlowFormat> flowFormatForName(const std::string &name)
{
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    std::string suffix = name.substr(dot);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (FlowFormat format : {FlowFormat::Flo, FlowFormat::KittiPng, FlowFormat::Pfm,
                              FlowFormat::Npy, FlowFormat::Flo5})
        if (suffix == flowCodec(format).suffix)
            return format;
    return std::nullopt;
}

namespace {

std::optional<FlowField> readRecognised(FlowInput &input, FloReadBuffer *buffer)
{
    for (const FlowCodec *codec : kContentCodecs)
        if (codec->recognises(input.head(), input.headSize()))
            return codec->read(input, buffer);
    return std::nullopt;
}

} // namespace

std::optional<FlowField> readFlowIfAny(const char *path, FloReadBuffer *buffer)
{
    // The .flo reader decides by name alone, with its own rules and messages.
    if (path && endsWith(path, ".flo"))
        return readFlowField(path, buffer);
    std::optional<FlowInput> input = FlowInput::open(path);
    if (!input)
        return std::nullopt;
    return readRecognised(*input, buffer);
}

FlowField readFlow(const char *path, FloReadBuffer *buffer, const BandPlan &plan)
{
    if (path && endsWith(path, ".flo"))
        return readFlowField(path, buffer, plan);
    FlowInput input(path);
    std::optional<FlowField> flow = readRecognised(input, buffer);
    if (!flow)
        input.fail("not a flow file (.flo, KITTI PNG, PFM, .npy or .flo5)");
    return std::move(*flow);
}

std::optional<FlowFormat> recogniseFlowFile(const char *path)
{
    if (path && endsWith(path, ".flo"))
        return FlowFormat::Flo;
    const std::optional<FlowInput> input = FlowInput::open(path);
    if (!input)
        return std::nullopt;
    for (const FlowCodec *codec : kContentCodecs)
        if (codec->recognises(input->head(), input->headSize()))
            return codec->format;
    return std::nullopt;
}

WriteReport writeFlow(FlowFormat format, const FloatPlane &u, const FloatPlane &v, const char *path)
{
    WriteReport report;
    flowCodec(format).write(u, v, path, report);
    return report;
}
