#include "flow_saver.h"

#include "cerror.h"
#include "flow_format.h"
#include "save_name.h"
#include "tool_host.h"
#include "vek_zandor.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStatusBar>

FlowSaver::FlowSaver(Vek_Zandor *window) : QObject(window), window_(window)
{
    action_ = new QAction(tr("Save Flow As..."), window);
    action_->setObjectName(QStringLiteral("actionSave_Flow_As"));
    action_->setShortcut(QKeySequence(tr("Ctrl+Shift+S")));
    action_->setToolTip(tr("Save the flow as read, in the format of the file name's suffix"));
    action_->setStatusTip(action_->toolTip());
    connect(action_, &QAction::triggered, this, &FlowSaver::save);
    // A picture has no flow to save.
    window->toolHost()->addTool(action_, [window] { return window->hasImage && window->isFlow; });
}

void FlowSaver::save()
{
    Vek_Zandor &w = *window_;
    if (!w.hasImage || !w.isFlow)
        return;

    const QString caption = tr("Save Flow As");
    const QString filter = tr("Flow files (*.flo *.flo5 *.pfm *.npy *.png);; All files (*.*)");
    const QFileInfo shown(w.filePath);
    const QString proposal =
        shown.absolutePath() + QLatin1Char('/') + shown.completeBaseName() + tr(".flo");
    const QString typed = QFileDialog::getSaveFileName(&w, caption, proposal, filter);
    if (typed.isEmpty())
        return;
    const QString fileName = completedSaveName(&w, caption, typed, tr(".flo"));
    if (fileName.isEmpty())
        return;

    const QByteArray local = QFile::encodeName(fileName);
    QString error;
    WriteReport report;
    const std::optional<FlowFormat> format = flowFormatForName(local.toStdString());
    if (!format) {
        error =
            tr("%1: the suffix names no flow format (.flo, .flo5, .pfm, .npy, .png)").arg(fileName);
    } else {
        try {
            report = writeFlow(*format, w.flowU, w.flowV, local.constData());
        } catch (const CError &e) {
            error = QString::fromLocal8Bit(e.text);
        }
    }
    if (!error.isEmpty()) {
        QMessageBox::warning(&w, tr("Save File Error"),
                             tr("Cann't save file ") + fileName + tr(" !") + QLatin1Char('\n') +
                                 error,
                             QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    if (report.clampedComponents > 0)
        w.statusBar()->showMessage(
            tr("%1 components clamped to KITTI's range").arg(report.clampedComponents), 0);
}
