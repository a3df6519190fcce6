#ifndef SEQUENCE_SCALE_H
#define SEQUENCE_SCALE_H

// One colour scale for a whole sequence, so that a colour means the same speed in every frame:
// the largest of the frames' opening cutoffs, the longest vector of any frame, or the
// nearest-rank percentile of all frames' known magnitudes pooled. Frames are looked at one by
// one and in any number of threads; only what a frame adds to the pool is kept.

#include "planes.h"
#include "row_bands.h"

#include <cstdint>
#include <optional>
#include <vector>

enum class SequenceScaleKind { OpeningCutoff, LongestVector, Percentile };

// What a colour view is drawn at: the cutoff, and under a magnitude scale the radius.
struct SequenceScale {
    int cutoff = 0;
    std::optional<float> radius;
};

// A known vector's magnitude as the statistics take it: sqrt(u^2 + v^2) in double from the
// float components, rounded to float.
float knownMagnitude(float u, float v);

// What one frame adds to the pool. For a percentile, the count of its known magnitudes by the
// upper half of their bits (floats of one sign order as their bits do), and in the second
// pass the magnitudes whose upper half is the one that holds the rank.
struct FrameScaleFacts {
    int openingCutoff = 0;
    float longest = -1; // -1: no known vector
    std::vector<std::uint64_t> counts;
    std::vector<float> inStretch;
};

class PooledScale
{
public:
    PooledScale(SequenceScaleKind kind, double percentile);

    // Whether the frames must be looked at a second time (a percentile) before result().
    bool needsSecondPass() const;
    // The facts of one frame in the current pass. Thread-safe: reads only the pool's settings
    // and, in the second pass, the stretch chosen.
    FrameScaleFacts facts(const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                          const BandPlan &plan = BandPlan()) const;
    // Adds a frame's facts to the pool, on one thread.
    void add(FrameScaleFacts &facts);
    // Ends the first pass.
    void startSecondPass();
    // The scale for every frame; a radius of -1 when no frame has a known vector.
    SequenceScale result();

private:
    SequenceScaleKind kind_;
    double percentile_;
    bool second_ = false;
    int cutoff_ = 0;
    float longest_ = -1;
    std::vector<std::uint64_t> counts_;
    std::uint64_t rank_ = 0;    // among all known magnitudes, from 1
    std::uint32_t stretch_ = 0; // the upper bits of the magnitude of that rank
    std::uint64_t below_ = 0;   // magnitudes of lower stretches
    std::vector<float> pooled_; // the stretch's magnitudes of every frame
};

#endif // SEQUENCE_SCALE_H
