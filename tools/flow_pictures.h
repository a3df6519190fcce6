#ifndef FLOW_PICTURES_H
#define FLOW_PICTURES_H

#include "planes.h"
#include "row_bands.h"

#include <optional>

class FloReadBuffer;

// How the colour view of a flow is normalised.
struct ViewChoice {
    int cutoff = -1;         // the cutoff to draw at; below 0, the one the viewer opens at
    bool autoScale = false;  // colour view by the longest known vector of the unclamped flow
    double percentile = 0;   // above 0: colour view by this percentile of the magnitudes
    bool needRadius = false; // also find the radius autoScale colours by, for a legend
    bool greyViews = true;   // draw the two grey component views too
    bool keepFlow = false;   // hand the flow's planes back with the views
};

// The colour view and the two grey component views of one flow, byte for byte as the viewer
// draws them. The grey views are drawn at the chosen cutoff, or the opening one with autoScale.
struct FlowPictures {
    PixelPlane color;
    PixelPlane dimX; // empty unless the grey views were asked for
    PixelPlane dimY;
    int cutoff = 0;              // the grey views', and the colour view's without a radius
    std::optional<float> radius; // the colour view's normalising radius under a magnitude scale
    FloatPlane u; // the flow as read, when asked for
    FloatPlane v;
};

// Reads the flow file at path, in any format, and draws its views. The file is checked before
// anything is allocated for it. Throws the reader's CError. The data pass through buffer when one
// is given; the views are drawn in the bands of plan.
FlowPictures drawFlowFile(const char *path, const ViewChoice &choice,
                          FloReadBuffer *buffer = nullptr, const BandPlan &plan = BandPlan());

#endif // FLOW_PICTURES_H
