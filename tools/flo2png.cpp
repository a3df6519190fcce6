// flo2png: writes the views the viewer shows for flow files as PNG images, in batches.

#include "cli_common.h"
#include "flo2png_batch.h"
#include "flo2png_options.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>

#include <cstdio>
#include <memory>

#include <malloc.h>

namespace {

const QString kTool = QStringLiteral("flo2png");

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

// Each flow's planes, freed, go straight to the next flow of the batch. By default the C
// library hands blocks this large back to the kernel, which then faults every page in again,
// at a cost many times that of the drawing.
void keepFreedMemory()
{
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

} // namespace

int main(int argc, char **argv)
{
    keepFreedMemory();
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(kTool);
    QCoreApplication::setApplicationVersion(QStringLiteral(FLOWVIEWER_VERSION));

    const Flo2PngCommandLine command =
        parseFlo2PngCommandLine(QCoreApplication::arguments(), QThread::idealThreadCount());
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
    return runFlo2Png(command.options);
}
