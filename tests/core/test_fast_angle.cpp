#include "color_bounds.h"
#include "exact_cache.h"
#include "reference_coding.h"
#include "row_kernels.h"

#include <QTest>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

// The vector colour kernels take the angle from a polynomial and decide pixel by pixel whether
// its error could change a byte, colouring the doubtful ones the exact way. These tests hold
// the approximation to the bound that decision assumes, and put pixels right on the
// boundaries where only the exact way may decide.

namespace {

using rowkernels::Isa;
using rowkernels::RowKernels;

std::vector<Isa> vectorKernels()
{
    std::vector<Isa> all;
    for (Isa isa : {Isa::Avx2, Isa::Avx512})
        if (rowkernels::kernelsFor(isa))
            all.push_back(isa);
    return all;
}

const RowKernels &kernelsOf(int isa)
{
    return *rowkernels::kernelsFor(Isa(isa));
}

// fk as the plain formula computes it.
double exactFk(float fx, float fy)
{
    const double a = std::atan2(-double(fy), -double(fx)) * double(0.31830987f);
    return (a + 1.0) * 54 * 0.5;
}

// x moved by steps floats up (or down, for negative steps).
float stepped(float x, int steps)
{
    for (; steps > 0; --steps)
        x = std::nextafter(x, INFINITY);
    for (; steps < 0; ++steps)
        x = std::nextafter(x, -INFINITY);
    return x;
}

// Normalised components whose fk lies at kOffset from every wheel entry, at several lengths
// either side of radius 1, each with its float neighbours: the places where fk' and fk may
// truncate differently.
struct Directions {
    std::vector<float> fx;
    std::vector<float> fy;

    void add(float x, float y)
    {
        fx.push_back(x);
        fy.push_back(y);
    }
};

Directions directionsNearEntries()
{
    const double offsets[] = {0,     1e-15, -1e-15, 1e-12, -1e-12, 1e-10, -1e-10, 1e-9,
                              -1e-9, 3e-9,  -3e-9,  1e-8,  -1e-8,  9e-8,  -9e-8,  2e-7};
    const double lengths[] = {1e-3, 0.3, 0.7, 0.999, 1.0, 1.2, 3.0};
    Directions d;
    for (int k = 0; k <= 54; ++k) {
        for (double offset : offsets) {
            const double fk = k + offset;
            if (fk <= 0 || fk >= 54)
                continue;
            const double angle = (2.0 * fk / 54.0 - 1.0) / double(0.31830987f);
            for (double r : lengths) {
                const float x = float(-r * std::cos(angle));
                const float y = float(-r * std::sin(angle));
                for (int dx = -2; dx <= 2; ++dx)
                    for (int dy = -2; dy <= 2; ++dy)
                        d.add(stepped(x, dx), stepped(y, dy));
            }
        }
    }
    return d;
}

// Lengths that put a channel's value just either side of a whole number: the fading at
// radius r gives 255 (1 - r (1 - col)), so r = (1 - n / 255) / (1 - col) lands on n.
Directions lengthsNearWholeValues()
{
    int wheel[55][3];
    reference::buildWheel(wheel);
    std::mt19937_64 rng(31);
    Directions d;
    for (int i = 0; i < 20000; ++i) {
        const double fk = std::uniform_real_distribution<double>(0.01, 53.99)(rng);
        const int k0 = int(fk);
        const double f = fk - k0;
        const int channel = int(rng() % 3);
        const double col = ((1 - f) * wheel[k0][channel] + f * wheel[k0 + 1][channel]) / 255.0;
        if (col > 0.999)
            continue;
        const int n = int(rng() % 256);
        const double r = (1 - n / 255.0) / (1 - col);
        if (r <= 0 || r > 1)
            continue;
        const double angle = (2.0 * fk / 54.0 - 1.0) / double(0.31830987f);
        const float x = float(-r * std::cos(angle));
        const float y = float(-r * std::sin(angle));
        for (int step = -3; step <= 3; ++step)
            d.add(x, stepped(y, step));
    }
    return d;
}

// Both axes and the seam along +u, with every sign of zero, from the smallest lengths to the
// largest known one.
Directions axesAndSeam()
{
    const float tiny[] = {0.0f,
                          -0.0f,
                          std::numeric_limits<float>::denorm_min(),
                          -std::numeric_limits<float>::denorm_min(),
                          FLT_MIN,
                          -FLT_MIN,
                          1e-30f,
                          -1e-30f};
    const float lengths[] = {std::numeric_limits<float>::denorm_min(),
                             FLT_MIN,
                             1e-20f,
                             0.5f,
                             1.0f,
                             1.0000001f,
                             2.0f,
                             1e9f};
    Directions d;
    for (float r : lengths)
        for (float t : tiny) {
            d.add(r, t);
            d.add(-r, t);
            d.add(t, r);
            d.add(t, -r);
        }
    return d;
}

QString describe(float fx, float fy, const unsigned char *rgb, const unsigned char *bgr)
{
    return QString::asprintf("(%.9g, %.9g): got %d %d %d, reference %d %d %d", double(fx),
                             double(fy), rgb[0], rgb[1], rgb[2], bgr[2], bgr[1], bgr[0]);
}

} // namespace

