#include "flow_format.h"

#include "cerror.h"
#include "flow_codecs.h"
#include "flow_input.h"

#include <algorithm>
#include <cctype>

namespace {

// Recognition asks the formats in this order; none of their first bytes overlap.
const FlowCodec *const kContentCodecs[] = {&kPfmCodec, &kNpyCodec, &kFlo5Codec, &kKittiPngCodec,
                                           &kFloCodec};

const FlowCodec *recognise(const FlowInput &input, FlowRule rule)
{
    for (const FlowCodec *codec : kContentCodecs)
        if ((codec != &kFloCodec || rule == FlowRule::ByContent) &&
            codec->recognises(input.head(), input.headSize()))
            return codec;
    return nullptr;
}

// The file at path opened as the rule and the options ask: a .flo by name with its own
// messages, any other file for recognition. nullopt when it cannot be opened and no flow is
// required.
std::optional<FlowInput> openInput(const char *path, const FlowReadOptions &options)
{
    if (isFloName(path))
        return flo::openFloFile(path);
    if (options.flowRequired)
        return FlowInput(path);
    return FlowInput::open(path);
}

void interleave(const FlowField &flow, float *pairs)
{
    for (int y = 0; y < flow.u.rows(); ++y) {
        const float *u = flow.u[y];
        const float *v = flow.v[y];
        for (int x = 0; x < flow.u.cols(); ++x) {
            *pairs++ = u[x];
            *pairs++ = v[x];
        }
    }
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

void FlowDelivery::sized(int width, int height)
{
    sized_ = true;
    if (options_.sized)
        options_.sized(width, height);
}

float *FlowDelivery::destination(int width, int height)
{
    placed_ = true;
    return options_.destination ? options_.destination(width, height) : nullptr;
}

void FlowDelivery::finish(FlowField &flow)
{
    if (placed_)
        return;
    const int width = flow.u.cols();
    const int height = flow.u.rows();
    if (!sized_)
        sized(width, height);
    if (float *pairs = destination(width, height)) {
        interleave(flow, pairs);
        flow = FlowField();
    }
}

std::optional<FlowField> readFlow(const char *path, FlowRule rule, const FlowReadOptions &options)
{
    std::optional<FlowInput> input = openInput(path, options);
    if (!input)
        return std::nullopt;
    const FlowCodec *codec = isFloName(path) ? &kFloCodec : recognise(*input, rule);
    FlowDelivery delivery(options);
    std::optional<FlowField> flow = codec ? codec->read(*input, delivery) : std::nullopt;
    if (!flow) {
        if (options.flowRequired)
            input->fail("not a flow file (.flo, KITTI PNG, PFM, .npy or .flo5)");
        return std::nullopt;
    }
    delivery.finish(*flow);
    return flow;
}

std::optional<FlowFormat> recogniseFlowFile(const char *path, FlowRule rule)
{
    if (isFloName(path))
        return FlowFormat::Flo;
    const std::optional<FlowInput> input = FlowInput::open(path);
    if (!input)
        return std::nullopt;
    if (const FlowCodec *codec = recognise(*input, rule))
        return codec->format;
    return std::nullopt;
}

WriteReport writeFlow(FlowFormat format, const FloatPlane &u, const FloatPlane &v, const char *path)
{
    WriteReport report;
    flowCodec(format).write(u, v, path, report);
    return report;
}
