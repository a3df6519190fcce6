// floweval's figures for pairs in memory and for folders of files.

#include "bindings.h"
#include "errors.h"
#include "flow_arrays.h"

#include "eval_pair.h"
#include "eval_pairs.h"
#include "eval_record.h"
#include "ordered_batch.h"

#include "flow_metrics.h"

#include <QFile>

#include <pybind11/stl.h>

#include <cmath>
#include <optional>
#include <thread>

namespace {

// The figures and the sums under floweval's CSV names; the masks' only with them.
py::dict figuresDict(const EvalSums &s, const EvalFigures &f, bool occlusions, bool objects)
{
    py::dict d;
    d["evaluated"] = f.evaluated;
    d["coverage"] = f.coverage;
    d["aee"] = f.aee;
    d["aae"] = f.aae;
    d["fl_all"] = f.flAll;
    d["px1"] = f.px1;
    d["px3"] = f.px3;
    d["px5"] = f.px5;
    d["aee_s0_10"] = f.aeeSpeed[0];
    d["aee_s10_40"] = f.aeeSpeed[1];
    d["aee_s40"] = f.aeeSpeed[2];
    if (occlusions) {
        d["aee_matched"] = f.aeeMatched;
        d["aee_unmatched"] = f.aeeUnmatched;
    }
    if (objects) {
        d["fl_bg"] = f.flBg;
        d["fl_fg"] = f.flFg;
    }
    d["gt_known"] = s.gtKnown;
    d["epe_sum"] = s.epe;
    d["angle_sum"] = s.angle;
    d["outliers"] = s.outliers;
    d["below1"] = s.below1;
    d["below3"] = s.below3;
    d["below5"] = s.below5;
    const char *bands[kSpeedBands] = {"s0_10", "s10_40", "s40"};
    for (int b = 0; b < kSpeedBands; ++b) {
        d[bands[b]] = s.speedCount[b];
        d[(std::string(bands[b]) + "_epe_sum").c_str()] = s.speedEpe[b];
    }
    if (occlusions) {
        d["matched"] = s.matched;
        d["matched_epe_sum"] = s.matchedEpe;
        d["unmatched"] = s.unmatched;
        d["unmatched_epe_sum"] = s.unmatchedEpe;
    }
    if (objects) {
        d["background"] = s.background;
        d["foreground"] = s.foreground;
        d["bg_outliers"] = s.bgOutliers;
        d["fg_outliers"] = s.fgOutliers;
    }
    return d;
}

// The sums a figures dict carries, for pooling.
EvalSums sumsOf(const py::dict &d, bool occlusions, bool objects)
{
    const auto item = [&d](const char *name) {
        if (!d.contains(name))
            throw py::value_error(std::string("a result without '") + name +
                                  "': pool the dicts evaluate gives");
        return py::object(d[name]);
    };
    const auto count = [&item](const char *name) { return item(name).cast<std::int64_t>(); };
    const auto sum = [&item](const char *name) { return item(name).cast<double>(); };
    EvalSums s;
    s.evaluated = count("evaluated");
    s.gtKnown = count("gt_known");
    s.epe = sum("epe_sum");
    s.angle = sum("angle_sum");
    s.outliers = count("outliers");
    s.below1 = count("below1");
    s.below3 = count("below3");
    s.below5 = count("below5");
    s.speedCount[0] = count("s0_10");
    s.speedCount[1] = count("s10_40");
    s.speedCount[2] = count("s40");
    s.speedEpe[0] = sum("s0_10_epe_sum");
    s.speedEpe[1] = sum("s10_40_epe_sum");
    s.speedEpe[2] = sum("s40_epe_sum");
    if (occlusions) {
        s.matched = count("matched");
        s.unmatched = count("unmatched");
        s.matchedEpe = sum("matched_epe_sum");
        s.unmatchedEpe = sum("unmatched_epe_sum");
    }
    if (objects) {
        s.background = count("background");
        s.foreground = count("foreground");
        s.bgOutliers = count("bg_outliers");
        s.fgOutliers = count("fg_outliers");
    }
    return s;
}

struct Pair {
    FlowField estimate;
    FlowField truth;
};

Pair pairOf(const py::handle &estimate, const py::handle &truth)
{
    Pair p{flowFromArray(estimate, "estimate"), flowFromArray(truth, "ground_truth")};
    if (p.truth.u.rows() != p.estimate.u.rows() || p.truth.u.cols() != p.estimate.u.cols())
        throw py::value_error("ground_truth " + std::to_string(p.truth.u.cols()) + " x " +
                              std::to_string(p.truth.u.rows()) + " does not match the estimate's " +
                              std::to_string(p.estimate.u.cols()) + " x " +
                              std::to_string(p.estimate.u.rows()));
    return p;
}

py::dict evaluate(const py::handle &estimate, const py::handle &truth, const py::handle &occ,
                  const py::handle &fg, const py::handle &exclude)
{
    Pair p = pairOf(estimate, truth);
    const int rows = p.truth.u.rows();
    const int cols = p.truth.u.cols();
    const auto mask = [&](const py::handle &m, const char *what) {
        return m.is_none() ? std::vector<std::uint8_t>() : maskFromArray(m, rows, cols, what);
    };
    const std::vector<std::uint8_t> occluded = mask(occ, "occ");
    const std::vector<std::uint8_t> objects = mask(fg, "fg");
    const std::vector<std::uint8_t> excluded = mask(exclude, "exclude");
    const EvalSums sums = withoutGil([&] {
        if (!excluded.empty())
            excludePixels(p.truth.u, p.truth.v, excluded.data());
        return evaluateFlow(p.estimate.u, p.estimate.v, p.truth.u, p.truth.v,
                            {occluded.empty() ? nullptr : occluded.data(),
                             objects.empty() ? nullptr : objects.data()});
    });
    return figuresDict(sums, evalFigures(sums), !occluded.empty(), !objects.empty());
}

EvalAverage averageOf(const std::string &average)
{
    if (average != "pixel" && average != "image")
        throw py::value_error("average is 'pixel' or 'image', not '" + average + "'");
    return average == "image" ? EvalAverage::Image : EvalAverage::Pixel;
}

py::dict pool(const py::list &results, const std::string &average)
{
    const EvalAverage mode = averageOf(average);
    bool occlusions = false;
    bool objects = false;
    QList<PairRecord> pairs;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const py::dict d = results[i].cast<py::dict>();
        const bool o = d.contains("aee_matched");
        const bool f = d.contains("fl_bg");
        if (i > 0 && (o != occlusions || f != objects))
            throw py::value_error("the results differ in their masks: pool results of one kind");
        occlusions = o;
        objects = f;
        PairRecord record;
        record.sums = sumsOf(d, o, f);
        pairs.append(record);
    }
    // floweval's all row, pooled by its own routine.
    const EvalRow all = evalRows(pairs, mode).constLast();
    py::dict d = figuresDict(all.sums, all.figures, occlusions, objects);
    d["images"] = all.images;
    return d;
}

