#ifndef PICTURE_LOADER_H
#define PICTURE_LOADER_H

#include "flow_scale.h"
#include "flow_statistics.h"
#include "planes.h"
#include "row_bands.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

class FloReadBuffer;

// The window's seven planes of one picture.
struct PicturePlanes {
    PixelPlane color;
    PixelPlane dimX;
    PixelPlane dimY;
    FloatPlane flowU;
    FloatPlane flowV;
    FloatPlane clampedU;
    FloatPlane clampedV;
};

// The seven planes for rows x cols, in the window's order: the three pixel planes, then the
// four float planes. Throws the allocators' CError; nothing is kept then.
PicturePlanes allocatePicturePlanes(int rows, int cols);

// A picture read and built completely, ready to be shown, made without touching anything on
// screen: a flow with its views drawn, or a raster image with its pixels in the colour plane.
struct LoadedPicture {
    bool isFlow = false;
    int rows = 0;
    int cols = 0;
    int openingCutoff = 0; // a flow's: the largest absolute component, rounded up
    int cutoff = 0;        // a flow's views are drawn at this
    QImage image;          // a raster image as read
    PicturePlanes planes;
    std::optional<FlowStatistics> statistics; // a flow's
};

// Why a picture could not be had.
struct LoadFailure {
    bool sizeError = false;      // a flow header with a side below 1
    QString readerMessage;       // the reader's own words; empty when it has none
    std::optional<QSize> header; // columns x rows, once the header was read
};

// A picture, or why there is none.
struct LoadOutcome {
    std::optional<LoadedPicture> picture;
    LoadFailure failure;
};

// How a flow's colour view is drawn, and the memory its statistics pass through (the load's own
// when none is given).
struct FlowLoadOptions {
    ColourScale scale = ColourScale::Cutoff;
    MagnitudeScratch *scratch = nullptr;
};

// The picture at path as a load of the window reads it, through one descriptor: a name ending
// in ".flo" is a .flo file, any other file a flow when its content says so, else a picture.
// A flow's statistics are taken and its views drawn at cutoff, or at the cutoff it opens at
// when none is given. The data pass through buffer when one is given.
LoadOutcome loadPictureFile(const QString &path, std::optional<int> cutoff,
                            FloReadBuffer *buffer = nullptr,
                            const FlowLoadOptions &options = FlowLoadOptions());

// loadPictureFile for a picture made ahead of need, holding only what takes long to make: a
// flow's planes as read, its cutoffs, statistics and colour view; a raster image as read. Safe
// on any thread, with buffer and options.scratch of that thread's own; without a scratch the
// statistics' memory is given back before the colour view is drawn.
LoadOutcome loadPictureAhead(const QString &path, std::optional<int> cutoff,
                             FloReadBuffer *buffer = nullptr,
                             const FlowLoadOptions &options = FlowLoadOptions());

// Makes the rest of a picture made ahead, byte for byte what loadPictureFile would have made,
// in the bands of plan; a whole picture is left as it is. Throws the allocators' CError.
void completePicture(LoadedPicture &picture, const BandPlan &plan = BandPlan());

#endif // PICTURE_LOADER_H
