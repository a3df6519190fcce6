#include "flo_writer.h"

#include <QFile>

#include <cstring>

namespace {

void appendLittleEndian(QByteArray &out, const void *value)
{
    unsigned char b[4];
    std::memcpy(b, value, 4);
    // The format is little-endian whatever the host; x86 and ARM hosts copy straight through.
    out.append(reinterpret_cast<const char *>(b), 4);
}

} // namespace

QByteArray floBytes(std::int32_t width, std::int32_t height, const std::vector<float> &uv,
                    float tag)
{
    QByteArray out;
    out.reserve(12 + int(uv.size()) * 4);
    appendLittleEndian(out, &tag);
    appendLittleEndian(out, &width);
    appendLittleEndian(out, &height);
    for (float f : uv)
        appendLittleEndian(out, &f);
    return out;
}

QByteArray floBytesFilled(std::int32_t width, std::int32_t height, float u, float v)
{
    std::vector<float> uv;
    uv.reserve(std::size_t(width) * std::size_t(height) * 2);
    for (std::int64_t i = 0; i < std::int64_t(width) * height; ++i) {
        uv.push_back(u);
        uv.push_back(v);
    }
    return floBytes(width, height, uv);
}

float numberedU(float base, int x, int y)
{
    return base + 100.0f * float(y) + float(x);
}

QByteArray numberedField(int width, int height, float base)
{
    std::vector<float> uv;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uv.push_back(numberedU(base, x, y));
            uv.push_back(-numberedU(base, x, y));
        }
    }
    return floBytes(width, height, uv);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}
