#include "flo_reader.h"

#include "cerror.h"
#include "flo_format.h"

#include <algorithm>
#include <cstdio>

void ReadFlowFile(CImage &image, const char *path)
{
    const flo::FilePtr file = flo::openFloFile(path);
    float tag;
    int width;
    int height;
    flo::readFloHeader(file.get(), path, tag, width, height);
    flo::checkFloHeader(path, tag, width, height);

    image.Reshape(ImageShape{width, height, 2});
    // A pixel is 8 bytes, so a file row is exactly an image row: one read each, no copying.
    const std::size_t rowItems = 2 * std::size_t(width);
    for (int y = 0; y < height; ++y) {
        if (std::fread(image.row(y), sizeof(float), rowItems, file.get()) != rowItems)
            throw CError(flo::kTooShort, path);
    }
    if (std::fgetc(file.get()) != EOF)
        throw CError(flo::kTooLong, path);
    // End of file is the only success; a read error at the end is not one.
    if (std::ferror(file.get()))
        throw CError(flo::kProblemReading, path);
}

void ReadFlowFileSize(const char *path, int &rows, int &cols)
{
    const flo::FilePtr file = flo::openFloFile(path);
    float tag;
    flo::readFloHeader(file.get(), path, tag, cols, rows);
}

void LoadFlowPlanes(const char *path, FloatPlane &flowU, FloatPlane &flowV, int rows, int cols)
{
    CImage image;
    ReadFlowFile(image, path);

    const int copyRows = std::min({rows, image.shape().height, flowU.rows(), flowV.rows()});
    const int copyCols = std::min({cols, image.shape().width, flowU.cols(), flowV.cols()});
    for (int y = 0; y < copyRows; ++y) {
        const float *uv = reinterpret_cast<const float *>(image.row(y));
        float *u = flowU[y];
        float *v = flowV[y];
        for (int x = 0; x < copyCols; ++x) {
            u[x] = uv[2 * x];
            v[x] = uv[2 * x + 1];
        }
    }
}
