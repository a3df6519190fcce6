// flowviewer-bench: how fast a flow appears and recolours, and what memory it takes, each
// measured against a reference run side by side in the same process, since only ratios mean
// anything on a shared machine.
//   flowviewer-bench [--csv] [--quick] [--data DIR] [--only PREFIX]

#include "bench_cases.h"
#include "bench_check.h"
#include "bench_eval.h"
#include "bench_export.h"
#include "bench_inputs.h"
#include "bench_keys.h"
#include "bench_memory.h"
#include "bench_overlays.h"
#include "bench_prefetch.h"
#include "bench_sequence.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Options {
    bool csv = false;
    bool quick = false;
    QString dataDir;
    QString only; // run only the cases whose names start with this
};

struct Row {
    QString name;
    double value = 0;
    QString reference;
    double referenceValue = 0;
    QString unit;
    double target = 0;    // the largest ratio that meets the target, 0 for none
    bool atLeast = false; // the target is the smallest ratio that meets it instead
    double targetMs = 0;  // the longest time that meets the target, 0 for none

    double ratio() const { return referenceValue > 0 ? value / referenceValue : 0; }
};

constexpr const char *kSintelFile = "sintel_alley_frame_0002.flo";
constexpr int kSintelRows = 436, kSintelCols = 1024;
constexpr int k4kRows = 2160, k4kCols = 3840;
constexpr double kFloBytesPerPixel = 8;
constexpr int kEvalBatchPairs = 40;
constexpr int kExportBatchFiles = 40;
constexpr int kSequenceFlows = 40;
constexpr int kPlayFps = 30;

// The offscreen platform warns about window features it lacks; none of that is the benchmark's
// business, and it would bury the table.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

void usage()
{
    std::fprintf(stderr,
                 "usage: flowviewer-bench [--csv] [--quick] [--data DIR] [--only PREFIX]\n");
}

bool parse(int argc, char *argv[], Options &options)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--csv"))
            options.csv = true;
        else if (!std::strcmp(argv[i], "--quick"))
            options.quick = true;
        else if (!std::strcmp(argv[i], "--data") && i + 1 < argc)
            options.dataDir = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
            options.only = QString::fromLocal8Bit(argv[++i]);
        else
            return false;
    }
    if (options.dataDir.isEmpty())
        options.dataDir = qEnvironmentVariable("FLOWVIEWER_SHARED_DATA");
#ifdef FLOWVIEWER_BENCH_DATA
    if (options.dataDir.isEmpty())
        options.dataDir = QStringLiteral(FLOWVIEWER_BENCH_DATA);
#endif
    return true;
}

bool generated(BenchFlow &flow, const QString &workDir, int rows, int cols)
{
    std::vector<float> uv;
    generateFlow(rows, cols, uv);
    flow.floPath = workDir + QLatin1Char('/') + flow.name + QStringLiteral(".flo");
    flow.rows = rows;
    flow.cols = cols;
    flow.origin = QStringLiteral("generated");
    return writeFloFile(flow.floPath, rows, cols, uv);
}

// The recorded Sintel flow when the shared data are there, copied beside the generated one so
// that both open from the same kind of folder; else a generated flow of its size.
bool sintelFlow(BenchFlow &flow, const Options &options, const QString &workDir)
{
    flow.name = QStringLiteral("sintel");
    if (options.quick)
        return generated(flow, workDir, 28, 64);
    const QString recorded = QDir(options.dataDir).filePath(QLatin1String(kSintelFile));
    if (options.dataDir.isEmpty() || !QFileInfo(recorded).isFile())
        return generated(flow, workDir, kSintelRows, kSintelCols);
    flow.floPath = workDir + QStringLiteral("/sintel.flo");
    flow.rows = kSintelRows;
    flow.cols = kSintelCols;
    flow.origin = QLatin1String(kSintelFile);
    return QFile::copy(recorded, flow.floPath);
}

