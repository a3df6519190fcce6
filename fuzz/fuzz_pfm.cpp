// PFM files of any bytes: the header parser, the length check and the read. Whatever reads
// must come back bit for bit through the PFM writer.

#include "cerror.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string &path = fuzzsupport::tempPath("input.pfm");
    fuzzsupport::writeBytes(path, data, size);
    try {
        if (const std::optional<FlowField> flow =
                readFlow(path.c_str(), FlowRule::FloByName, {nullptr, BandPlan(), false}))
            fuzzsupport::checkRoundTrip("fuzz_pfm", *flow, FlowFormat::Pfm);
    } catch (const CError &) {
    }
    return 0;
}
