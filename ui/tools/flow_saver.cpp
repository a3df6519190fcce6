#include "flow_saver.h"

#include "cerror.h"
#include "flow_format.h"
#include "save_name.h"
#include "tool_context.h"
#include "tool_host.h"
#include "viewer_document.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

FlowSaver::FlowSaver(const ToolContext &tools)
    : QObject(tools.window), window_(tools.window), document_(tools.document)
{
    action_ = new QAction(tr("Save Flow As..."), tools.window);
    action_->setObjectName(QStringLiteral("actionSave_Flow_As"));
    action_->setShortcut(QKeySequence(tr("Ctrl+Shift+S")));
    action_->setToolTip(tr("Save the flow as read, in the format of the file name's suffix"));
    action_->setStatusTip(action_->toolTip());
    connect(action_, &QAction::triggered, this, &FlowSaver::save);
    // A picture has no flow to save.
    ViewerDocument *document = document_;
    tools.host->addTool(action_, [document] { return document->showsFlow(); });
}

void FlowSaver::save()
{
    const ViewerDocument &d = *document_;
    QMainWindow *w = window_;
    if (!d.showsFlow())
        return;

    const QString caption = tr("Save Flow As");
    const QString filter = tr("Flow files (*.flo *.flo5 *.pfm *.npy *.png);; All files (*.*)");
    const QFileInfo shown(d.path());
    const QString proposal =
        shown.absolutePath() + QLatin1Char('/') + shown.completeBaseName() + tr(".flo");
    const QString typed = QFileDialog::getSaveFileName(w, caption, proposal, filter);
    if (typed.isEmpty())
        return;
    const QString fileName = completedSaveName(w, caption, typed, tr(".flo"));
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
            report = writeFlow(*format, d.u(), d.v(), local.constData());
        } catch (const CError &e) {
            error = QString::fromLocal8Bit(e.text);
        }
    }
    if (!error.isEmpty()) {
        QMessageBox::warning(w, tr("Save File Error"),
                             tr("Cann't save file ") + fileName + tr(" !") + QLatin1Char('\n') +
                                 error,
                             QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    if (report.clampedComponents > 0)
        w->statusBar()->showMessage(
            tr("%1 components clamped to KITTI's range").arg(report.clampedComponents), 0);
}
