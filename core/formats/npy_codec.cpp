// NumPy's .npy: "\x93NUMPY", a version, the length of a header dictionary, the dictionary, then
// the array's bytes. Flows come as (H, W, 2), (2, H, W), (1, 2, H, W) or (1, H, W, 2) arrays of
// 32- or 64-bit floats in C order.

#include "atomic_output.h"
#include "byte_order.h"
#include "flow_codecs.h"
#include "flow_input.h"
#include "npy_header.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr unsigned char kMagic[6] = {0x93, 'N', 'U', 'M', 'P', 'Y'};
// NumPy itself writes a few hundred bytes at most; a longer header is no honest array's.
constexpr std::size_t kMaxHeaderBytes = 65536;

bool recognises(const unsigned char *head, std::size_t size)
{
    return size >= sizeof kMagic && std::memcmp(head, kMagic, sizeof kMagic) == 0;
}

struct Layout {
    int height = 0;
    int width = 0;
    bool channelsLast = true; // u and v side by side per pixel; otherwise a plane each
    int itemBytes = 4;
    bool littleEndian = true;
};

std::string shapeText(const std::vector<std::int64_t> &shape)
{
    std::string text = "(";
    for (std::size_t i = 0; i < shape.size(); ++i)
        text += (i ? ", " : "") + std::to_string(shape[i]);
    return text + (shape.size() == 1 ? ",)" : ")");
}

Layout layoutOf(FlowInput &input, const NpyHeader &header)
{
    Layout layout;
    const std::string &d = header.descr;
    if (d == "<f4" || d == ">f4" || d == "<f8" || d == ">f8") {
        layout.littleEndian = d[0] == '<';
        layout.itemBytes = d[2] - '0';
    } else if (d.find('O') != std::string::npos) {
        input.fail("holds Python objects, which are never loaded");
    } else {
        input.fail(
            ("dtype '" + d + "' is not float32 or float64 ('<f4', '>f4', '<f8', '>f8')").c_str());
    }
    if (header.fortranOrder)
        input.fail("is stored in Fortran order; only C order is read");

    // A last dimension of 2 wins where a shape could be read either way.
    const std::vector<std::int64_t> &s = header.shape;
    std::int64_t h = 0;
    std::int64_t w = 0;
    if (s.size() == 3 && s[2] == 2) {
        h = s[0], w = s[1];
    } else if (s.size() == 3 && s[0] == 2) {
        h = s[1], w = s[2], layout.channelsLast = false;
    } else if (s.size() == 4 && s[0] == 1 && s[3] == 2) {
        h = s[1], w = s[2];
    } else if (s.size() == 4 && s[0] == 1 && s[1] == 2) {
        h = s[2], w = s[3], layout.channelsLast = false;
    } else {
        input.fail(("shape " + shapeText(s) +
                    " holds no flow: (H, W, 2), (2, H, W), (1, H, W, 2) or (1, 2, H, W) expected")
                       .c_str());
    }
    if (h < 1 || h > kMaxFlowSide || w < 1 || w > kMaxFlowSide)
        input.fail(("shape " + shapeText(s) + ": each side must be 1 to 99999").c_str());
    layout.height = int(h);
    layout.width = int(w);
    return layout;
}

float sample(const unsigned char *at, const Layout &layout)
{
    if (layout.itemBytes == 4)
        return byteorder::loadFloat(at, layout.littleEndian);
    // Rounded to the nearest float, as any conversion to the planes' precision must.
    return float(byteorder::loadDouble(at, layout.littleEndian));
}

std::optional<FlowField> read(FlowInput &input, FlowDelivery &)
{
    unsigned char prefix[12];
    input.readExact(prefix, 8);
    const int major = prefix[6];
    const int minor = prefix[7];
    if ((major < 1 || major > 3) || minor != 0)
        input.fail(("format version " + std::to_string(major) + "." + std::to_string(minor) +
                    " is not 1.0, 2.0 or 3.0")
                       .c_str());
    std::size_t lengthBytes = major == 1 ? 2 : 4;
    input.readExact(prefix + 8, lengthBytes);
    std::uint64_t headerBytes = prefix[8] | std::uint64_t(prefix[9]) << 8;
    if (lengthBytes == 4)
        headerBytes |= std::uint64_t(prefix[10]) << 16 | std::uint64_t(prefix[11]) << 24;
    if (headerBytes > kMaxHeaderBytes)
        input.fail("header of %d bytes is too long", (long long)headerBytes);
    std::string text(headerBytes, '\0');
    input.readExact(text.data(), text.size());

    NpyHeader header;
    std::string error;
    if (!parseNpyHeader(text.data(), text.size(), header, error))
        input.fail(error.c_str());
    const Layout layout = layoutOf(input, header);

    const std::int64_t offset = std::int64_t(8 + lengthBytes + headerBytes);
    const std::int64_t data =
        std::int64_t(layout.height) * layout.width * 2 * std::int64_t(layout.itemBytes);
    if (input.length() - offset != data)
        input.fail(("data of " + std::to_string(input.length() - offset) + " bytes where shape " +
                    shapeText(header.shape) + " needs " + std::to_string(data))
                       .c_str());

    FlowField flow{vek_alloc_2(layout.height, layout.width),
                   vek_alloc_2(layout.height, layout.width)};
    const std::size_t item = std::size_t(layout.itemBytes);
    if (layout.channelsLast) {
        std::vector<unsigned char> row(2 * item * std::size_t(layout.width));
        for (int y = 0; y < layout.height; ++y) {
            input.readExact(row.data(), row.size());
            for (int x = 0; x < layout.width; ++x) {
                flow.u[y][x] = sample(&row[2 * item * std::size_t(x)], layout);
                flow.v[y][x] = sample(&row[2 * item * std::size_t(x) + item], layout);
            }
        }
    } else {
        std::vector<unsigned char> row(item * std::size_t(layout.width));
        for (const FloatPlane *plane : {&flow.u, &flow.v}) {
            for (int y = 0; y < layout.height; ++y) {
                input.readExact(row.data(), row.size());
                for (int x = 0; x < layout.width; ++x)
                    (*plane)[y][x] = sample(&row[item * std::size_t(x)], layout);
            }
        }
    }
    input.expectEnd();
    return flow;
}

void write(const FloatPlane &u, const FloatPlane &v, const char *path, WriteReport &)
{
    AtomicOutput out(path);
    const std::string prefix =
        npyFloat32Prefix(std::to_string(u.rows()) + ", " + std::to_string(u.cols()) + ", 2");
    out.write(prefix.data(), prefix.size());
    out.writeInterleaved(u, v);
    out.commit();
}

} // namespace

const FlowCodec kNpyCodec{FlowFormat::Npy, "NumPy .npy", ".npy", recognises, read, write};
