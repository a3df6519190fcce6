// The frame check's routines on arrays: warp, forward-backward consistency and the
// photometric figures, with flowwarp's bytes and digits.

#include "bindings.h"
#include "errors.h"
#include "flow_arrays.h"

#include "frame_check.h"

#include <algorithm>

namespace {

py::tuple warp(const py::handle &frame2, const py::handle &flow)
{
    const FlowField f = flowFromArray(flow, "flow");
    const PixelPlane frame = pictureFromArray(frame2, "frame2");
    PixelPlane warped = vek_alloc_3(f.u.cols(), f.u.rows());
    py::array_t<bool> valid({py::ssize_t(f.u.rows()), py::ssize_t(f.u.cols())});
    std::vector<std::uint8_t> validBytes(f.u.size());
    withoutGil([&] {
        warpFrame(rgbFrame(frame), flowArrays(f.u, f.v), rgbTarget(warped), validBytes.data());
    });
    bool *p = valid.mutable_data();
    for (std::size_t i = 0; i < validBytes.size(); ++i)
        p[i] = validBytes[i] != 0;
    return py::make_tuple(pictureArray(warped), valid);
}

py::array_t<std::uint8_t> consistency(const py::handle &forward, const py::handle &backward)
{
    const FlowField f = flowFromArray(forward, "forward");
    const FlowField b = flowFromArray(backward, "backward");
    py::array_t<std::uint8_t> occlusion({py::ssize_t(f.u.rows()), py::ssize_t(f.u.cols())});
    std::vector<std::uint8_t> bytes(f.u.size());
    withoutGil([&] { checkConsistency(flowArrays(f.u, f.v), flowArrays(b.u, b.v), bytes.data()); });
    std::copy(bytes.begin(), bytes.end(), occlusion.mutable_data());
    return occlusion;
}

py::dict photometric(const py::handle &frame1, const py::handle &warped, const py::handle &valid,
                     const py::handle &occlusion)
{
    const PixelPlane first = pictureFromArray(frame1, "frame1");
    const PixelPlane second = pictureFromArray(warped, "warped");
    const int rows = first.rows();
    const int cols = first.cols();
    if (second.rows() != rows || second.cols() != cols)
        throw py::value_error("warped " + std::to_string(second.cols()) + " x " +
                              std::to_string(second.rows()) + " does not match frame1's " +
                              std::to_string(cols) + " x " + std::to_string(rows));
    const std::vector<std::uint8_t> validBytes = maskFromArray(valid, rows, cols, "valid");
    std::vector<std::uint8_t> occluded;
    if (!occlusion.is_none()) {
        const py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast> levels =
            py::array::ensure(occlusion);
        if (!levels || levels.ndim() != 2 || levels.shape(0) != rows || levels.shape(1) != cols)
            throw py::value_error("occlusion must be uint8 (H, W) of frame1's size");
        occluded.assign(levels.data(), levels.data() + levels.size());
    }
    const PhotometricSums sums = withoutGil([&] {
        return photometricSums(rgbFrame(first), rgbFrame(second), validBytes.data(),
                               occluded.empty() ? nullptr : occluded.data());
    });
    const PhotometricFigures f = photometricFigures(sums);
    py::dict d;
    d["valid"] = f.valid;
    d["valid_share"] = f.validShare;
    d["occluded"] = f.occluded;
    d["mean_abs_error"] = f.meanAbsError;
    d["psnr"] = f.psnr;
    return d;
}

} // namespace

void bindFrameCheck(py::module_ &m)
{
    m.def("warp", &warp, py::arg("frame2"), py::arg("flow"),
          "Frame 2 warped back onto frame 1 by the flow: uint8 (H, W, 3), and where it is "
          "valid, bool (H, W).");
    m.def("consistency", &consistency, py::arg("forward"), py::arg("backward"),
          "The occlusion picture of a forward and a backward flow: uint8 (H, W), 0 consistent, "
          "255 occluded, 128 not checked.");
    m.def("photometric", &photometric, py::arg("frame1"), py::arg("warped"), py::arg("valid"),
          py::arg("occlusion") = py::none(),
          "flowwarp's figures of frame 1 against frame 2 warped.");
}
