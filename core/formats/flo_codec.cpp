// .flo: recognised by its name only, read by FloFile with its own messages.

#include "atomic_output.h"
#include "byte_order.h"
#include "flo_format.h"
#include "flow_codecs.h"
#include "flow_input.h"

namespace {

bool recognises(const unsigned char *, std::size_t)
{
    return false;
}

std::optional<FlowField> read(FlowInput &input, FloReadBuffer *buffer)
{
    return readFlowField(input.path(), buffer);
}

void write(const FloatPlane &u, const FloatPlane &v, const char *path, WriteReport &)
{
    AtomicOutput out(path);
    unsigned char header[flo::kHeaderBytes];
    byteorder::storeFloatLittle(header, flo::kTag);
    byteorder::storeInt32Little(header + 4, u.cols());
    byteorder::storeInt32Little(header + 8, u.rows());
    out.write(header, sizeof header);
    out.writeInterleaved(u, v);
    out.commit();
}

} // namespace

const FlowCodec kFloCodec{FlowFormat::Flo, ".flo", ".flo", recognises, read, write};
