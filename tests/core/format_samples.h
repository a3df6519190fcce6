#ifndef FORMAT_SAMPLES_H
#define FORMAT_SAMPLES_H

// Flow files of every format built by hand, byte by byte, sharing nothing with the program's
// own writers, so that reading them tests the readers against the formats themselves.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// A PFM of width x height with three channels a pixel; rgb holds them row by row from the top,
// and the file stores the rows from the bottom up.
QByteArray pfmBytes(int width, int height, const std::vector<float> &rgb, bool littleEndian,
                    const QByteArray &header = QByteArray());

// A .npy with the given header dictionary (padded and ended as the format says) and data.
QByteArray npyBytes(const QByteArray &dictionary, const QByteArray &data, int major = 1);

// The bytes of floats or doubles in the given order.
QByteArray floatData(const std::vector<float> &values, bool littleEndian);
QByteArray doubleData(const std::vector<double> &values, bool littleEndian);

// A PNG of the given IHDR whose IDAT holds raw, the filtered scanlines (or Adam7 passes) as
// the format lays them out, deflated; in IDAT chunks of idatChunkBytes when that is above 0.
QByteArray pngBytes(int width, int height, int bitDepth, int colourType, bool interlaced,
                    const QByteArray &raw, int idatChunkBytes = 0);

// One chunk: length, type, data and CRC.
QByteArray pngChunk(const char *type, const QByteArray &data);

// Non-interlaced 16-bit RGB scanlines, filter 0, from samples R, G, B a pixel, row by row.
QByteArray rgb16Scanlines(int width, int height, const std::vector<std::uint16_t> &samples);

// The same scanlines with each row filtered as the PNG format defines it: row y by
// filters[y % size] (0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth).
QByteArray filteredRgb16Scanlines(int width, int height, const std::vector<std::uint16_t> &samples,
                                  const std::vector<int> &filters);

#ifdef FLOWVIEWER_TEST_HDF5
// An HDF5 file at path holding a dataset name of the given shape and HDF5 type (e.g.
// H5T_IEEE_F32LE), filled from data (converted from doubles) unless data is empty, optionally
// chunked and deflated. False when HDF5 fails.
bool writeHdf5(const QString &path, const char *name, const std::vector<unsigned long long> &dims,
               long long type, const std::vector<double> &data, bool chunked = false,
               bool deflate = false);
#endif

#endif // FORMAT_SAMPLES_H
