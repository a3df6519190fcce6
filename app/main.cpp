#include "vek_zandor.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Where QSettings keeps what the window remembers: ~/.config/OpticalFlowViewer/flowviewer.conf
    QCoreApplication::setOrganizationName(QStringLiteral("OpticalFlowViewer"));
    QCoreApplication::setApplicationName(QStringLiteral("flowviewer"));
    Vek_Zandor window;
    window.show();
    return app.exec();
}
