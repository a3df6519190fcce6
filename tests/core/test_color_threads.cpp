#include "color_bounds.h"
#include "color_wheel.h"
#include "field_planes.h"
#include "flow_scale.h"
#include "flow_to_color.h"

#include <QTest>

#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

// Colouring from several threads at once must give every thread the bytes it would get alone:
// nothing the coding reads may be built, chosen or cached where another thread can see it.

namespace {

constexpr int kThreads = 4;
constexpr int kRows = 96;
constexpr int kCols = 160;
// The cutoffs each thread renders at: a small one that clamps most vectors to the corners of
// the cutoff square, a wider one, and a negative one, which clamps to its magnitude and takes
// the radius from the whole clamped field, plane by plane.
constexpr int kCutoffs[] = {2, 30, -3};

struct Flow {
    FloatPlane u = vek_alloc_2(kRows, kCols);
    FloatPlane v = vek_alloc_2(kRows, kCols);
};

// A flow that sends the vector kernels the exact way often, different for every seed: the
// -u axis (fk exactly 27) and directions next to every wheel entry at many lengths, the seam
// on +u with either zero, vectors far outside every cutoff (the corners once clamped), smooth
// motion, zero and unknown vectors.
Flow makeFlow(unsigned seed)
{
    std::mt19937_64 rng(seed);
    const auto unit = [&rng] { return std::uniform_real_distribution<double>(0.0, 1.0)(rng); };
    const auto sign = [&rng] { return (rng() & 1) ? 1.0f : -1.0f; };
    Flow f;
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            const int p = int(rng() % 100);
            // Within the wider cutoff, so that clamping to it keeps the direction.
            const double length = 30.0 * unit();
            float u;
            float v;
            if (p < 20) {
                u = float(-length);
                v = sign() * 0.0f;
            } else if (p < 45) {
                const double entry = double(rng() % kWheelEntries);
                const double angle = (2.0 * entry / 54.0 - 1.0) / double(0.31830987f);
                u = float(-length * std::cos(angle));
                v = float(-length * std::sin(angle));
            } else if (p < 55) {
                u = float(length);
                v = sign() * float((rng() & 1) ? 0.0 : 1e-6 * length);
            } else if (p < 70) {
                u = sign() * 1000.0f;
                v = sign() * 1000.0f;
            } else if (p < 92) {
                u = float(40.0 * std::sin(c * 0.05 + seed));
                v = float(35.0 * std::cos(r * 0.07 - seed));
            } else if (p < 96) {
                u = v = 0.0f;
            } else {
                u = (rng() & 1) ? 1e10f : std::numeric_limits<float>::quiet_NaN();
                v = 1.0f;
            }
            f.u[r][c] = u;
            f.v[r][c] = v;
        }
    }
    return f;
}

template <typename T> void append(std::vector<std::uint8_t> &all, const T *data, std::size_t n)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(data);
    all.insert(all.end(), bytes, bytes + n * sizeof(T));
}

// Everything the public routines make of a flow, in one block of bytes.
std::vector<std::uint8_t> paint(const Flow &f)
{
    const FloatPlane cu = vek_alloc_2(kRows, kCols);
    const FloatPlane cv = vek_alloc_2(kRows, kCols);
    const PixelPlane color = pixelPlaneFilled(kRows, kCols, 0);
    const PixelPlane dimX = pixelPlaneFilled(kRows, kCols, 0);
    const PixelPlane dimY = pixelPlaneFilled(kRows, kCols, 0);
    std::vector<std::uint8_t> all;
    for (int cutoff : kCutoffs) {
        RenderScaledFlowViews(cutoff, std::nullopt, f.u, f.v, {cu, cv, color, dimX, dimY}, kRows,
                              kCols);
        append(all, cu.data(), cu.size());
        append(all, cv.data(), cv.size());
        for (const PixelPlane *plane : {&color, &dimX, &dimY})
            append(all, plane->data(), plane->byteCount());
    }
    // The raw flow with the radius from its longest known vector.
    FlowToColor(0, color, f.u, f.v, kRows, kCols);
    append(all, color.data(), color.byteCount());
    for (std::size_t i = 0; i < f.u.size(); ++i) {
        unsigned char pix[3];
        VectorColor(f.u.data()[i] / 40.0f, f.v.data()[i] / 40.0f, pix);
        append(all, pix, 3);
    }
    return all;
}

