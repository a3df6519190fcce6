#include "flow_pictures.h"

#include "cli_common.h"
#include "flow_format.h"

FlowPictures drawFlowFile(const char *path, const ViewChoice &choice, FloReadBuffer *buffer,
                          const BandPlan &plan)
{
    // Through one descriptor, so that a file replaced meanwhile is drawn whole as it was, or
    // refused.
    const FlowField flow = *readFlow(path, kInputRule, {buffer, plan});
    return DrawFlowPictures(flow.u, flow.v, choice, plan);
}
