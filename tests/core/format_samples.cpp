#include "format_samples.h"

#ifdef FLOWVIEWER_TEST_HDF5
#include <hdf5.h>
#endif
#include <zlib.h>

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

void appendBigEndian32(QByteArray &out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xff));
}

void appendChunk(QByteArray &out, const char *type, const QByteArray &data)
{
    appendBigEndian32(out, std::uint32_t(data.size()));
    QByteArray body(type, 4);
    body += data;
    out += body;
    appendBigEndian32(out, std::uint32_t(crc32(0, reinterpret_cast<const Bytef *>(body.data()),
                                               uInt(body.size()))));
}

template <typename T> QByteArray bytesOf(const std::vector<T> &values, bool littleEndian)
{
    QByteArray out;
    for (T value : values) {
        char b[sizeof(T)];
        std::memcpy(b, &value, sizeof b);
        // The test hosts are little-endian.
        if (!littleEndian)
            std::reverse(b, b + sizeof b);
        out.append(b, int(sizeof b));
    }
    return out;
}

} // namespace

QByteArray floatData(const std::vector<float> &values, bool littleEndian)
{
    return bytesOf(values, littleEndian);
}

QByteArray doubleData(const std::vector<double> &values, bool littleEndian)
{
    return bytesOf(values, littleEndian);
}

QByteArray pfmBytes(int width, int height, const std::vector<float> &rgb, bool littleEndian,
                    const QByteArray &header)
{
    QByteArray out = header.isEmpty() ? QByteArray("PF\n") + QByteArray::number(width) + ' ' +
                                            QByteArray::number(height) + '\n' +
                                            (littleEndian ? "-1.0" : "1.0") + '\n'
                                      : header;
    for (int row = height - 1; row >= 0; --row) {
        const std::vector<float> line(rgb.begin() + 3 * std::ptrdiff_t(row) * width,
                                      rgb.begin() + 3 * std::ptrdiff_t(row + 1) * width);
        out += floatData(line, littleEndian);
    }
    return out;
}

QByteArray npyBytes(const QByteArray &dictionary, const QByteArray &data, int major)
{
    const int lengthBytes = major == 1 ? 2 : 4;
    QByteArray dict = dictionary;
    const int prefix = 8 + lengthBytes;
    while ((prefix + dict.size() + 1) % 64 != 0)
        dict += ' ';
    dict += '\n';
    QByteArray out("\x93NUMPY", 6);
    out += char(major);
    out += char(0);
    for (int i = 0; i < lengthBytes; ++i)
        out += char((dict.size() >> (8 * i)) & 0xff);
    return out + dict + data;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray out;
    appendChunk(out, type, data);
    return out;
}

QByteArray pngBytes(int width, int height, int bitDepth, int colourType, bool interlaced,
                    const QByteArray &raw, int idatChunkBytes)
{
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    appendBigEndian32(ihdr, std::uint32_t(width));
    appendBigEndian32(ihdr, std::uint32_t(height));
    ihdr += char(bitDepth);
    ihdr += char(colourType);
    ihdr += char(0);
    ihdr += char(0);
    ihdr += char(interlaced ? 1 : 0);
    appendChunk(out, "IHDR", ihdr);
    if (colourType == 3)
        appendChunk(out, "PLTE", QByteArray(3 * 4, '\x40'));
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray packed(int(size), '\0');
    compress(reinterpret_cast<Bytef *>(packed.data()), &size,
             reinterpret_cast<const Bytef *>(raw.data()), uLong(raw.size()));
    packed.truncate(int(size));
    const int step = idatChunkBytes > 0 ? idatChunkBytes : std::max(1, int(packed.size()));
    for (int at = 0; at < packed.size(); at += step)
        appendChunk(out, "IDAT", packed.mid(at, step));
    appendChunk(out, "IEND", QByteArray());
    return out;
}

QByteArray rgb16Scanlines(int width, int height, const std::vector<std::uint16_t> &samples)
{
    QByteArray raw;
    for (int y = 0; y < height; ++y) {
        raw += char(0);
        for (int i = 0; i < 3 * width; ++i) {
            const std::uint16_t s = samples[std::size_t(3 * width * y + i)];
            raw += char(s >> 8);
            raw += char(s & 0xff);
        }
    }
    return raw;
}

QByteArray filteredRgb16Scanlines(int width, int height, const std::vector<std::uint16_t> &samples,
                                  const std::vector<int> &filters)
{
    const int rowBytes = 6 * width;
    std::vector<std::uint8_t> rows(std::size_t(rowBytes * height));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        rows[2 * i] = std::uint8_t(samples[i] >> 8);
        rows[2 * i + 1] = std::uint8_t(samples[i] & 0xff);
    }
    QByteArray raw;
    for (int y = 0; y < height; ++y) {
        const int filter = filters[std::size_t(y) % filters.size()];
        raw += char(filter);
        const std::uint8_t *row = rows.data() + std::ptrdiff_t(rowBytes) * y;
        for (int i = 0; i < rowBytes; ++i) {
            const int a = i >= 6 ? row[i - 6] : 0;
            const int b = y > 0 ? row[i - rowBytes] : 0;
            const int c = i >= 6 && y > 0 ? row[i - 6 - rowBytes] : 0;
            const int p = a + b - c;
            const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int predicted = filter == 1   ? a
                                  : filter == 2 ? b
                                  : filter == 3 ? (a + b) / 2
                                  : filter == 4 ? paeth
                                                : 0;
            raw += char(std::uint8_t(row[i] - predicted));
        }
    }
    return raw;
}

#ifdef FLOWVIEWER_TEST_HDF5
bool writeHdf5(const QString &path, const char *name, const std::vector<unsigned long long> &dims,
               long long type, const std::vector<double> &data, bool chunked, bool deflate)
{
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    const hid_t file =
        H5Fcreate(QFile::encodeName(path).constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    if (file < 0)
        return false;
    std::vector<hsize_t> shape(dims.begin(), dims.end());
    const hid_t space = H5Screate_simple(int(shape.size()), shape.data(), nullptr);
    const hid_t plist = H5Pcreate(H5P_DATASET_CREATE);
    if (chunked) {
        std::vector<hsize_t> chunk = shape;
        for (hsize_t &c : chunk)
            c = std::min<hsize_t>(c, 16);
        H5Pset_chunk(plist, int(chunk.size()), chunk.data());
        if (deflate)
            H5Pset_deflate(plist, 5);
    }
    const hid_t dataset =
        H5Dcreate2(file, name, hid_t(type), space, H5P_DEFAULT, plist, H5P_DEFAULT);
    bool ok = dataset >= 0;
    if (ok && !data.empty())
        ok = H5Dwrite(dataset, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, data.data()) >= 0;
    if (dataset >= 0)
        H5Dclose(dataset);
    H5Pclose(plist);
    H5Sclose(space);
    H5Fclose(file);
    return ok;
}
#endif
