// The KITTI reader's row kernels against the filters and the conversion written the
// straightforward way, byte for byte, for every kernel set this processor runs.

#include "png_row_kernels.h"

#include <QTest>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

using namespace pngkernels;

namespace {

constexpr int kPixel = 6;

// As the PNG format defines them: a the byte one pixel to the left, b the one above, c above
// and to the left, 0 beyond the row's start.
int paethReference(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

std::vector<std::uint8_t> unfilterReference(int filter, const std::vector<std::uint8_t> &in,
                                            const std::vector<std::uint8_t> &prior)
{
    std::vector<std::uint8_t> out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const int a = i >= kPixel ? out[i - kPixel] : 0;
        const int b = prior[i];
        const int c = i >= kPixel ? prior[i - kPixel] : 0;
        const int predicted = filter == 1   ? a
                              : filter == 2 ? b
                              : filter == 3 ? (a + b) / 2
                              : filter == 4 ? paethReference(a, b, c)
                                            : 0;
        out[i] = std::uint8_t(in[i] + predicted);
    }
    return out;
}

std::vector<const PngRowKernels *> kernelSets()
{
    std::vector<const PngRowKernels *> sets;
    for (Isa isa : {Isa::Scalar, Isa::Sse2, Isa::Avx2})
        if (const PngRowKernels *k = pngRowKernelsFor(isa))
            sets.push_back(k);
    return sets;
}

// A row in a buffer with the slack the kernels may touch, filled with junk that must not
// matter.
struct SlackRow {
    explicit SlackRow(std::size_t bytes) : bytes(bytes), store(bytes + kRowSlack, 0xa5) {}
    std::uint8_t *data() { return store.data(); }
    std::size_t bytes;
    std::vector<std::uint8_t> store;
};

bool unfiltersLikeReference(const PngRowKernels &k, int filter, const std::vector<std::uint8_t> &in,
                            const std::vector<std::uint8_t> &prior)
{
    SlackRow inRow(in.size()), priorRow(in.size()), out(in.size());
    std::memcpy(inRow.data(), in.data(), in.size());
    std::memcpy(priorRow.data(), prior.data(), in.size());
    k.unfilterRow(filter, inRow.data(), priorRow.data(), out.data(), in.size());
    return std::memcmp(out.data(), unfilterReference(filter, in, prior).data(), in.size()) == 0;
}

} // namespace

class TestPngRowKernels : public QObject
{
    Q_OBJECT

private slots:
    void chosenSetIsOneOfTheSets();
    void unfilterMatchesReferenceOnRandomRows();
    void paethChoosesLikeReferenceForEveryNeighbourhood();
    void paethPairsMatchRowsInTurn();
    void flowRowsMatchPlainConversion();
    void flowRowsRefuseAThirdChannelBeyondOne();
};

void TestPngRowKernels::chosenSetIsOneOfTheSets()
{
    const PngRowKernels &chosen = chosenPngRowKernels();
    QVERIFY(pngRowKernelsFor(chosen.isa) == &chosen);
    QVERIFY(pngRowKernelsFor(Isa::Scalar) != nullptr);
}

void TestPngRowKernels::unfilterMatchesReferenceOnRandomRows()
{
    std::mt19937 rng(14);
    for (const PngRowKernels *k : kernelSets())
        for (int width : {1, 2, 3, 7, 8, 33, 1242})
            for (int filter = 0; filter < kFilterTypes; ++filter)
                for (int trial = 0; trial < 4; ++trial) {
                    // Full-range bytes, and small ones that make the predictors tie.
                    const unsigned mask = trial % 2 ? 0xff : 0x03;
                    std::vector<std::uint8_t> in(std::size_t(kPixel * width));
                    std::vector<std::uint8_t> prior(in.size());
                    for (std::size_t i = 0; i < in.size(); ++i) {
                        in[i] = std::uint8_t(rng() & mask);
                        prior[i] = std::uint8_t(rng() & mask);
                    }
                    if (!unfiltersLikeReference(*k, filter, in, prior))
                        QFAIL(qPrintable(QStringLiteral("%1: filter %2, width %3, trial %4")
                                             .arg(k->name)
                                             .arg(filter)
                                             .arg(width)
                                             .arg(trial)));
                }
}

void TestPngRowKernels::paethChoosesLikeReferenceForEveryNeighbourhood()
{
    // Pixels in pairs: the first brings its channels to a (its input makes up for whatever it
    // is predicted), the second has b above it and c above the first, and input 0, so that its
    // bytes are the predictor for (a, b, c). Six channels a pixel: all 2^24 cases in 2731 rows.
    constexpr int kPairs = 1024;
    constexpr std::uint32_t kCases = 1u << 24;
    const std::size_t bytes = std::size_t(2 * kPairs * kPixel);
    for (const PngRowKernels *k : kernelSets()) {
        std::uint32_t next = 0;
        while (next < kCases) {
            std::vector<std::uint8_t> in(bytes, 0);
            std::vector<std::uint8_t> prior(bytes, 0);
            std::vector<std::uint8_t> left(kPixel, 0);
            std::vector<std::uint8_t> upLeft(kPixel, 0);
            for (int pair = 0; pair < kPairs; ++pair)
                for (int ch = 0; ch < kPixel; ++ch, next = std::min(next + 1, kCases - 1)) {
                    const std::size_t first = std::size_t(2 * pair * kPixel + ch);
                    const int a = int(next & 0xff);
                    const int b = int(next >> 8 & 0xff);
                    const int c = int(next >> 16);
                    prior[first] = std::uint8_t(c);
                    prior[first + kPixel] = std::uint8_t(b);
                    const int predicted = paethReference(left[ch], c, upLeft[ch]);
                    in[first] = std::uint8_t(a - predicted);
                    left[ch] = std::uint8_t(paethReference(a, b, c));
                    upLeft[ch] = std::uint8_t(b);
                }
            if (!unfiltersLikeReference(*k, 4, in, prior))
                QFAIL(qPrintable(QStringLiteral("%1: before case %2").arg(k->name).arg(next)));
            if (next == kCases - 1)
                break;
        }
    }
}

