#ifndef FLO_WRITER_H
#define FLO_WRITER_H

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// Builds .flo bytes for tests: the header (tag, width, height) followed by u,v pairs.
QByteArray floBytes(std::int32_t width, std::int32_t height, const std::vector<float> &uv,
                    float tag = 202021.25f);

// Same, with every vector set to (u, v).
QByteArray floBytesFilled(std::int32_t width, std::int32_t height, float u, float v);

// A field whose every value tells where it came from: u = base + 100 y + x, v = -u, so that a
// misplaced, cropped or mixed read shows.
float numberedU(float base, int x, int y);
QByteArray numberedField(int width, int height, float base);

// Writes bytes to path; fails the running test (and returns false) when it cannot.
bool writeFile(const QString &path, const QByteArray &bytes);

#endif // FLO_WRITER_H
