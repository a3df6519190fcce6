#ifndef FLOW_ARRAYS_H
#define FLOW_ARRAYS_H

// NumPy arrays in and out of the planes flowcore works on. Everything here runs with the GIL
// held and copies, so that the C++ work after it can let go of the GIL and never sees the
// caller's memory change under it, nor writes into it.

#include "flow_format.h"
#include "planes.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <vector>

namespace py = pybind11;

// A flow from any array-like of float32 or float64, shaped (H, W, 2) or (2, H, W), in any
// memory layout: an array whose last axis has 2 entries is (H, W, 2). Raises TypeError for
// another type and ValueError for another shape or an empty one; what names it in messages.
FlowField flowFromArray(const py::handle &object, const char *what);

// A mask of rows x cols from any array-like of numbers or booleans, set where non-zero.
std::vector<std::uint8_t> maskFromArray(const py::handle &object, int rows, int cols,
                                        const char *what);

// An RGB picture (H, W, 3) from any array-like of uint8; a grey one (H, W) has three equal
// channels.
PixelPlane pictureFromArray(const py::handle &object, const char *what);

// The flow as a new float32 array (H, W, 2).
py::array_t<float> flowArray(const FloatPlane &u, const FloatPlane &v);
// One float plane as a new array (H, W).
py::array_t<float> planeArray(const FloatPlane &plane);
// A 3-byte picture as a new uint8 array (H, W, 3), or its first channel only (H, W).
py::array_t<std::uint8_t> pictureArray(const PixelPlane &picture);
py::array_t<std::uint8_t> greyArray(const PixelPlane &picture);

// The path os.fspath gives for a str, bytes or path-like object, in the file system's encoding.
std::string pathOf(const py::handle &path);

#endif // FLOW_ARRAYS_H