// Each thread paints flows[(t + shift) % kThreads]; all start together.
std::vector<std::vector<std::uint8_t>> paintAtOnce(const std::vector<Flow> &flows, int shift)
{
    std::vector<std::vector<std::uint8_t>> out(kThreads);
    std::atomic<int> waiting{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            waiting.fetch_sub(1);
            while (waiting.load() > 0)
                std::this_thread::yield();
            out[t] = paint(flows[std::size_t((t + shift) % kThreads)]);
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    return out;
}

QString firstDifference(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b)
{
    return firstByteDifference(a, b, "alone");
}

} // namespace

class ColorThreadsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void flowsTakeTheExactPath();
    void firstUseFromFourThreads();
    void fourThreadsMatchOneThread();

private:
    std::vector<Flow> flows_;
    std::vector<std::vector<std::uint8_t>> alone_;
};

void ColorThreadsTest::initTestCase()
{
    for (unsigned t = 0; t < kThreads; ++t)
        flows_.push_back(makeFlow(1000 + t));
}

// Guards the comparisons below: the flows must hold many pixels whose exact fk lies so close
// to a wheel entry that a vector kernel cannot settle them and asks the exact path, where the
// remembered answers live. Checked at the cutoff of 30, normalised as the coding does.
void ColorThreadsTest::flowsTakeTheExactPath()
{
    const double inverseRadius = 1.0 / CutoffRadius(30);
    const auto clamp = [](float x) { return x <= -30.0f ? -30.0f : x < 30.0f ? x : 30.0f; };
    for (const Flow &f : flows_) {
        int undecided = 0;
        for (std::size_t i = 0; i < f.u.size(); ++i) {
            const float u = f.u.data()[i];
            const float v = f.v.data()[i];
            if (!(std::fabs(u) <= 1e9f && std::fabs(v) <= 1e9f) || (u == 0 && v == 0))
                continue;
            const float fx = float(clamp(u) * inverseRadius);
            const float fy = float(clamp(v) * inverseRadius);
            const double a = std::atan2(-double(fy), -double(fx)) * double(0.31830987f);
            const double fk = (a + 1.0) * 54 * 0.5;
            if (std::fabs(fk - std::round(fk)) < rowkernels::kFkMargin / 2)
                ++undecided;
        }
        QVERIFY2(undecided > int(f.u.size()) / 10, qPrintable(QString::number(undecided)));
    }
}

// The first colours of the process come from four threads together, so whatever is set up on
// first use is set up under contention; then each flow is painted again alone.
void ColorThreadsTest::firstUseFromFourThreads()
{
    const std::vector<std::vector<std::uint8_t>> together = paintAtOnce(flows_, 0);
    for (const Flow &f : flows_)
        alone_.push_back(paint(f));
    for (int t = 0; t < kThreads; ++t) {
        const QString difference = firstDifference(together[t], alone_[t]);
        QVERIFY2(difference.isEmpty(), qPrintable(QString("thread %1: %2").arg(t).arg(difference)));
    }
}

// Round after round, every thread on another flow than the others. A race shows here only
// in some runs; the ThreadSanitizer build (scripts/test --tsan) reports it in every one.
void ColorThreadsTest::fourThreadsMatchOneThread()
{
    QVERIFY(!alone_.empty());
    for (int round = 0; round < 16; ++round) {
        const std::vector<std::vector<std::uint8_t>> together = paintAtOnce(flows_, round);
        for (int t = 0; t < kThreads; ++t) {
            const int flow = (t + round) % kThreads;
            const QString difference = firstDifference(together[t], alone_[std::size_t(flow)]);
            QVERIFY2(
                difference.isEmpty(),
                qPrintable(QString("round %1, flow %2: %3").arg(round).arg(flow).arg(difference)));
        }
    }
}

QTEST_APPLESS_MAIN(ColorThreadsTest)
#include "test_color_threads.moc"
