#include "vek_zandor.h"

#include "browse_controller.h"
#include "flow_tools.h"
#include "picture_loader.h"
#include "scene_panes.h"

#include <QMessageBox>
#include <QSignalBlocker>

#include <optional>

void Vek_Zandor::LoadCurrentFile()
{
    ReleasePlanes();
    browser_->chooseFile();

    // The new picture is read and drawn whole, then put on screen. A name ending in ".flo" is
    // a .flo file; any other file is a flow when its content says so, else a picture.
    const std::optional<int> cutoff = keepCutoff ? std::optional<int>(flowCutoff) : std::nullopt;
    LoadOutcome outcome = browser_->loadChosenFile(cutoff);
    if (!outcome.picture) {
        if (outcome.failure.header) {
            rows = outcome.failure.header->height();
            cols = outcome.failure.header->width();
        }
        QMessageBox::warning(this, tr("Open File Error"), failureText(filePath, outcome.failure),
                             QMessageBox::Ok, QMessageBox::NoButton);
        updateActions();
        browser_->loadEnded(false);
        return;
    }
    showPicture(std::move(*outcome.picture));
    updateActions();
    browser_->loadEnded(true);
}

QString Vek_Zandor::failureText(const QString &path, const LoadFailure &failure) const
{
    if (failure.sizeError)
        return tr("Cann't open file ") + path + tr(" (image size error) !");
    QString text = tr("Cann't open file ") + path + tr(" !");
    if (!failure.readerMessage.isEmpty())
        text += QLatin1Char('\n') + failure.readerMessage;
    return text;
}

void Vek_Zandor::showPicture(LoadedPicture &&picture)
{
    rows = picture.rows;
    cols = picture.cols;
    takePlanes(std::move(picture.planes));
    hasImage = true;
    isFlow = picture.isFlow;

    if (isFlow) {
        viewImage =
            QImage(colorPlane.data(), cols, rows, colorPlane.bytesPerLine(), QImage::Format_RGB888);
        flowCutoff = picture.cutoff;
        ++cutoffPasses;
        {
            const QSignalBlocker quiet(ui.verticalSlider_FlowCutoffVal);
            ui.verticalSlider_FlowCutoffVal->setRange(0, picture.openingCutoff);
        }
        showCutoff(flowCutoff);
    } else {
        viewImage = std::move(picture.image);
    }

    ui.actionSetMode_Viewing_Optical_Flow->setChecked(isFlow);
    setWindowTitle(QStringLiteral("Optical Flow Viewer") + tr(" - [%1]").arg(filePath));
    ui.imgSizeEditShow->setText(tr("Size:%1x%2").arg(cols).arg(rows));
    flowTools_->pictureShown(std::move(picture.statistics));
    if (scenePanes_)
        scenePanes_->pictureTaken();
    RefreshScene(showIndividualDim);
}
