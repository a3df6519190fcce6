#include "flo_reader.h"

#include "flo_file.h"
#include "split_pairs.h"

#include <algorithm>
#include <limits>

namespace {

// A file replaced by a smaller one since the probe fills only part of the planes: the rest
// shows as unknown flow, never as whatever the allocator handed back.
void markUncopiedUnknown(const FloatPlane &plane, int copyRows, int copyCols)
{
    const float unknown = std::numeric_limits<float>::quiet_NaN();
    for (int y = 0; y < plane.rows(); ++y) {
        const int from = y < copyRows ? std::max(copyCols, 0) : 0;
        std::fill(plane[y] + from, plane[y] + plane.cols(), unknown);
    }
}

} // namespace

void ReadFlowFile(CImage &image, const char *path)
{
    FloFile file(path);
    file.readHeader();
    file.checkHeader();
    file.readImage(image);
}

void ReadFlowFileSize(const char *path, int &rows, int &cols)
{
    FloFile file(path);
    float tag;
    flo::readFloHeader(file.stream(), path, tag, cols, rows);
}

void LoadFlowPlanes(const char *path, FloatPlane &flowU, FloatPlane &flowV, int rows, int cols)
{
    FloFile file(path);
    file.readHeader();
    file.checkHeader();
    const int copyRows = std::max(0, std::min({rows, file.height(), flowU.rows(), flowV.rows()}));
    const int copyCols = std::max(0, std::min({cols, file.width(), flowU.cols(), flowV.cols()}));

    if (!file.lengthMatches()) {
        // A file of any other length fails, and the whole image read finds out how, in the
        // reader's order, leaving the planes untouched.
        CImage image;
        file.readImage(image);
        // Only a file grown or cut to the right length since the open gets here.
        for (int y = 0; y < copyRows; ++y)
            splitPairs(reinterpret_cast<const float *>(image.row(y)), flowU[y], flowV[y], copyCols);
    } else {
        {
            // The whole image read asks for its memory before it reads; asking for the same
            // block, left untouched, costs no memory and fails where it would.
            CImage image;
            image.Reshape(ImageShape{file.width(), file.height(), 2});
        }
        file.readPlanes(flowU, flowV, copyRows, copyCols);
    }
    markUncopiedUnknown(flowU, copyRows, copyCols);
    markUncopiedUnknown(flowV, copyRows, copyCols);
}