// A generated flow stored in another format, as a dataset stores its own: KITTI's sparse
// ground truth, FlyingThings3D's PFM.
bool formatFlow(BenchFlow &flow, const QString &workDir, const char *name, const char *file,
                int rows, int cols)
{
    std::vector<float> uv;
    generateFlow(rows, cols, uv);
    flow.name = QLatin1String(name);
    flow.floPath = workDir + QLatin1Char('/') + QLatin1String(file);
    flow.rows = rows;
    flow.cols = cols;
    flow.origin = QStringLiteral("generated");
    return writeFlowAs(flow.floPath, rows, cols, uv);
}

bool fourKFlow(BenchFlow &flow, const Options &options, const QString &workDir)
{
    flow.name = QStringLiteral("4k");
    return options.quick ? generated(flow, workDir, 54, 96)
                         : generated(flow, workDir, k4kRows, k4kCols);
}

void printCsv(const std::vector<Row> &rows)
{
    std::printf("case,median_ms,reference,reference_ms,ratio\n");
    for (const Row &r : rows)
        std::printf("%s,%.3f,%s,%.3f,%.3f\n", qPrintable(r.name), r.value, qPrintable(r.reference),
                    r.referenceValue, r.ratio());
}

void printTable(const std::vector<Row> &rows, const std::vector<BenchFlow> &flows, bool quick)
{
    for (const BenchFlow &f : flows)
        std::printf("%-7s %d x %d, %s\n", qPrintable(f.name), f.cols, f.rows, qPrintable(f.origin));
    if (quick)
        std::printf("quick mode: tiny sizes, the ratios mean nothing\n");
    std::printf("\n%-16s %12s   %-12s %12s %7s   %s\n", "case", "median", "reference", "median",
                "ratio", "target");
    for (const Row &r : rows) {
        QString target;
        if (r.target > 0) {
            const bool met = r.atLeast ? r.ratio() >= r.target : r.ratio() <= r.target;
            target = QStringLiteral("%1 %2  %3")
                         .arg(r.atLeast ? QStringLiteral(">=") : QStringLiteral("<="))
                         .arg(r.target, 0, 'f', 1)
                         .arg(met ? QStringLiteral("met") : QStringLiteral("MISSED"));
        } else if (r.targetMs > 0) {
            target =
                QStringLiteral("<= %1 ms  %2")
                    .arg(r.targetMs, 0, 'f', 0)
                    .arg(r.value <= r.targetMs ? QStringLiteral("met") : QStringLiteral("MISSED"));
        }
        const QString line =
            QString::asprintf("%-16s %9.3f %s   %-12s %9.3f %s %7.3f   %s", qPrintable(r.name),
                              r.value, qPrintable(r.unit), qPrintable(r.reference),
                              r.referenceValue, qPrintable(r.unit), r.ratio(), qPrintable(target));
        std::printf("%s\n", qPrintable(line.trimmed()));
    }
}

const Row *find(const std::vector<Row> &rows, const QString &name)
{
    for (const Row &r : rows)
        if (r.name == name)
            return &r;
    return nullptr;
}

