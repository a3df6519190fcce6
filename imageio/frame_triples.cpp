#include "frame_triples.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>

namespace {

const QSet<QString> &imageSuffixes()
{
    static const QSet<QString> suffixes = [] {
        QSet<QString> s;
        for (const QByteArray &format : QImageReader::supportedImageFormats())
            s.insert(QString::fromLatin1(format).toLower());
        return s;
    }();
    return suffixes;
}

// The suffixes of the flow formats; a PNG among them is KITTI's.
const QSet<QString> &flowSuffixes()
{
    static const QSet<QString> suffixes{QStringLiteral("flo"), QStringLiteral("flo5"),
                                        QStringLiteral("pfm"), QStringLiteral("npy"),
                                        QStringLiteral("png")};
    return suffixes;
}

QStringList listing(const QString &dir, const QSet<QString> &suffixes)
{
    QStringList files;
    const QFileInfoList entries =
        QDir(dir).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &entry : entries)
        if (suffixes.contains(entry.suffix().toLower()))
            files << entry.absoluteFilePath();
    return files;
}

// The position of the first file of base name in files, or -1.
qsizetype findByName(const QStringList &files, const QString &name)
{
    for (qsizetype i = 0; i < files.size(); ++i)
        if (pairingName(files.at(i)) == name)
            return i;
    return -1;
}

QString native(const QString &dir)
{
    return QDir::toNativeSeparators(dir);
}

} // namespace

QString pairingName(const QString &path)
{
    return QFileInfo(path).completeBaseName();
}

const QStringList &FrameFinder::images(const QString &dir)
{
    auto it = images_.find(dir);
    if (it == images_.end())
        it = images_.insert(dir, listing(dir, imageSuffixes()));
    return *it;
}

const QStringList &FrameFinder::flows(const QString &dir)
{
    auto it = flows_.find(dir);
    if (it == flows_.end())
        it = flows_.insert(dir, listing(dir, flowSuffixes()));
    return *it;
}

QString FrameFinder::backwardFlow(const QString &flowPath, const QString &frame2,
                                  const QString &backwardDir, BackwardBy by, QString *problem)
{
    const QString key = by == BackwardBy::Frame ? pairingName(frame2) : pairingName(flowPath);
    const QStringList &backward = flows(backwardDir);
    const qsizetype found = findByName(backward, key);
    if (found < 0) {
        *problem = QStringLiteral("no backward flow %1 for %2 in %3")
                       .arg(key, QFileInfo(flowPath).fileName(), native(backwardDir));
        return QString();
    }
    if (QFileInfo(backward.at(found)) == QFileInfo(flowPath)) {
        *problem = QStringLiteral("the backward flow found for %1 is the flow itself")
                       .arg(QFileInfo(flowPath).fileName());
        return QString();
    }
    return backward.at(found);
}

QString FrameFinder::nextFrame(const QString &frame1)
{
    const QFileInfo info(frame1);
    const QStringList &frames = images(info.absolutePath());
    const qsizetype at = frames.indexOf(info.absoluteFilePath());
    return at >= 0 && at + 1 < frames.size() ? frames.at(at + 1) : QString();
}

FrameTriple FrameFinder::find(const QString &flowPath, const QString &framesDir,
                              const QString &backwardDir, BackwardBy by)
{
    FrameTriple triple;
    const QString name = pairingName(flowPath);
    const QStringList &frames = images(framesDir);
    const qsizetype first = findByName(frames, name);
    if (first < 0) {
        triple.problem = QStringLiteral("no frame %1 for %2 in %3")
                             .arg(name, QFileInfo(flowPath).fileName(), native(framesDir));
        return triple;
    }
    triple.frame1 = frames.at(first);
    if (first + 1 >= frames.size()) {
        triple.problem = QStringLiteral("no frame after %1 in %2")
                             .arg(QFileInfo(triple.frame1).fileName(), native(framesDir));
        return triple;
    }
    triple.frame2 = frames.at(first + 1);
    if (backwardDir.isEmpty())
        return triple;
    triple.backward = backwardFlow(flowPath, triple.frame2, backwardDir, by, &triple.problem);
    return triple;
}
