#include "vek_zandor.h"

#include "picture_loader.h"

void Vek_Zandor::AllocatePlanes()
{
    // Built apart first so that a failure part way leaves every member null.
    takePlanes(allocatePicturePlanes(rows, cols));
}

void Vek_Zandor::takePlanes(PicturePlanes &&planes)
{
    colorPlane = std::move(planes.color);
    dimXPlane = std::move(planes.dimX);
    dimYPlane = std::move(planes.dimY);
    flowU = std::move(planes.flowU);
    flowV = std::move(planes.flowV);
    clampedU = std::move(planes.clampedU);
    clampedV = std::move(planes.clampedV);
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
