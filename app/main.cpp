#include "vek_zandor.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Vek_Zandor window;
    window.show();
    return app.exec();
}
