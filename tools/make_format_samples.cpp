// Writes a tiny flow in every format the program reads, for the tests and README's examples:
//   make_format_samples DIR FORMAT...     (flo, kitti, pfm, npy, flo5)
// DIR/tiny.flo, tiny_kitti.png (KITTI), tiny.pfm, tiny.npy and tiny.flo5 hold one 96 x 64 flow:
// a slow turn about the middle with a square sliding across it, and a corner of unknown flow.
// Every component is a multiple of 1/64 within KITTI's range, so even the KITTI file holds the
// same values; only its unknown corner reads back as NaN where the others hold 1e10.

#include "cerror.h"
#include "flow_format.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 64;

float sixtyFourths(double x)
{
    return float(std::round(x * 64.0) / 64.0);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DIR FORMAT...\n", argv[0]);
        return 2;
    }
    FloatPlane u = vek_alloc_2(kHeight, kWidth);
    FloatPlane v = vek_alloc_2(kHeight, kWidth);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double dx = x - kWidth / 2.0;
            const double dy = y - kHeight / 2.0;
            const bool square = x >= 60 && x < 80 && y >= 10 && y < 30;
            const bool unknown = x < 12 && y >= 52;
            u[y][x] = unknown ? 1e10f : square ? 6.5f : sixtyFourths(-0.12 * dy + 0.03 * dx);
            v[y][x] = unknown ? 1e10f : square ? -3.25f : sixtyFourths(0.12 * dx + 0.03 * dy);
        }
    const std::string dir = argv[1];
    const struct {
        const char *wanted;
        FlowFormat format;
        const char *name;
    } files[] = {{"flo", FlowFormat::Flo, "tiny.flo"},
                 {"kitti", FlowFormat::KittiPng, "tiny_kitti.png"},
                 {"pfm", FlowFormat::Pfm, "tiny.pfm"},
                 {"npy", FlowFormat::Npy, "tiny.npy"},
                 {"flo5", FlowFormat::Flo5, "tiny.flo5"}};
    try {
        for (int i = 2; i < argc; ++i)
            for (const auto &file : files)
                if (std::string(argv[i]) == file.wanted)
                    writeFlow(file.format, u, v, (dir + "/" + file.name).c_str());
    } catch (const CError &error) {
        std::fprintf(stderr, "make_format_samples: %s\n", error.text);
        return 1;
    }
    return 0;
}
