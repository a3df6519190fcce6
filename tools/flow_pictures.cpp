#include "flow_pictures.h"

#include "cli_common.h"
#include "flow_format.h"

FlowPictures drawFlowFile(const char *path, const ViewChoice &choice, FloReadBuffer *buffer,
                          const BandPlan &plan, FlowField *flow)
{
    // Through one descriptor, so that a file replaced meanwhile is drawn whole as it was, or
    // refused.
    FlowField read = *readFlow(path, kInputRule, {buffer, plan});
    FlowPictures pictures = DrawFlowPictures(read.u, read.v, choice, plan);
    if (flow)
        *flow = std::move(read);
    return pictures;
}