void TestPngRowKernels::paethPairsMatchRowsInTurn()
{
    std::mt19937 rng(2);
    for (const PngRowKernels *k : kernelSets())
        for (int width : {1, 2, 3, 4, 7, 1242})
            for (const unsigned mask : {0x03u, 0xffu}) {
                const std::size_t bytes = std::size_t(kPixel * width);
                std::vector<std::uint8_t> in0(bytes), in1(bytes), prior(bytes);
                for (std::size_t i = 0; i < bytes; ++i) {
                    in0[i] = std::uint8_t(rng() & mask);
                    in1[i] = std::uint8_t(rng() & mask);
                    prior[i] = std::uint8_t(rng() & mask);
                }
                const std::vector<std::uint8_t> first = unfilterReference(4, in0, prior);
                const std::vector<std::uint8_t> second = unfilterReference(4, in1, first);
                SlackRow in0Row(bytes), in1Row(bytes), priorRow(bytes), out0(bytes), out1(bytes);
                std::memcpy(in0Row.data(), in0.data(), bytes);
                std::memcpy(in1Row.data(), in1.data(), bytes);
                std::memcpy(priorRow.data(), prior.data(), bytes);
                k->paethRowPair(in0Row.data(), in1Row.data(), priorRow.data(), out0.data(),
                                out1.data(), bytes);
                QVERIFY2(std::memcmp(out0.data(), first.data(), bytes) == 0, k->name);
                QVERIFY2(std::memcmp(out1.data(), second.data(), bytes) == 0, k->name);
            }
}

void TestPngRowKernels::flowRowsMatchPlainConversion()
{
    std::mt19937 rng(1242);
    for (const PngRowKernels *k : kernelSets())
        for (int width : {1, 3, 4, 5, 8, 9, 1242}) {
            SlackRow row(std::size_t(kPixel * width));
            for (int x = 0; x < width; ++x) {
                std::uint8_t *px = row.data() + kPixel * x;
                for (int i = 0; i < 4; ++i)
                    px[i] = std::uint8_t(rng());
                px[4] = 0;
                px[5] = std::uint8_t(rng() % 3 == 0 ? 0 : 1);
            }
            std::vector<float> u(std::size_t(width), -7.0f);
            std::vector<float> v(std::size_t(width), -7.0f);
            QVERIFY(k->kittiFlowRow(row.data(), width, u.data(), v.data()));
            for (int x = 0; x < width; ++x) {
                const std::uint8_t *px = row.data() + kPixel * x;
                if (px[5] == 0) {
                    QVERIFY(std::isnan(u[std::size_t(x)]) && std::isnan(v[std::size_t(x)]));
                    continue;
                }
                QCOMPARE(u[std::size_t(x)], float((px[0] << 8 | px[1]) - 32768) / 64.0f);
                QCOMPARE(v[std::size_t(x)], float((px[2] << 8 | px[3]) - 32768) / 64.0f);
            }
            // The extremes of the range.
            std::memset(row.data(), 0, 6);
            row.data()[5] = 1;
            QVERIFY(k->kittiFlowRow(row.data(), 1, u.data(), v.data()));
            QCOMPARE(u[0], -512.0f);
            std::memset(row.data(), 0xff, 4);
            QVERIFY(k->kittiFlowRow(row.data(), 1, u.data(), v.data()));
            QCOMPARE(v[0], 511.984375f);
        }
}

void TestPngRowKernels::flowRowsRefuseAThirdChannelBeyondOne()
{
    // At every place of a row that the vector forms take four at a time, and in the rest.
    for (const PngRowKernels *k : kernelSets())
        for (int x = 0; x < 11; ++x)
            for (const std::uint8_t high : {0, 1, 0x80})
                for (const std::uint8_t low : {0, 1, 2, 0xff}) {
                    if (high == 0 && low <= 1)
                        continue;
                    SlackRow row(std::size_t(kPixel * 11));
                    std::memset(row.data(), 0, row.bytes);
                    for (int i = 0; i < 11; ++i)
                        row.data()[kPixel * i + 5] = 1;
                    row.data()[kPixel * x + 4] = high;
                    row.data()[kPixel * x + 5] = low;
                    std::vector<float> u(11), v(11);
                    QVERIFY2(!k->kittiFlowRow(row.data(), 11, u.data(), v.data()), k->name);
                }
}

QTEST_APPLESS_MAIN(TestPngRowKernels)
#include "test_png_row_kernels.moc"
