#ifndef FLO_READER_H
#define FLO_READER_H

#include "cimage.h"
#include "planes.h"

// Reads a whole .flo file into image as width x height pixels of two float bands (u, v),
// memory reused when the shape is unchanged. Throws CError naming the first fault found.
void ReadFlowFile(CImage &image, const char *path);

// Reads only the header: cols := width, rows := height, unchecked. Throws CError when the
// file cannot be opened or its 12 header bytes cannot be read.
void ReadFlowFileSize(const char *path, int &rows, int &cols);

// Reads the file and copies its u and v into flowU and flowV, with ReadFlowFile's messages in
// its order. Copies only what lies inside rows x cols, both planes and the image read, so a
// file changed since the probe cannot lead outside any of them. The planes are untouched
// when the read fails, except after a read error or a change to the file while its data are
// being read (its length is checked first), which may leave part of them written. After a
// successful read, whatever of the planes the file did not cover holds unknown flow (NaN).
void LoadFlowPlanes(const char *path, FloatPlane &flowU, FloatPlane &flowV, int rows, int cols);

#endif // FLO_READER_H
