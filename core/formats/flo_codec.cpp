// .flo: a 12-byte header (the tag "PIEH", width, height) and the (u, v) pairs, little-endian.
// Read through FloFile with ReadFlowFile's messages, whatever the road to it.

#include "atomic_output.h"
#include "byte_order.h"
#include "flo_file.h"
#include "flow_codecs.h"
#include "flow_input.h"

#include <cstring>

namespace {

bool recognises(const unsigned char *head, std::size_t size)
{
    unsigned char tag[4];
    byteorder::storeFloatLittle(tag, flo::kTag);
    return size >= sizeof tag && std::memcmp(head, tag, sizeof tag) == 0;
}

std::optional<FlowField> read(FlowInput &input, FlowDelivery &delivery)
{
    FloFile file(input);
    file.readCheckedHeader([&](int width, int height) { delivery.sized(width, height); });
    if (float *pairs = delivery.destination(file.width(), file.height())) {
        file.readPairs(pairs);
        return FlowField();
    }
    FlowField flow{vek_alloc_2(file.height(), file.width()),
                   vek_alloc_2(file.height(), file.width())};
    file.readPlanes(flow.u, flow.v, delivery.buffer(), delivery.plan());
    return flow;
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
