#include "plane_image.h"

namespace {

// 96 dpi, what an ordinary screen gives.
constexpr int kDotsPerMeterAt96Dpi = 3780;

} // namespace

QImage planeImage(const PixelPlane &plane)
{
    QImage image(plane.data(), plane.cols(), plane.rows(), plane.bytesPerLine(),
                 QImage::Format_RGB888);
    image.setDotsPerMeterX(kDotsPerMeterAt96Dpi);
    image.setDotsPerMeterY(kDotsPerMeterAt96Dpi);
    return image;
}
