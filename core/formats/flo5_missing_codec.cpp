// .flo5 in a build without HDF5's library: recognised, so that the user learns why it does not
// open.

#include "cerror.h"
#include "flow_codecs.h"
#include "flow_input.h"

#include <cstring>
#include <string>

namespace {

bool recognises(const unsigned char *head, std::size_t size)
{
    static constexpr unsigned char kSignature[8] = {0x89, 'H', 'D', 'F', '\r', '\n', 0x1a, '\n'};
    return size >= sizeof kSignature && std::memcmp(head, kSignature, sizeof kSignature) == 0;
}

std::optional<FlowField> read(FlowInput &input, FlowDelivery &)
{
    input.fail("built without HDF5");
}

void write(const FloatPlane &, const FloatPlane &, const char *path, WriteReport &)
{
    throw CError((std::string(path) + ": cannot be written: built without HDF5").c_str());
}

} // namespace

const FlowCodec kFlo5Codec{FlowFormat::Flo5, ".flo5", ".flo5", recognises, read, write};
