#ifndef FLOW_CODECS_H
#define FLOW_CODECS_H

// Each format's codec, defined in the format's own file, and what a codec's read is handed.

#include "flow_format.h"

extern const FlowCodec kFloCodec;
extern const FlowCodec kKittiPngCodec;
extern const FlowCodec kPfmCodec;
extern const FlowCodec kNpyCodec;
extern const FlowCodec kFlo5Codec;

// Each side of a flow of any format lies in [1, kMaxFlowSide].
constexpr int kMaxFlowSide = 99999;

// A read's options, and its two hooks called once each: by a codec that can use them as it
// reads, or by readFlow once a codec has returned planes.
class FlowDelivery
{
public:
    explicit FlowDelivery(const FlowReadOptions &options) : options_(options) {}

    FloReadBuffer *buffer() const { return options_.buffer; }
    const BandPlan &plan() const { return options_.plan; }

    // The header's width and height as read.
    void sized(int width, int height);
    // The header has passed its checks: where the data go, or null for planes.
    float *destination(int width, int height);
    // After a codec's read: the hooks it did not call, and its planes moved into the
    // destination when there is one.
    void finish(FlowField &flow);

private:
    const FlowReadOptions &options_;
    bool sized_ = false;
    bool placed_ = false;
};

#endif // FLOW_CODECS_H
