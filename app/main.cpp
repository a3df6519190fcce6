#include "command_line.h"
#include "vek_zandor.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Where QSettings keeps what the window remembers: ~/.config/OpticalFlowViewer/flowviewer.conf
    QCoreApplication::setOrganizationName(QStringLiteral("OpticalFlowViewer"));
    QCoreApplication::setApplicationName(QStringLiteral("flowviewer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FLOWVIEWER_VERSION));

    // Before the application, which needs a display: --help and --version must work without.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    ViewerCommandLine command = parseViewerCommandLine(arguments);
    if (command.action == ViewerCommandLine::ShowHelp ||
        command.action == ViewerCommandLine::ShowVersion) {
        std::fputs(command.text.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    // Qt's own options (-platform, -style, ...) are gone from the arguments now.
    command = parseViewerCommandLine(QCoreApplication::arguments());
    if (command.action != ViewerCommandLine::Run) {
        std::fprintf(stderr, "flowviewer: %s\nTry 'flowviewer --help'.\n",
                     command.text.toLocal8Bit().constData());
        return 2;
    }
    if (!command.groundTruth.isEmpty())
        std::fprintf(stderr, "flowviewer: --gt: this viewer cannot compare with a ground truth "
                             "yet; showing the flow alone\n");

    Vek_Zandor window;
    window.show();
    return app.exec();
}
