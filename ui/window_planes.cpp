#include "vek_zandor.h"

void Vek_Zandor::AllocatePlanes()
{
    // Built into locals first so that a failure part way leaves every member null.
    PixelPlane color = vek_alloc_3(cols, rows);
    PixelPlane dimX = vek_alloc_3(cols, rows);
    PixelPlane dimY = vek_alloc_3(cols, rows);
    FloatPlane u = vek_alloc_2(rows, cols);
    FloatPlane v = vek_alloc_2(rows, cols);
    FloatPlane cu = vek_alloc_2(rows, cols);
    FloatPlane cv = vek_alloc_2(rows, cols);

    colorPlane = std::move(color);
    dimXPlane = std::move(dimX);
    dimYPlane = std::move(dimY);
    flowU = std::move(u);
    flowV = std::move(v);
    clampedU = std::move(cu);
    clampedV = std::move(cv);
}

void Vek_Zandor::ReleasePlanes()
{
    // viewImage may wrap the colour plane's block; it must never outlive it.
    if (colorPlane && viewImage.constBits() == colorPlane.data())
        viewImage = QImage();

    colorPlane.reset();
    dimXPlane.reset();
    dimYPlane.reset();
    flowU.reset();
    flowV.reset();
    clampedU.reset();
    clampedV.reset();

    isFlow = false;
    hasImage = false;
}