class FastAngleTest : public QObject
{
    Q_OBJECT

private slots:
    void boundHolds_data();
    void boundHolds();
    void boundaryPixelsMatch_data();
    void boundaryPixelsMatch();
};

void FastAngleTest::boundHolds_data()
{
    QTest::addColumn<int>("isa");
    for (Isa isa : vectorKernels())
        QTest::newRow(rowkernels::kernelsFor(isa)->name) << int(isa);
}

// |fk' - fk| over four million directions at every scale a float holds, the reduction's
// threshold at tan(pi/8) and the octant boundaries: the proof needs it below kFkMargin and
// the polynomial's own bound is 2.3e-9, so anything above a tenth of the margin is a fault.
void FastAngleTest::boundHolds()
{
    QFETCH(int, isa);
    std::mt19937_64 rng(5);
    Directions d = axesAndSeam();
    for (int i = 0; i < 4000000; ++i) {
        const double angle = std::uniform_real_distribution<double>(-M_PI, M_PI)(rng);
        const double r = std::pow(10.0, std::uniform_real_distribution<double>(-40, 35)(rng));
        d.add(float(r * std::cos(angle)), float(r * std::sin(angle)));
    }
    for (int i = 0; i < 100000; ++i) {
        const float big = std::uniform_real_distribution<float>(0.5f, 2.0f)(rng);
        const float t = std::nextafter(float(M_SQRT2 - 1), float(i % 2)) * big;
        const float signX = (rng() & 1) ? 1.0f : -1.0f;
        const float signY = (rng() & 1) ? 1.0f : -1.0f;
        d.add(signX * big, signY * t);
        d.add(signX * t, signY * big);
        d.add(signX * big, signY * std::nextafter(big, float(i % 2) * 4));
    }
    const auto keep = [&](std::size_t i) { return d.fx[i] != 0 || d.fy[i] != 0; };

    std::vector<double> fk(d.fx.size());
    kernelsOf(isa).fkRow(d.fx.data(), d.fy.data(), fk.data(), int(fk.size()));
    double worst = 0;
    std::size_t worstAt = 0;
    for (std::size_t i = 0; i < fk.size(); ++i) {
        if (!keep(i))
            continue;
        const double error = std::fabs(fk[i] - exactFk(d.fx[i], d.fy[i]));
        if (!(error <= worst)) {
            worst = error;
            worstAt = i;
        }
    }
    qInfo("largest |fk' - fk|: %.3g at (%.9g, %.9g)", worst, double(d.fx[worstAt]),
          double(d.fy[worstAt]));
    QVERIFY(worst < rowkernels::kFkMargin / 10);
}

void FastAngleTest::boundaryPixelsMatch_data()
{
    QTest::addColumn<int>("isa");
    QTest::addColumn<int>("set");
    for (Isa isa : vectorKernels()) {
        const char *k = rowkernels::kernelsFor(isa)->name;
        QTest::addRow("%s, near every wheel entry", k) << int(isa) << 0;
        QTest::addRow("%s, values near whole numbers", k) << int(isa) << 1;
        QTest::addRow("%s, axes and seam", k) << int(isa) << 2;
    }
}

// Colours of the boundary sets through the vector kernel, normalised by 1 so that the
// kernel sees exactly these components, byte for byte against the reference.
void FastAngleTest::boundaryPixelsMatch()
{
    QFETCH(int, isa);
    QFETCH(int, set);
    const Directions d = set == 0   ? directionsNearEntries()
                         : set == 1 ? lengthsNearWholeValues()
                                    : axesAndSeam();
    const int n = int(d.fx.size());
    std::vector<std::uint8_t> rgb(3 * d.fx.size());
    rowkernels::ExactCache cache;
    kernelsOf(isa).colorRow(d.fx.data(), d.fy.data(), rgb.data(), n, 1.0, cache);
    for (int i = 0; i < n; ++i) {
        unsigned char bgr[3];
        reference::vectorColor(d.fx[i], d.fy[i], bgr);
        const unsigned char *got = &rgb[3 * std::size_t(i)];
        if (got[0] != bgr[2] || got[1] != bgr[1] || got[2] != bgr[0])
            QFAIL(qPrintable(describe(d.fx[i], d.fy[i], got, bgr)));
    }

    if (set == 0) {
        // The set must really hold pixels where the approximate fk truncates to another
        // entry than the exact one, or it would not show that those go the exact way.
        std::vector<double> fk(d.fx.size());
        kernelsOf(isa).fkRow(d.fx.data(), d.fy.data(), fk.data(), n);
        int crossings = 0;
        for (int i = 0; i < n; ++i)
            if (std::floor(fk[i]) != std::floor(exactFk(d.fx[i], d.fy[i])))
                ++crossings;
        QVERIFY2(crossings > 0, "no pixel where the approximation changes the entry");
    }
}

QTEST_APPLESS_MAIN(FastAngleTest)
#include "test_fast_angle.moc"
