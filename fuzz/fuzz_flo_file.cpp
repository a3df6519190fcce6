// Every road of a .flo file over bytes the fuzzer chooses: the probe, the checks made before
// anything is allocated, ReadFlowFile, LoadFlowPlanes, and the reading entry into planes and
// into an interleaved buffer, also with the file replaced by rename between its header and its
// data; then the file changed between the probe and a read by name (cut short, or its width
// and height swapped), as a file still being written or replaced would be.

#include "cerror.h"
#include "cimage.h"
#include "flo_reader.h"
#include "flow_format.h"
#include "planes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// The target allocates planes and images for headers up to this many pixels. The full reader
// allocates before it finds a file short, so a larger header would cost gigabytes per run
// without reaching any code a small one does not.
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 16;
constexpr std::int64_t kMaxSide = 99999;

// A NaN with a payload no reader produces from the small inputs by chance.
constexpr std::uint32_t kSentinel = 0x7fc0beefu;

std::string tempDir;
std::string floPath;

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "fuzz_flo_file: %s\n", what);
    std::abort();
}

void removeTempDir()
{
    std::remove(floPath.c_str());
    rmdir(tempDir.c_str());
}

void writeFlo(const std::uint8_t *data, std::size_t size, const std::string &path = floPath)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        broken("cannot write the input file");
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        broken("cannot write the input file");
}

struct Outcome {
    bool ok = true;
    std::string text;
};

template <typename Step> Outcome attempt(Step step)
{
    Outcome outcome;
    try {
        step();
    } catch (const CError &error) {
        outcome.ok = false;
        outcome.text = error.text;
    }
    return outcome;
}

std::uint32_t bitsAt(const std::uint8_t *data, std::size_t offset)
{
    std::uint32_t bits;
    std::memcpy(&bits, data + offset, 4);
    return bits;
}

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

FloatPlane sentinelPlane(int rows, int cols)
{
    FloatPlane plane = vek_alloc_2(rows, cols);
    float sentinel;
    std::memcpy(&sentinel, &kSentinel, 4);
    std::fill(plane.data(), plane.data() + plane.size(), sentinel);
    return plane;
}

// After LoadFlowPlanes: the overlap of the planes and the file's own width x height holds the
// file's values bit for bit and the rest of the planes unknown flow (NaN); after a failure the
// planes are untouched, since nothing changes the file while it is read here.
void checkPlanes(const FloatPlane &u, const FloatPlane &v, bool loaded,
                 const std::vector<std::uint8_t> &file)
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (loaded) {
        std::memcpy(&width, file.data() + 4, 4);
        std::memcpy(&height, file.data() + 8, 4);
    }
    for (int y = 0; y < u.rows(); ++y) {
        for (int x = 0; x < u.cols(); ++x) {
            const std::uint32_t gotU = bitsOf(u[y][x]);
            const std::uint32_t gotV = bitsOf(v[y][x]);
            if (!loaded) {
                if (gotU != kSentinel || gotV != kSentinel)
                    broken("a failed load wrote into the planes");
            } else if (y < height && x < width) {
                const std::size_t at = 12 + 8 * (std::size_t(y) * std::size_t(width) + x);
                if (gotU != bitsAt(file.data(), at) || gotV != bitsAt(file.data(), at + 4))
                    broken("the planes differ from the file");
            } else if (!std::isnan(u[y][x]) || !std::isnan(v[y][x]) || gotU == kSentinel ||
                       gotV == kSentinel) {
                broken("what the file did not cover is not unknown flow");
            }
        }
    }
}

// The file rewritten after the probe and read into planes sized by that probe.
void loadChanged(const std::vector<std::uint8_t> &changed, int rows, int cols)
{
    writeFlo(changed.data(), changed.size());
    FloatPlane u = sentinelPlane(rows, cols);
    FloatPlane v = sentinelPlane(rows, cols);
    const Outcome load = attempt([&] { LoadFlowPlanes(floPath.c_str(), u, v, rows, cols); });
    checkPlanes(u, v, load.ok, changed);
}

