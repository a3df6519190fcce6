// .npy files whose header dictionary and data the fuzzer writes: the parser on its own, then
// the whole read. The input is the dictionary's text, then, after a NUL, the data.

#include "cerror.h"
#include "fuzz_support.h"
#include "npy_header.h"

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::uint8_t *end = data + size;
    const std::uint8_t *nul = std::find(data, end, std::uint8_t(0));
    const std::size_t headerBytes = std::size_t(nul - data);

    NpyHeader header;
    std::string error;
    if (parseNpyHeader(reinterpret_cast<const char *>(data), headerBytes, header, error)) {
        if (header.shape.size() > 32)
            fuzzsupport::broken("fuzz_npy", "a shape of more than 32 dimensions was accepted");
    } else if (error.empty()) {
        fuzzsupport::broken("fuzz_npy", "a refused header came without a reason");
    }

    std::vector<std::uint8_t> file = {0x93,
                                      'N',
                                      'U',
                                      'M',
                                      'P',
                                      'Y',
                                      1,
                                      0,
                                      std::uint8_t(headerBytes & 0xff),
                                      std::uint8_t((headerBytes >> 8) & 0xff)};
    file.insert(file.end(), data, nul);
    if (nul != end)
        file.insert(file.end(), nul + 1, end);
    const std::string &path = fuzzsupport::tempPath("input.npy");
    fuzzsupport::writeBytes(path, file.data(), file.size());
    try {
        if (const std::optional<FlowField> flow =
                readFlow(path.c_str(), FlowRule::FloByName, {nullptr, BandPlan(), false}))
            fuzzsupport::checkRoundTrip("fuzz_npy", *flow, FlowFormat::Npy);
    } catch (const CError &) {
    }
    return 0;
}
