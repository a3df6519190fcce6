// Writes the sample flow field shown by `scripts/run`:  make_sample OUTPUT.flo
// 640 x 480: the whole frame turns and grows about a point left of the middle, a disc slides
// across it, and a block of pixels has no known flow. The turn makes every direction appear,
// and its speeds reach the cutoff, so the picture runs through the whole colour wheel from
// white to full colour. Only plain arithmetic: the file is the same on every machine.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t kWidth = 640;
constexpr std::int32_t kHeight = 480;
constexpr float kTag = 202021.25f; // "PIEH" when stored little-endian
constexpr float kUnknown = 1e10f;

// Background: rotation and expansion about (kCx, kCy), per pixel of distance.
constexpr double kCx = 290.0;
constexpr double kCy = 250.0;
constexpr double kTurn = 1.9;
constexpr double kGrowth = 0.6;

// The moving disc.
constexpr double kDiscX = 480.0;
constexpr double kDiscY = 140.0;
constexpr double kDiscRadius = 70.0;
constexpr float kDiscU = -420.0f;
constexpr float kDiscV = 330.0f;

// The block without known flow.
constexpr int kHoleLeft = 40;
constexpr int kHoleTop = 360;
constexpr int kHoleRight = 170;
constexpr int kHoleBottom = 440;

void flowAt(int x, int y, float &u, float &v)
{
    if (x >= kHoleLeft && x < kHoleRight && y >= kHoleTop && y < kHoleBottom) {
        u = v = kUnknown;
        return;
    }
    const double ox = x - kDiscX;
    const double oy = y - kDiscY;
    if (ox * ox + oy * oy <= kDiscRadius * kDiscRadius) {
        u = kDiscU;
        v = kDiscV;
        return;
    }
    const double dx = x - kCx;
    const double dy = y - kCy;
    u = float(kGrowth * dx - kTurn * dy);
    v = float(kTurn * dx + kGrowth * dy);
}

// The format is little-endian whatever the host.
void appendLittleEndian(std::vector<unsigned char> &out, const void *item)
{
    std::uint32_t bits;
    std::memcpy(&bits, item, 4);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(bits >> (8 * i)));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.flo\n", argv[0]);
        return 2;
    }

    std::vector<unsigned char> bytes;
    bytes.reserve(12 + std::size_t(8) * kWidth * kHeight);
    appendLittleEndian(bytes, &kTag);
    appendLittleEndian(bytes, &kWidth);
    appendLittleEndian(bytes, &kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            float u;
            float v;
            flowAt(x, y, u, v);
            appendLittleEndian(bytes, &u);
            appendLittleEndian(bytes, &v);
        }
    }

    // Written beside the target and renamed into place, so a failed run leaves no half file
    // that the build would take as up to date.
    const std::string path = argv[1];
    const std::string partial = path + ".part";
    std::FILE *file = std::fopen(partial.c_str(), "wb");
    if (!file) {
        std::perror(partial.c_str());
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::perror(path.c_str());
        std::remove(partial.c_str());
        return 1;
    }
    return 0;
}
