#include "vek_zandor.h"

#include "cerror.h"
#include "flo_check.h"
#include "flo_reader.h"
#include "flow_views.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>

#include <cstring>

namespace {

// Raster images open up to this many pixels a side; Qt's default limit of 256 MB would refuse
// far smaller ones. Eight bytes a pixel covers decoders that produce 16-bit channels.
constexpr int kMaxImageSide = 16384;
constexpr int kImageAllocationLimitMB = int(qint64(kMaxImageSide) * kMaxImageSide * 8 / 1048576);

QImage readRasterImage(const QString &path)
{
    // Only regular files are opened: opening a FIFO would block for ever.
    if (!QFileInfo(path).isFile())
        return QImage();
    QImageReader reader(path);
    reader.setAllocationLimit(kImageAllocationLimitMB);
    const QSize size = reader.size();
    if (size.width() > kMaxImageSide || size.height() > kMaxImageSide)
        return QImage();
    const QImage image = reader.read();
    if (image.width() > kMaxImageSide || image.height() > kMaxImageSide)
        return QImage();
    return image;
}

// Red, green and blue of every pixel as QImage::pixel gives them, row by row; the formats that
// loaded pictures usually arrive in are copied from their scan lines.
void copyRgb(const QImage &image, const PixelPlane &plane)
{
    const int width = image.width();
    const int height = image.height();
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        for (int y = 0; y < height; ++y) {
            const QRgb *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            std::uint8_t *dst = plane[y][0];
            for (int x = 0; x < width; ++x, dst += 3) {
                dst[0] = std::uint8_t(qRed(src[x]));
                dst[1] = std::uint8_t(qGreen(src[x]));
                dst[2] = std::uint8_t(qBlue(src[x]));
            }
        }
        break;
    case QImage::Format_RGB888:
        for (int y = 0; y < height; ++y)
            std::memcpy(plane[y][0], image.constScanLine(y), std::size_t(width) * 3);
        break;
    case QImage::Format_Grayscale8:
        for (int y = 0; y < height; ++y) {
            const uchar *src = image.constScanLine(y);
            std::uint8_t *dst = plane[y][0];
            for (int x = 0; x < width; ++x, dst += 3)
                dst[0] = dst[1] = dst[2] = src[x];
        }
        break;
    default:
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb p = image.pixel(x, y);
                std::uint8_t *dst = plane[y][x];
                dst[0] = std::uint8_t(qRed(p));
                dst[1] = std::uint8_t(qGreen(p));
                dst[2] = std::uint8_t(qBlue(p));
            }
        }
        break;
    }
}

} // namespace

void Vek_Zandor::LoadCurrentFile()
{
    ReleasePlanes();

    if (browseByStep) {
        const qint64 idx = qint64(dirIndex) - browseStep;
        if (idx >= 0 && idx < dirFiles.size()) {
            dirIndex = int(idx);
            filePath = dirPath + tr("/") + dirFiles.at(dirIndex);
        }
    } else {
        const QFileInfo info(filePath);
        const QDir dir = info.absoluteDir();
        const QStringList filters{tr("*.%1").arg(filePath.right(3))};
        dirPath = dir.absolutePath();
        dirFiles = dir.entryList(filters, QDir::Files, QDir::Name);
        dirIndex = int(dirFiles.indexOf(info.fileName()));
    }

    const auto fail = [this](const QString &suffix) {
        const QString text = tr("Cann't open file ") + filePath + suffix;
        QMessageBox::warning(this, tr("Open File Error"), text, QMessageBox::Ok,
                             QMessageBox::NoButton);
    };
    const auto failWith = [this, &fail](const CError &error) {
        ReleasePlanes();
        fail(tr(" !") + QLatin1Char('\n') + QString::fromLocal8Bit(error.text));
    };

    bool flow = false;
    if (filePath.endsWith(tr(".flo"))) {
        const QByteArray path = QFile::encodeName(filePath);
        try {
            ReadFlowFileSize(path.constData(), rows, cols);
            if (rows < 1 || cols < 1) {
                fail(tr(" (image size error) !"));
                return;
            }
            // A header must never make us allocate memory the file cannot fill.
            CheckFlowFile(path.constData());
            AllocatePlanes();
            LoadFlowPlanes(path.constData(), flowU, flowV, rows, cols);
        } catch (const CError &error) {
            failWith(error);
            return;
        }

        viewImage =
            QImage(colorPlane.data(), cols, rows, colorPlane.bytesPerLine(), QImage::Format_RGB888);
        isFlow = true;
        hasImage = true;
        const int c = InitialFlowCutoff(flowU, flowV, clampedU, clampedV, rows, cols);

        // The range change may move the slider and re-enter SetFlowCutoff; the call below
        // redraws, so the echo only keeps the widgets in step.
        ++cutoffDepth;
        ui.verticalSlider_FlowCutoffVal->setRange(0, c);
        --cutoffDepth;
        sceneRefreshDeferred = true;
        SetFlowCutoff(c);
        sceneRefreshDeferred = false;
        flow = true;
    } else {
        const QImage image = readRasterImage(filePath);
        if (image.isNull()) {
            fail(tr(" !"));
            return;
        }
        viewImage = image;
        rows = viewImage.height();
        cols = viewImage.width();
        try {
            AllocatePlanes();
        } catch (const CError &error) {
            failWith(error);
            return;
        }
        copyRgb(viewImage, colorPlane);
        isFlow = false;
        hasImage = true;
    }

    ui.actionSetMode_Viewing_Optical_Flow->setChecked(flow);
    setWindowTitle(QStringLiteral("Optical Flow Viewer") + tr(" - [%1]").arg(filePath));
    ui.imgSizeEditShow->setText(tr("Size:%1x%2").arg(cols).arg(rows));
    RefreshScene(showIndividualDim);
}
