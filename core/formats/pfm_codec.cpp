// PFM: "PF", width, height and scale as text separated by whitespace, one whitespace character
// after the scale, then float32 samples, rows from the bottom up, three channels a pixel (u, v,
// and one that is not read). A negative scale means little-endian samples, a positive one
// big-endian.

#include "atomic_output.h"
#include "byte_order.h"
#include "flow_codecs.h"
#include "flow_input.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// No sensible header is longer; a longer one is refused rather than read on and on.
constexpr std::size_t kMaxHeaderBytes = 256;
constexpr std::int64_t kPixelBytes = 12;

bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool recognises(const unsigned char *head, std::size_t size)
{
    return size >= 3 && head[0] == 'P' && (head[1] == 'F' || head[1] == 'f') && isSpace(head[2]);
}

struct Header {
    bool oneChannel = false;
    int width = 0;
    int height = 0;
    bool littleEndian = true;
    std::int64_t bytes = 0; // the header's length, the single whitespace after the scale included
};

// Reads the header a character at a time from the stream's start.
class HeaderReader
{
public:
    explicit HeaderReader(FlowInput &input) : input_(input) {}

    int next()
    {
        if (count_ >= kMaxHeaderBytes)
            input_.fail("PFM header is longer than %d bytes", kMaxHeaderBytes);
        const int c = std::fgetc(input_.stream());
        if (c == EOF)
            input_.fail("file is too short");
        ++count_;
        return c;
    }
    std::size_t count() const { return count_; }

    // A run of characters other than whitespace, after any whitespace; it ends at, and takes,
    // the one whitespace character after it.
    std::string token()
    {
        int c = next();
        while (isSpace(c))
            c = next();
        std::string text;
        while (!isSpace(c)) {
            if (text.size() >= 64)
                input_.fail("PFM header is malformed");
            text.push_back(char(c));
            c = next();
        }
        return text;
    }

private:
    FlowInput &input_;
    std::size_t count_ = 0;
};

int side(FlowInput &input, const std::string &text, const char *which)
{
    const bool digits = !text.empty() && text.size() <= 9 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    const long value = digits ? std::strtol(text.c_str(), nullptr, 10) : -1;
    if (value < 1 || value > kMaxFlowSide)
        input.fail((std::string("PFM ") + which + " '" + text + "' is not 1 to 99999").c_str());
    return int(value);
}

Header readHeader(FlowInput &input)
{
    HeaderReader reader(input);
    Header h;
    if (reader.next() != 'P')
        input.fail("PFM header is malformed");
    const int kind = reader.next();
    if (kind == 'f')
        input.fail("PFM with one channel holds no flow");
    if (kind != 'F')
        input.fail("PFM header is malformed");
    if (!isSpace(reader.next()))
        input.fail("PFM header is malformed");
    const std::string width = reader.token();
    const std::string height = reader.token();
    const std::string scaleText = reader.token();
    h.width = side(input, width, "width");
    h.height = side(input, height, "height");

    char *end = nullptr;
    const double scale = std::strtod(scaleText.c_str(), &end);
    if (end != scaleText.c_str() + scaleText.size() || !std::isfinite(scale) || scale == 0.0)
        input.fail(("PFM scale '" + scaleText + "' is not a finite number other than 0").c_str());
    h.littleEndian = scale < 0.0;
    // The one whitespace character after the scale ended the token.
    h.bytes = std::int64_t(reader.count());
    return h;
}

// One stored row of u, v, w floats into the planes' row.
void convertRow(const unsigned char *in, int width, bool littleEndian, float *u, float *v)
{
    if (littleEndian == byteorder::hostIsLittleEndian()) {
        for (int x = 0; x < width; ++x, in += 12) {
            std::memcpy(u + x, in, 4);
            std::memcpy(v + x, in + 4, 4);
        }
        return;
    }
    for (int x = 0; x < width; ++x, in += 12) {
        u[x] = byteorder::loadFloat(in, littleEndian);
        v[x] = byteorder::loadFloat(in + 4, littleEndian);
    }
}

std::optional<FlowField> read(FlowInput &input, FlowDelivery &delivery)
{
    const Header h = readHeader(input);
    const std::int64_t data = kPixelBytes * h.width * std::int64_t(h.height);
    if (input.length() - h.bytes != data)
        input.fail(("data of " + std::to_string(input.length() - h.bytes) +
                    " bytes where width x height x 12 is " + std::to_string(data))
                       .c_str());

    FlowField flow{vek_alloc_2(h.height, h.width), vek_alloc_2(h.height, h.width)};
    // As many whole rows at a time as the read buffer holds; one at a time when a row is longer.
    std::optional<FloReadBuffer> own;
    FloReadBuffer &chunk = delivery.buffer() ? *delivery.buffer() : own.emplace();
    const std::size_t rowBytes = std::size_t(kPixelBytes) * std::size_t(h.width);
    std::vector<unsigned char> longRow;
    unsigned char *rows = reinterpret_cast<unsigned char *>(chunk.pairs());
    std::size_t capacity = chunk.capacity() * 2 * sizeof(float);
    if (rowBytes > capacity) {
        longRow.resize(rowBytes);
        rows = longRow.data();
        capacity = rowBytes;
    }
    const int rowsPerRead = int(capacity / rowBytes);
    // The file's first row is the picture's last.
    for (int fileRow = 0; fileRow < h.height; fileRow += rowsPerRead) {
        const int n = std::min(rowsPerRead, h.height - fileRow);
        input.readExact(rows, rowBytes * std::size_t(n));
        for (int i = 0; i < n; ++i) {
            const int y = h.height - 1 - (fileRow + i);
            convertRow(rows + rowBytes * std::size_t(i), h.width, h.littleEndian, flow.u[y],
                       flow.v[y]);
        }
    }
    input.expectEnd();
    return flow;
}

void write(const FloatPlane &u, const FloatPlane &v, const char *path, WriteReport &)
{
    AtomicOutput out(path);
    const std::string header =
        "PF\n" + std::to_string(u.cols()) + " " + std::to_string(u.rows()) + "\n-1\n";
    out.write(header.data(), header.size());
    std::vector<unsigned char> row(std::size_t(kPixelBytes) * std::size_t(u.cols()));
    for (int y = u.rows() - 1; y >= 0; --y) {
        for (int x = 0; x < u.cols(); ++x) {
            unsigned char *at = &row[12 * std::size_t(x)];
            byteorder::storeFloatLittle(at, u[y][x]);
            byteorder::storeFloatLittle(at + 4, v[y][x]);
            byteorder::storeFloatLittle(at + 8, 0.0f);
        }
        out.write(row.data(), row.size());
    }
    out.commit();
}

} // namespace

const FlowCodec kPfmCodec{FlowFormat::Pfm, "PFM", ".pfm", recognises, read, write};
