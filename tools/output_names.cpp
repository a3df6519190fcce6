#include "output_names.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QLatin1String kPng(".png");

} // namespace

bool hasPngSuffix(const QString &name)
{
    return name.endsWith(kPng, Qt::CaseInsensitive);
}

QString colorViewName(const QString &input, const QString &outDir)
{
    const qsizetype slash = input.lastIndexOf(QLatin1Char('/'));
    const QString folder = input.left(slash + 1);
    QString base = input.mid(slash + 1);
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        base.truncate(dot);
    base += QLatin1String("_colorview.png");
    if (outDir.isEmpty())
        return folder + base;
    return outDir.endsWith(QLatin1Char('/')) ? outDir + base : outDir + QLatin1Char('/') + base;
}

QString channelViewName(const QString &colorView, const QString &channel)
{
    const qsizetype stem = colorView.size() - kPng.size();
    return colorView.left(stem) + QLatin1Char('_') + channel + colorView.mid(stem);
}

QString comparableName(const QString &name)
{
    return QDir::cleanPath(QFileInfo(name).absoluteFilePath());
}
