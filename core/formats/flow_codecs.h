#ifndef FLOW_CODECS_H
#define FLOW_CODECS_H

// Each format's codec, defined in the format's own file.

#include "flow_format.h"

extern const FlowCodec kFloCodec;
extern const FlowCodec kKittiPngCodec;
extern const FlowCodec kPfmCodec;
extern const FlowCodec kNpyCodec;
extern const FlowCodec kFlo5Codec;

// Each side of a flow of any format lies in [1, kMaxFlowSide].
constexpr int kMaxFlowSide = 99999;

#endif // FLOW_CODECS_H
