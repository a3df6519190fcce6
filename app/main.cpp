#include "command_line.h"
#include "vek_zandor.h"

#include <QApplication>

#include <cstdio>

namespace {

// Prints what --help and --version ask for, or the usage error; returns the exit status, or -1
// when the viewer is to run.
int answer(const ViewerCommandLine &command)
{
    switch (command.action) {
    case ViewerCommandLine::ShowHelp:
    case ViewerCommandLine::ShowVersion:
        std::fputs(command.text.toLocal8Bit().constData(), stdout);
        return 0;
    case ViewerCommandLine::UsageError:
        std::fprintf(stderr, "flowviewer: %s\nTry 'flowviewer --help'.\n",
                     command.text.toLocal8Bit().constData());
        return 2;
    case ViewerCommandLine::Run:
        break;
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    // Where QSettings keeps what the window remembers: ~/.config/OpticalFlowViewer/flowviewer.conf
    QCoreApplication::setOrganizationName(QStringLiteral("OpticalFlowViewer"));
    QCoreApplication::setApplicationName(QStringLiteral("flowviewer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FLOWVIEWER_VERSION));

    // Before the application, which needs a display: --help and --version must work without.
    // Qt's own options (-platform, -style, ...) are known only once it exists, so a usage
    // error waits for the second look.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const ViewerCommandLine early = parseViewerCommandLine(arguments);
    if (early.action == ViewerCommandLine::ShowHelp ||
        early.action == ViewerCommandLine::ShowVersion)
        return answer(early);

    QApplication app(argc, argv);
    const ViewerCommandLine command = parseViewerCommandLine(QCoreApplication::arguments());
    const int status = answer(command);
    if (status >= 0)
        return status;

    Vek_Zandor window;
    window.show();
    return app.exec();
}
