#include "flow_inputs.h"

#include "cli_common.h"
#include "flow_format.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

// Every flow file below folder, sorted by path so that the order does not depend on the file
// system's.
QStringList flowFilesBelow(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (isFlowInput(path))
            found << path;
    }
    found.sort();
    return found;
}

} // namespace

// A suffix only flows have takes a file whatever it holds, so that a broken or empty one is
// reported rather than passed over.
bool isFlowInput(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("flo") || suffix == QLatin1String("flo5") ||
           suffix == QLatin1String("pfm") || suffix == QLatin1String("npy") ||
           recogniseFlowFile(QFile::encodeName(path).constData(), kInputRule).has_value();
}

bool expandInputs(const QStringList &arguments, bool recursive, QStringList *inputs, QString *error)
{
    inputs->clear();
    for (const QString &argument : arguments) {
        if (!QFileInfo(argument).isDir()) {
            *inputs << argument;
            continue;
        }
        if (!recursive) {
            *error = QStringLiteral("%1 is a folder; -r reads the flow files in it").arg(argument);
            return false;
        }
        *inputs << flowFilesBelow(argument);
    }
    return true;
}

QStringList treeFolders(const QStringList &inputs, const QString &outDir)
{
    QStringList folders;
    for (const QString &input : inputs)
        folders << QFileInfo(input).absolutePath();
    // The longest run of whole folder names they all begin with.
    QStringList common = folders.isEmpty() ? QStringList() : folders.first().split('/');
    for (const QString &folder : std::as_const(folders)) {
        const QStringList parts = folder.split('/');
        int same = 0;
        while (same < common.size() && same < parts.size() && common[same] == parts[same])
            ++same;
        common = common.mid(0, same);
    }
    const QString base = common.join('/');
    QStringList result;
    for (const QString &folder : std::as_const(folders)) {
        const QString below =
            QDir(base.isEmpty() ? QStringLiteral("/") : base).relativeFilePath(folder);
        result << (below == QLatin1String(".") || below.isEmpty() ? outDir
                                                                  : QDir(outDir).filePath(below));
    }
    return result;
}
