#include "test_data.h"

#include <QDir>
#include <QFileInfo>

QString sharedDataDir()
{
    const QString dir = qEnvironmentVariable("FLOWVIEWER_SHARED_DATA");
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return QString();
    return QDir(dir).absolutePath();
}
