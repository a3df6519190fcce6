// The flowviewer package's native module: flowcore's readers, writers, colours and figures on
// NumPy arrays.

#include "bindings.h"
#include "errors.h"
#include "flow_arrays.h"

#include "flow_format.h"
#include "flow_scale.h"
#include "flow_statistics.h"
#include "flow_unknown.h"

#include <pybind11/stl.h>

#include <optional>

namespace {

py::array readFile(const py::object &path)
{
    const std::string name = pathOf(path);
    py::object out;
    FlowReadOptions options;
    // Into an array of the caller's from the start: a .flo is one read into it.
    options.destination = [&out](int width, int height) -> float * {
        py::gil_scoped_acquire gil;
        try {
            py::array_t<float> array({py::ssize_t(height), py::ssize_t(width), py::ssize_t(2)});
            out = array;
            return array.mutable_data();
        } catch (const py::error_already_set &) {
            return nullptr; // the reader takes planes of its own then
        }
    };
    const std::optional<FlowField> flow = withoutGil<OSError>(
        [&] { return readFlow(name.c_str(), FlowRule::ByContent, options); });
    // Planes come back only when the array could not be made.
    return flow && flow->u ? py::array(flowArray(flow->u, flow->v)) : py::array(out);
}

void writeFile(const py::object &path, const py::handle &flow)
{
    const std::string name = pathOf(path);
    const std::optional<FlowFormat> format = flowFormatForName(name);
    if (!format)
        throw py::value_error("cannot tell the format from the name '" + name +
                              "': give it .flo, .flo5, .pfm, .npy or .png (KITTI)");
    const FlowField f = flowFromArray(flow, "flow");
    const WriteReport report =
        withoutGil<OSError>([&] { return writeFlow(*format, f.u, f.v, name.c_str()); });
    if (report.clampedComponents > 0)
        py::module_::import("warnings").attr("warn")(
            name + ": " + std::to_string(report.clampedComponents) +
            " components clamped to KITTI's range");
}

py::array_t<bool> known(const py::handle &flow)
{
    const FlowField f = flowFromArray(flow, "flow");
    py::array_t<bool> out({py::ssize_t(f.u.rows()), py::ssize_t(f.u.cols())});
    bool *p = out.mutable_data();
    for (std::size_t i = 0; i < f.u.size(); ++i)
        p[i] = !isUnknownFlow(f.u.data()[i], f.v.data()[i]);
    return out;
}

ViewChoice choiceOf(const std::optional<long long> &cutoff, const std::string &scale,
                    double percentile)
{
    ViewChoice choice;
    choice.greyViews = false;
    if (cutoff && (*cutoff < 0 || *cutoff > std::numeric_limits<int>::max()))
        throw py::value_error("cutoff must be a whole number, 0 or more");
    if (scale == "cutoff") {
        choice.cutoff = cutoff ? int(*cutoff) : -1;
        return choice;
    }
    if (cutoff)
        throw py::value_error("cutoff goes with scale='cutoff'; scale='" + scale +
                              "' chooses the colours another way");
    if (scale == "longest") {
        choice.autoScale = true;
    } else if (scale == "percentile") {
        if (!(percentile > 0 && percentile <= 100))
            throw py::value_error("percentile must be above 0 and at most 100");
        choice.percentile = percentile;
    } else {
        throw py::value_error("scale is 'cutoff', 'longest' or 'percentile', not '" + scale + "'");
    }
    return choice;
}

py::array_t<std::uint8_t> toColor(const py::handle &flow, std::optional<long long> cutoff,
                                  const std::string &scale, double percentile)
{
    const ViewChoice choice = choiceOf(cutoff, scale, percentile);
    const FlowField f = flowFromArray(flow, "flow");
    const FlowPictures pictures = withoutGil([&] { return DrawFlowPictures(f.u, f.v, choice); });
    return pictureArray(pictures.color);
}

py::tuple channels(const py::handle &flow, std::optional<long long> cutoff)
{
    ViewChoice choice = choiceOf(cutoff, "cutoff", 0);
    choice.greyViews = true;
    choice.colourView = false;
    const FlowField f = flowFromArray(flow, "flow");
    const FlowPictures pictures = withoutGil([&] { return DrawFlowPictures(f.u, f.v, choice); });
    return py::make_tuple(greyArray(pictures.dimX), greyArray(pictures.dimY));
}

py::dict statistics(const py::handle &flow)
{
    const FlowField f = flowFromArray(flow, "flow");
    const FlowStatistics s = withoutGil([&] {
        MagnitudeScratch scratch;
        return ComputeFlowStatistics(f.u, f.v, f.u.rows(), f.u.cols(), scratch);
    });
    // Figures of the known vectors are None when no vector is known.
    const auto ofKnown = [&s](double x) { return s.known > 0 ? py::object(py::float_(x)) : py::none(); };
    py::array_t<std::uint64_t> histogram(kMagnitudeBins);
    py::array_t<double> edges(kMagnitudeBins + 1);
    for (int bin = 0; bin < kMagnitudeBins; ++bin) {
        histogram.mutable_at(bin) = s.histogram[std::size_t(bin)];
        edges.mutable_at(bin) = s.binLow(bin);
    }
    edges.mutable_at(kMagnitudeBins) = s.binHigh(kMagnitudeBins - 1);
    py::dict d;
    d["width"] = s.cols;
    d["height"] = s.rows;
    d["known"] = s.known;
    d["unknown"] = s.unknown;
    d["unknown_percent"] = s.unknownPercent();
    d["min_u"] = ofKnown(s.minU);
    d["max_u"] = ofKnown(s.maxU);
    d["min_v"] = ofKnown(s.minV);
    d["max_v"] = ofKnown(s.maxV);
    d["mean_magnitude"] = ofKnown(s.meanMagnitude);
    d["median_magnitude"] = ofKnown(s.medianMagnitude);
    d["percentile99_magnitude"] = ofKnown(s.percentile99Magnitude);
    d["max_magnitude"] = ofKnown(s.maxMagnitude);
    d["histogram"] = histogram;
    d["bin_edges"] = edges;
    return d;
}

} // namespace

PYBIND11_MODULE(_flowviewer, m)
{
    m.doc() = "Optical Flow Viewer's readers, colours and figures on NumPy arrays.";
    m.attr("__version__") = FLOWVIEWER_VERSION;
    m.def("read", &readFile, py::arg("path"),
          "The flow in the file at path, in any format the tools read, as float32 (H, W, 2).");
    m.def("write", &writeFile, py::arg("path"), py::arg("flow"),
          "Writes flow to path in the format of its suffix, atomically, as flowconvert does.");
    m.def("known", &known, py::arg("flow"),
          "Where the vectors are known: no component NaN or beyond 1e9 in magnitude.");
    m.def("to_color", &toColor, py::arg("flow"), py::arg("cutoff") = py::none(),
          py::arg("scale") = "cutoff", py::arg("percentile") = 99.0,
          "The colour view, uint8 (H, W, 3), byte for byte flo2png's.");
    m.def("channels", &channels, py::arg("flow"), py::arg("cutoff") = py::none(),
          "The grey views of u and v, uint8 (H, W) each, as flo2png --channels draws them.");
    m.def("statistics", &statistics, py::arg("flow"),
          "The Statistics panel's figures and magnitude histogram.");
    bindEvaluation(m);
    bindFrameCheck(m);
}