py::list evaluateFolders(const py::object &estDir, const py::object &gtDir, bool recursive,
                         std::optional<int> jobs, const std::string &average)
{
    const EvalAverage mode = averageOf(average);
    const QString est = QFile::decodeName(QByteArray::fromStdString(pathOf(estDir)));
    const QString gt = QFile::decodeName(QByteArray::fromStdString(pathOf(gtDir)));
    const int threads =
        jobs ? *jobs : std::max(1, int(std::thread::hardware_concurrency()));
    if (threads < 1 || threads > 256)
        throw py::value_error("jobs must be a whole number from 1 to 256");
    QList<EvalJob> pairs;
    QString error;
    if (!pairFolders(est, gt, recursive, &pairs, &error))
        raiseOsError(error.toStdString());
    QList<PairRecord> records;
    QStringList failures;
    {
        py::gil_scoped_release release;
        PerWorker<FloReadBuffer> buffers(threads);
        const BandPlan bands = bandsPerItem(threads, int(pairs.size()));
        runOrdered<PairOutcome>(
            int(pairs.size()), threads,
            [&](int item, int worker) {
                return evaluatePair(pairs.at(item), buffers[worker], bands);
            },
            [&](int, PairOutcome &outcome) {
                failures << outcome.errors;
                if (outcome.evaluated)
                    records.append(outcome.record);
            });
    }
    // Reported, as floweval reports them, and left out of the figures.
    for (const QString &failure : std::as_const(failures))
        py::module_::import("warnings").attr("warn")(failure.toStdString());
    py::list out;
    for (const EvalRow &row : evalRows(records, mode)) {
        py::dict d = figuresDict(row.sums, row.figures, false, false);
        switch (row.kind) {
        case EvalRow::Pair:
            d["estimate"] = row.estimate.toStdString();
            d["ground_truth"] = row.groundTruth.toStdString();
            d["width"] = row.width;
            d["height"] = row.height;
            break;
        case EvalRow::Folder:
            d["folder"] = row.estimate.toStdString();
            d["images"] = row.images;
            break;
        case EvalRow::All:
            d["estimate"] = "all";
            d["images"] = row.images;
            break;
        }
        out.append(d);
    }
    return out;
}

py::array_t<float> epe(const py::handle &estimate, const py::handle &truth)
{
    const Pair p = pairOf(estimate, truth);
    const FloatPlane values = withoutGil(
        [&] { return epeValues(p.estimate.u, p.estimate.v, p.truth.u, p.truth.v); });
    return planeArray(values);
}

py::array_t<std::uint8_t> epeImage(const py::handle &estimate, const py::handle &truth)
{
    const Pair p = pairOf(estimate, truth);
    const PixelPlane picture = withoutGil(
        [&] { return epePicture(p.estimate.u, p.estimate.v, p.truth.u, p.truth.v); });
    return pictureArray(picture);
}

} // namespace

void bindEvaluation(py::module_ &m)
{
    m.def("evaluate", &evaluate, py::arg("estimate"), py::arg("ground_truth"),
          py::arg("occ") = py::none(), py::arg("fg") = py::none(),
          py::arg("exclude") = py::none(),
          "floweval's figures of one pair, with the per-pixel sums that pool them exactly.");
    m.def("pool", &pool, py::arg("results"), py::arg("average") = "pixel",
          "The figures of several evaluate results pooled, in the order given, as floweval's "
          "all row.");
    m.def("evaluate_folders", &evaluateFolders, py::arg("est_dir"), py::arg("gt_dir"),
          py::arg("recursive") = false, py::arg("jobs") = py::none(),
          py::arg("average") = "pixel",
          "floweval's rows for two folders: the pairs, the folders' subtotals and 'all'.");
    m.def("epe", &epe, py::arg("estimate"), py::arg("ground_truth"),
          "The end-point error of every pixel, float32 (H, W), NaN where not evaluated.");
    m.def("epe_picture", &epeImage, py::arg("estimate"), py::arg("ground_truth"),
          "The EPE picture, uint8 (H, W, 3), as floweval --epe writes it.");
}
