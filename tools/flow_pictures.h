#ifndef FLOW_PICTURES_H
#define FLOW_PICTURES_H

#include "flow_scale.h"

class FloReadBuffer;
struct FlowField;

// Reads the flow file at path, in any format, and draws its views. The file is checked before
// anything is allocated for it. Throws the reader's CError. The data pass through buffer when one
// is given; the views are drawn in the bands of plan. With flow given, the planes read are handed
// over there, for what is drawn over the views.
FlowPictures drawFlowFile(const char *path, const ViewChoice &choice,
                          FloReadBuffer *buffer = nullptr, const BandPlan &plan = BandPlan(),
                          FlowField *flow = nullptr);

#endif // FLOW_PICTURES_H
