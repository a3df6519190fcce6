// PNG files of any bytes through the KITTI reader: the checks around the decoder (the header,
// the size a file can hold, the validity channel). Every flow read is a multiple of 1/64 px
// within KITTI's range, so it must come back exactly through the KITTI writer.

#include "cerror.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string &path = fuzzsupport::tempPath("input.png");
    fuzzsupport::writeBytes(path, data, size);
    try {
        if (const std::optional<FlowField> flow = readFlowIfAny(path.c_str()))
            fuzzsupport::checkRoundTrip("fuzz_kitti_png", *flow, FlowFormat::KittiPng);
    } catch (const CError &) {
    }
    return 0;
}