// Another file takes the name after the header was read through the open descriptor, as a
// writer's rename does: the data read are still the opened file's, whole.
void readReplacedByRename(const std::vector<std::uint8_t> &file, int rows, int cols)
{
    FloFile opened(floPath.c_str());
    opened.readCheckedHeader();
    const std::string next = floPath + ".next";
    writeFlo(file.data(), file.size() / 2, next);
    if (std::rename(next.c_str(), floPath.c_str()) != 0)
        broken("cannot rename the replacement into place");
    FloatPlane u = sentinelPlane(rows, cols);
    FloatPlane v = sentinelPlane(rows, cols);
    const Outcome read = attempt([&] { opened.readPlanes(u, v); });
    if (!read.ok)
        broken("a file replaced by rename failed to read");
    checkPlanes(u, v, true, file);
    writeFlo(file.data(), file.size());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/flofuzz.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data()))
        broken("cannot make a temporary folder");
    tempDir = name.data();
    floPath = tempDir + "/input.flo";
    std::atexit(removeTempDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    writeFlo(data, size);
    const char *path = floPath.c_str();

    int rows = 0;
    int cols = 0;
    const Outcome probe = attempt([&] { ReadFlowFileSize(path, rows, cols); });
    const Outcome check = attempt([&] { FloFile(path).readCheckedHeader(); });
    if (!probe.ok && (check.ok || check.text != probe.text))
        broken("the check passed a header the probe could not read");

    // The check promises the full reader's verdict, message for message, without allocating.
    const bool legalSize = cols >= 1 && cols <= kMaxSide && rows >= 1 && rows <= kMaxSide;
    if (!probe.ok || !legalSize || std::int64_t(rows) * cols <= kMaxPixels) {
        static CImage image; // kept across runs, so the reader also reuses memory
        const Outcome full = attempt([&] { ReadFlowFile(image, path); });
        if (full.ok != check.ok || full.text != check.text)
            broken("the check and the full reader disagree");
    }

    const std::vector<std::uint8_t> file(data, data + size);
    if (!probe.ok || !legalSize || std::int64_t(rows) * cols <= kMaxPixels) {
        FlowField field;
        const Outcome road = attempt([&] { field = *readFlow(path, FlowRule::FloByName); });
        if (road.ok != check.ok || road.text != check.text)
            broken("the reading entry and the check disagree");
        if (road.ok)
            checkPlanes(field.u, field.v, true, file);

        std::vector<float> pairs;
        FlowReadOptions into;
        into.destination = [&](int width, int height) {
            pairs.resize(2 * std::size_t(width) * std::size_t(height));
            return pairs.data();
        };
        const Outcome interleaved = attempt([&] { readFlow(path, FlowRule::FloByName, into); });
        if (interleaved.ok != check.ok || interleaved.text != check.text)
            broken("the interleaved read and the check disagree");
        if (interleaved.ok && std::memcmp(pairs.data(), file.data() + 12, 4 * pairs.size()) != 0)
            broken("the interleaved read differs from the file");
    }
    if (check.ok)
        readReplacedByRename(file, rows, cols);

    if (check.ok) {
        FloatPlane u = sentinelPlane(rows, cols);
        FloatPlane v = sentinelPlane(rows, cols);
        const Outcome load = attempt([&] { LoadFlowPlanes(path, u, v, rows, cols); });
        if (!load.ok)
            broken("a file that passed the check failed to load");
        checkPlanes(u, v, true, file);
    }

    if (!probe.ok || rows < 1 || cols < 1 || std::int64_t(rows) * cols > kMaxPixels)
        return 0;

    // Cut where the last byte says, so the fuzzer steers the cut as well as the content.
    std::vector<std::uint8_t> cut(file.begin(), file.begin() + (size * data[size - 1]) / 256);
    loadChanged(cut, rows, cols);

    std::vector<std::uint8_t> turned = file;
    std::swap_ranges(turned.begin() + 4, turned.begin() + 8, turned.begin() + 8);
    loadChanged(turned, rows, cols);
    return 0;
}
