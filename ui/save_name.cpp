#include "save_name.h"

QString proposedSaveName(const QString &filePath, const QString &suffix)
{
    const qsizetype dot = filePath.indexOf(QLatin1Char('.'));
    return (dot < 0 ? filePath : filePath.left(dot)) + suffix;
}
