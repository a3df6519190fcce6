// flo2png: writes the views the viewer shows for flow files as PNG images, in batches.

#include "cli_common.h"
#include "flo2png_options.h"
#include "flow_inputs.h"
#include "flow_key.h"
#include "flow_legend.h"
#include "flow_pictures.h"
#include "image_save.h"
#include "output_names.h"
#include "plane_image.h"
#include "progress_line.h"

#include "cerror.h"
#include "flo_file.h"
#include "flow_to_color.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

namespace {

const QString kTool = QStringLiteral("flo2png");

struct Job {
    QString input;
    QString colorView;
    QString dimX;
    QString dimY;
};

QList<Job> planJobs(const Flo2PngOptions &o)
{
    QList<Job> jobs;
    const QStringList folders =
        o.tree ? treeFolders(o.inputs, o.outDir) : QStringList(o.inputs.size(), o.outDir);
    for (qsizetype i = 0; i < o.inputs.size(); ++i) {
        const QString &input = o.inputs.at(i);
        Job job;
        job.input = input;
        job.colorView = o.output.isEmpty() ? colorViewName(input, folders.at(i)) : o.output;
        if (o.channels) {
            job.dimX = channelViewName(job.colorView, QStringLiteral("dimx"));
            job.dimY = channelViewName(job.colorView, QStringLiteral("dimy"));
        }
        jobs.append(job);
    }
    return jobs;
}

// Two inputs of the same name from different folders would overwrite each other's outputs
// under -d; refuse the run before anything is written. Returns what clashes, or nothing.
QString findClash(const QList<Job> &jobs, const QString &wheelFile)
{
    OutputClaims claims;
    for (const Job &job : jobs)
        claims.claimInput(job.input);
    QString clash = claims.claim(wheelFile, QStringLiteral("--wheel"));
    for (const Job &job : jobs) {
        for (const QString &name : {job.colorView, job.dimX, job.dimY}) {
            if (clash.isEmpty())
                clash = claims.claim(name, job.input);
        }
    }
    return clash;
}

bool save(const QImage &image, const QString &name, ProgressLine &progress)
{
    QString error;
    if (saveImageAtomically(image, name, &error))
        return true;
    progress.message(QStringLiteral("%1: cannot write %2: %3").arg(kTool, name, error));
    return false;
}

// Larger pictures get the viewer's legend, smaller ones one that fits; below the smallest it
// could not be read.
constexpr int kLegendSide = 160;
constexpr int kLegendMargin = 8;
constexpr int kSmallestLegend = 32;

// The colour view with the viewer's legend in its bottom-right corner.
QImage withLegend(const FlowPictures &pictures)
{
    const QImage plain = planeImage(pictures.color);
    QImage image = plain.convertToFormat(QImage::Format_RGB32);
    const int room = std::min(image.width(), image.height());
    const int margin = room >= kLegendSide + 2 * kLegendMargin ? kLegendMargin : 0;
    const int side = std::min(kLegendSide, room - 2 * margin);
    if (side < kSmallestLegend)
        return plain;
    const FlowLegend legend =
        pictures.radius ? colourLegend(*pictures.radius, std::nullopt)
                        : colourLegend(pictures.cutoff > 0 ? CutoffRadius(pictures.cutoff) : 0.0,
                                       pictures.cutoff);
    {
        QPainter painter(&image);
        paintFlowLegend(
            painter,
            QRectF(image.width() - margin - side, image.height() - margin - side, side, side), 1.0,
            legend, legendWheel(side));
    }
    image = image.convertToFormat(QImage::Format_RGB888);
    image.setDotsPerMeterX(plain.dotsPerMeterX());
    image.setDotsPerMeterY(plain.dotsPerMeterY());
    return image;
}

bool convert(const Job &job, const ViewChoice &choice, bool legend, FloReadBuffer &buffer,
             ProgressLine &progress)
{
    try {
        const FlowPictures pictures =
            drawFlowFile(QFile::encodeName(job.input).constData(), choice, &buffer);
        if (!save(legend ? withLegend(pictures) : planeImage(pictures.color), job.colorView,
                  progress))
            return false;
        if (job.dimX.isEmpty())
            return true;
        const bool dimX = save(planeImage(pictures.dimX), job.dimX, progress);
        const bool dimY = save(planeImage(pictures.dimY), job.dimY, progress);
        return dimX && dimY;
    } catch (const CError &error) {
        progress.message(inputMessage(kTool, job.input, QString::fromLocal8Bit(error.text)));
    } catch (const std::bad_alloc &) {
        progress.message(inputMessage(kTool, job.input, QStringLiteral("out of memory")));
    }
    return false;
}

// The legend's labels need Qt Gui's fonts, which come with a platform; nothing is ever shown,
// so no display is needed. Without a legend the tool stays clear of Qt Gui's start-up.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parseFlo2PngCommandLine(arguments).options.legend)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char **argv)
{
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("flo2png"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FLOWVIEWER_VERSION));

    const Flo2PngCommandLine command = parseFlo2PngCommandLine(QCoreApplication::arguments());
    switch (command.action) {
    case Flo2PngCommandLine::ShowHelp:
    case Flo2PngCommandLine::ShowVersion:
        printTo(stdout, command.text);
        return kAllWritten;
    case Flo2PngCommandLine::UsageError:
        return usageError(kTool, command.text);
    case Flo2PngCommandLine::Run:
        break;
    }

    const Flo2PngOptions &o = command.options;
    const QList<Job> jobs = planJobs(o);
    const QString clash = findClash(jobs, o.wheelFile);
    if (!clash.isEmpty())
        return usageError(kTool, clash);

    QStringList folders{o.outDir};
    if (o.tree)
        for (const Job &job : jobs)
            folders << QFileInfo(job.colorView).path();
    folders.removeDuplicates();
    for (const QString &folder : std::as_const(folders)) {
        if (folder.isEmpty() || QDir().mkpath(folder))
            continue;
        printTo(stderr, QStringLiteral("%1: cannot create the folder %2\n").arg(kTool, folder));
        return kSomeFailed;
    }

    ProgressLine progress(!o.quiet && jobs.size() > kFewInputs, int(jobs.size()));
    bool wheelFailed = false;
    if (!o.wheelFile.isEmpty())
        wheelFailed = !save(drawFlowKey(legendKeyLayout(o.wheelSize)), o.wheelFile, progress);

    const ViewChoice choice{o.cutoff, o.autoScale, o.percentile, o.legend};
    FloReadBuffer buffer;
    int failed = 0;
    for (int i = 0; i < jobs.size(); ++i) {
        progress.show(i + 1, jobs.at(i).input);
        if (!convert(jobs.at(i), choice, o.legend, buffer, progress))
            ++failed;
    }
    progress.clear();

    if (failed > 0 && !o.quiet)
        printTo(stderr, QStringLiteral("%1: %2 of %3 inputs not converted\n")
                            .arg(kTool)
                            .arg(failed)
                            .arg(jobs.size()));
    return failed > 0 || wheelFailed ? kSomeFailed : kAllWritten;
}
