#ifndef COLOR_BOUNDS_H
#define COLOR_BOUNDS_H

namespace rowkernels {

// |fk' - fk| for the approximate angle stays below this, where the proven bound is about
// 2.3e-9 (see color_lanes.h); a pixel whose fk' or channel values lie closer than the margin to
// a truncation boundary goes the exact way.
constexpr double kFkMargin = 1e-7;
// A channel's value before truncation lies within 255 x |col1 - col0| x kFkMargin + 4e-13 of
// the exact one (see color_lanes.h), where 255 x |col1 - col0| is the step between the two
// wheel bytes times 255 x 0.0039215689 < 1.0000001: the margin it must keep from a whole
// number.
constexpr double kStepMargin = 1.0000001 * kFkMargin;
constexpr double kChannelRounding = 1e-12;

} // namespace rowkernels

#endif // COLOR_BOUNDS_H