void printScaling(const std::vector<Row> &rows, const std::vector<BenchFlow> &flows)
{
    const Row *small = find(rows, QStringLiteral("recolour/sintel"));
    const Row *large = find(rows, QStringLiteral("recolour/4k"));
    if (!small || !large || small->value <= 0)
        return;
    const double pixels =
        double(flows[1].rows) * flows[1].cols / (double(flows[0].rows) * flows[0].cols);
    const double scaling = large->value / small->value;
    std::printf(
        "\nrecolour/4k over recolour/sintel: %.2f, pixel ratio %.2f, target %.2f .. %.2f  %s\n",
        scaling, pixels, 0.8 * pixels, 1.2 * pixels,
        scaling >= 0.8 * pixels && scaling <= 1.2 * pixels ? "met" : "MISSED");
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    qInstallMessageHandler(quietMessages);
    // The window opens its first command-line argument, so the application sees no others.
    int appArgc = 1;
    QApplication app(appArgc, argv);

    if ((argc == 3 || argc == 4) && !std::strcmp(argv[1], kMemoryChildOption))
        return runMemoryChild(QString::fromLocal8Bit(argv[2]),
                              argc == 4 && !std::strcmp(argv[3], kPrefetchOption));
    // Only the cases about reading ahead, and the keys, meet it.
    switchPrefetchOff();

    Options options;
    if (!parse(argc, argv, options)) {
        usage();
        return 2;
    }

    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "flowviewer-bench: cannot make a working folder\n");
        return 1;
    }
    std::vector<BenchFlow> flows(2);
    if (!sintelFlow(flows[0], options, work.path()) || !fourKFlow(flows[1], options, work.path())) {
        std::fprintf(stderr, "flowviewer-bench: cannot write the flows\n");
        return 1;
    }
    std::vector<BenchFlow> formatFlows(2);
    const bool quick = options.quick;
    if (!formatFlow(formatFlows[0], work.path(), "kitti", "000000_10.png", quick ? 15 : 375,
                    quick ? 50 : 1242) ||
        !formatFlow(formatFlows[1], work.path(), "pfm", "0000000.pfm", quick ? 27 : 540,
                    quick ? 48 : 960)) {
        std::fprintf(stderr, "flowviewer-bench: cannot write the flows\n");
        return 1;
    }
    for (std::vector<BenchFlow> *set : {&flows, &formatFlows})
        for (BenchFlow &f : *set)
            if (!prepareFlow(f, work.path()))
                return 1;

    TimingPlan plan;
    int memoryRuns = 3;
    if (options.quick) {
        plan = TimingPlan{1, 3, 3, 0.0};
        memoryRuns = 1;
    }

    const auto wanted = [&](const QString &name) { return name.startsWith(options.only); };
    const QString ms = QStringLiteral("ms  ");
    std::vector<Row> rows;
    for (const BenchFlow &f : flows) {
        const QString name = "read/" + f.name;
        if (!wanted(name))
            continue;
        const PairTiming t = benchRead(f, plan);
        rows.push_back({name, t.caseMs, "plain-read", t.referenceMs, ms, 1.3});
    }
    QStringList notes; // printed under the table
    // Evaluation against a ground truth: one Sintel pair, then a batch on two threads.
    for (const bool occlusions : {false, true}) {
        const QString name = occlusions ? QStringLiteral("eval/sintel-occ")
                                        : QStringLiteral("eval/sintel");
        if (!wanted(name))
            continue;
        PairTiming t;
        if (!benchEvalPair(flows[0], work.path(), occlusions, plan, &t)) {
            std::fprintf(stderr, "flowviewer-bench: cannot write the estimate\n");
            return 1;
        }
        rows.push_back({name, t.caseMs, "read-both", t.referenceMs, ms, occlusions ? 0.0 : 1.5});
    }
    if (wanted(QStringLiteral("eval-batch"))) {
        PairTiming t;
        TimingPlan batchPlan = plan;
        batchPlan.minRepetitions = std::min(plan.minRepetitions, 5);
        if (!benchEvalBatch(work.path(), kEvalBatchPairs, quick ? 28 : kSintelRows,
                            quick ? 64 : kSintelCols, batchPlan, &t)) {
            std::fprintf(stderr, "flowviewer-bench: cannot write the pairs\n");
            return 1;
        }
        rows.push_back(
            {"eval-batch", t.caseMs, "-j1", t.referenceMs, QStringLiteral("pairs/s"), 1.7, true});
        notes << QStringLiteral("eval-batch: a plain loop on two threads gains %1x over one "
                                "at this moment")
                     .arg(twoThreadCeiling(batchPlan), 0, 'f', 2);
    }
    // PNG export: flo2png on one flow, then a batch on two threads.
    if (wanted(QStringLiteral("export/sintel"))) {
        PairTiming t;
        if (!benchExport(flows[0], work.path(), plan, &t))
            return 1;
        rows.push_back({"export/sintel", t.caseMs, "qt-png-encode", t.referenceMs, ms, 0.5});
    }
    // What two threads can gain, measured before any process is started (see export-batch).
    TimingPlan exportPlan = plan;
    exportPlan.minRepetitions = std::min(plan.minRepetitions, 5);
    const double exportCeiling =
        wanted(QStringLiteral("export-batch")) ? twoThreadCeiling(exportPlan) : 0.0;
    std::vector<BenchFlow> opened = flows;
    opened.insert(opened.end(), formatFlows.begin(), formatFlows.end());
    for (const BenchFlow &f : opened) {
        const QString name = "open/" + f.name;
        if (!wanted(name))
            continue;
        const PairTiming t = benchOpen(f, plan);
        rows.push_back({name, t.caseMs, "png-decode", t.referenceMs, ms, 1.5});
    }
    std::vector<BenchFlow> recoloured;
    for (const BenchFlow &f : flows)
        if (wanted("recolour/" + f.name))
            recoloured.push_back(f);
    if (!recoloured.empty()) {
        TimingPlan recolourPlan = plan;
        recolourPlan.minSeconds *= 2;
        const std::vector<PairTiming> t = benchRecolour(recoloured, recolourPlan);
        for (std::size_t i = 0; i < recoloured.size(); ++i)
            rows.push_back({"recolour/" + recoloured[i].name, t[i].caseMs, "png-decode",
                            t[i].referenceMs, ms, 1.0});
    }
    // Checking a flow against its frames: warp, error and consistency, as each step runs them.
    if (wanted(QStringLiteral("check/sintel"))) {
        PairTiming t;
        if (!benchCheck(flows[0], options.dataDir, work.path(), plan, &t))
            return 1;
        rows.push_back({"check/sintel", t.caseMs, "png-decode", t.referenceMs, ms, 0.5});
    }
    if (wanted(QStringLiteral("stats/4k"))) {
        const PairTiming t = benchStatistics(flows[1], plan);
        rows.push_back({"stats/4k", t.caseMs, "recolour", t.referenceMs, ms, 0.2});
    }
    if (wanted(QStringLiteral("arrows/screen"))) {
        const PairTiming t = benchArrows(flows[1], plan);
        rows.push_back({"arrows/screen", t.caseMs, "picture", t.referenceMs, ms, 0, false, 5.0});
    }
    for (const BenchFlow &f : flows) {
        const QString name = "memory/" + f.name;
        if (!wanted(name))
            continue;
        const double perPixel = memoryBytesPerPixel(f, memoryRuns);
        if (perPixel < 0) {
            std::fprintf(stderr, "flowviewer-bench: the memory measurement of %s failed\n",
                         qPrintable(f.name));
            return 1;
        }
        rows.push_back({name, perPixel, "flo-data", kFloBytesPerPixel, QStringLiteral("B/px"),
                        f.name == QLatin1String("4k") ? 5.0 : 0.0});
    }
    if (wanted(QStringLiteral("memory-prefetch/4k"))) {
        const double perPixel =
            memoryBytesPerPixel(flows[1], memoryRuns, prefetchFolder(flows[1], work.path()));
        if (perPixel < 0) {
            std::fprintf(stderr, "flowviewer-bench: the memory measurement with the neighbours "
                                 "read ahead failed\n");
            return 1;
        }
        rows.push_back({"memory-prefetch/4k", perPixel, "flo-data", kFloBytesPerPixel,
                        QStringLiteral("B/px"), 7.5});
    }
    if (wanted(QStringLiteral("step/sintel"))) {
        const PairTiming t = benchPrefetchedStep(flows[0], work.path(), plan);
        rows.push_back({"step/sintel", t.caseMs, "png-decode", t.referenceMs, ms, 0.3});
    }

    // Stepping with the keys, against the keyboard's auto-repeat: a held key must never leave
    // loads queued behind it.
    QStringList holds;
    for (const BenchFlow &f : flows) {
        const QString step = "key-step/" + f.name;
        const QString hold = "key-hold/" + f.name;
        if (!wanted(step) && !wanted(hold))
            continue;
        // Stepping as users step, the neighbours read ahead.
        const PrefetchOn on;
        const double stepMs = benchKeyStep(f, work.path(), plan);
        if (wanted(step))
            rows.push_back({step, stepMs, "auto-repeat", kAutoRepeatMs, ms,
                            f.name == QLatin1String("sintel") ? 1.0 : 0.0});
        if (wanted(hold)) {
            const KeyHold k = benchKeyHold(f, work.path(), options.quick ? 0.3 : 2.0);
            rows.push_back({hold, k.lagMs, "key-step", stepMs, ms, 2.0});
            holds << QStringLiteral("%1: %2 presses, %3 loads, the last %4 ms after the last "
                                    "press")
                         .arg(hold)
                         .arg(k.presses)
                         .arg(k.loads)
                         .arg(k.lagMs, 0, 'f', 1);
        }
    }

    // Sequences: playing a folder, and a video of it against its PNGs.
    const bool video = wanted(QStringLiteral("video/sintel"));
    const bool play = wanted(QStringLiteral("play/sintel"));
    const QStringList sequence =
        video || play ? sequenceFolder(flows[0], work.path(), quick ? 4 : kSequenceFlows)
                      : QStringList();
    if ((video || play) && sequence.isEmpty()) {
        std::fprintf(stderr, "flowviewer-bench: cannot write the sequence\n");
        return 1;
    }
    if (play) {
        const double shown = benchPlay(sequence, kPlayFps);
        rows.push_back(
            {"play/sintel", shown, "asked", double(kPlayFps), QStringLiteral("fps"), 0.95, true});
    }

    // Last: the tool runs in processes of its own, which under ThreadSanitizer leave this
    // process's view of its threads unreliable (they share its memory until they start).
    if (wanted(QStringLiteral("export-batch"))) {
        PairTiming t;
        double fixedMs = 0;
        if (!benchExportBatch(work.path(), kExportBatchFiles, quick ? 28 : kSintelRows,
                              quick ? 64 : kSintelCols, exportPlan, &t, &fixedMs)) {
            std::fprintf(stderr, "flowviewer-bench: the export batch failed\n");
            return 1;
        }
        rows.push_back(
            {"export-batch", t.caseMs, "-j1", t.referenceMs, QStringLiteral("files/s"), 1.7, true});
        notes << QStringLiteral("export-batch: a plain loop on two threads gains %1x over one "
                                "at this moment")
                     .arg(exportCeiling, 0, 'f', 2);
        const double oneThreadMs = kExportBatchFiles * 1000.0 / t.referenceMs;
        notes << QStringLiteral("export-batch: %1 ms of a -j1 run's %2 do not depend on the "
                                "flows' count; with every flow gaining %3x, -j2 could reach %4")
                     .arg(fixedMs, 0, 'f', 1)
                     .arg(oneThreadMs, 0, 'f', 1)
                     .arg(exportCeiling, 0, 'f', 2)
                     .arg(exportBatchCeiling(oneThreadMs, fixedMs, exportCeiling), 0, 'f', 2);
    }
    if (video) {
        TimingPlan videoPlan = exportPlan;
        videoPlan.minRepetitions = std::min(plan.minRepetitions, 5);
        PairTiming t;
        if (!benchVideo(sequence, work.path(), 2, videoPlan, &t)) {
            std::fprintf(stderr, "flowviewer-bench: the video export failed\n");
            return 1;
        }
        rows.push_back({"video/sintel", t.caseMs, "png-j2", t.referenceMs, ms, 1.5});
    }
    if (options.csv) {
        printCsv(rows);
    } else {
        printTable(rows, opened, options.quick);
        printScaling(rows, flows);
        holds << notes;
        if (!holds.isEmpty())
            std::printf("\n");
        for (const QString &line : holds)
            std::printf("%s\n", qPrintable(line));
    }
    return 0;
}
