// Writes the sample pairs README runs floweval on:  make_eval_sample DIR
// DIR/gt holds two ground truths, a dense .flo and a sparse KITTI PNG; DIR/est holds the
// estimates of the same names as .flo, each its ground truth plus a fixed error: a ripple
// everywhere, a block that moved the wrong way, and a strip the estimate left unknown.
// Integer arithmetic and multiples of 1/64 only: the files, and the figures, are the same on
// every machine.

#include "cerror.h"
#include "flow_format.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr float kUnknown = 1e10f;

float sixtyFourths(int n)
{
    return float(n) / 64.0f;
}

// The true motion of the first pair: a turn about the middle and a square sliding right.
void firstTruth(int x, int y, float &u, float &v)
{
    const bool square = x >= 100 && x < 140 && y >= 20 && y < 60;
    u = square ? 7.5f : sixtyFourths(-(y - kHeight / 2) * 6);
    v = square ? 1.25f : sixtyFourths((x - kWidth / 2) * 6);
}

// The second: a car-like drive forward, growing from the point ahead, as KITTI records it.
void secondTruth(int x, int y, float &u, float &v)
{
    u = sixtyFourths((x - kWidth / 2) * 5);
    v = sixtyFourths((y - kHeight / 3) * 5);
}

void perturb(int x, int y, float &u, float &v)
{
    if (x >= 20 && x < 50 && y >= 70 && y < 100) { // a block gone the wrong way
        u = -u + 4.0f;
        v = -v - 2.0f;
        return;
    }
    if (y >= 110 && x >= 60) { // a strip the estimate leaves unknown
        u = v = kUnknown;
        return;
    }
    // The ripple grows from left to right, so that its errors reach every bin of the picture.
    const int gain = 1 + x / 12;
    u += sixtyFourths(((x * 7 + y * 13) % 33 - 16) * gain);
    v += sixtyFourths(((x * 11 + y * 5) % 29 - 14) * gain);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    try {
        for (int pair = 0; pair < 2; ++pair) {
            FloatPlane ug = vek_alloc_2(kHeight, kWidth);
            FloatPlane vg = vek_alloc_2(kHeight, kWidth);
            FloatPlane ue = vek_alloc_2(kHeight, kWidth);
            FloatPlane ve = vek_alloc_2(kHeight, kWidth);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    float u, v;
                    if (pair == 0)
                        firstTruth(x, y, u, v);
                    else
                        secondTruth(x, y, u, v);
                    // KITTI's laser sees only some pixels: a sparse ground truth.
                    const bool sparse = pair == 1 && (x * 3 + y * 5) % 7 < 3;
                    ug[y][x] = sparse ? kUnknown : u;
                    vg[y][x] = sparse ? kUnknown : v;
                    perturb(x, y, u, v);
                    ue[y][x] = u;
                    ve[y][x] = v;
                }
            const std::string name = pair == 0 ? "frame_0001" : "frame_0002";
            writeFlow(pair == 0 ? FlowFormat::Flo : FlowFormat::KittiPng, ug, vg,
                      (dir + "/gt/" + name + (pair == 0 ? ".flo" : ".png")).c_str());
            writeFlow(FlowFormat::Flo, ue, ve, (dir + "/est/" + name + ".flo").c_str());
        }
    } catch (const CError &error) {
        std::fprintf(stderr, "make_eval_sample: %s\n", error.text);
        return 1;
    }
    return 0;
}
