#include "command_line.h"

#include "cerror.h"
#include "compare_mode.h"
#include "flo_file.h"
#include "flow_format.h"
#include "picture_loader.h"
#include "viewer_document.h"

#include <QAction>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>

namespace {

QString description()
{
    return QStringLiteral(
        "Shows optical-flow fields (.flo, KITTI PNG, PFM, .npy, .flo5) colour-coded, and raster\n"
        "images.\n"
        "FILE opens at start; a FOLDER opens at its first flow by name, or at its first image\n"
        "when it holds no flow. Keys: Right, Page Down, Space next file; Left, Page Up,\n"
        "Backspace previous; Home, End first and last; F5 reload; F11 full screen; Esc quit.\n"
        "With --gt the flow is shown beside its ground truth and the end-point error, and each\n"
        "flow stepped to beside the flow of its name in the ground truth's folder.\n"
        "With --follow the newest file of the folder shows, and each new one as it is written.\n"
        "Exit status: 0, or 2 for a usage error.");
}

bool isSoundFlow(const QString &path)
{
    const QByteArray local = QFile::encodeName(path);
    // Other formats are known by their first bytes; the load reports what is wrong further on.
    if (!isFloName(local.constData()))
        return recogniseFlowFile(local.constData(), FlowRule::FloByName).has_value();
    try {
        FloFile(local.constData()).readCheckedHeader();
        return true;
    } catch (const CError &) {
        return false;
    }
}

bool isReadablePicture(const QString &path)
{
    QImageReader reader(path);
    return reader.canRead();
}

} // namespace

ViewerCommandLine parseViewerCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption groundTruth(
        "gt",
        "Compare the opened flow with this ground-truth flow, or with the flow of its name in "
        "this folder.",
        "GT");
    const QCommandLineOption follow(
        "follow", "Show the newest file of DIR, then each new file as it is written there.",
        "DIR");
    parser.addOptions({groundTruth, follow});
    parser.addPositionalArgument("FILE|FOLDER", "The flow or image to open, or its folder.",
                                 "[FILE|FOLDER]");

    ViewerCommandLine result;
    if (!parser.parse(arguments)) {
        result.text = parser.errorText();
        return result;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        result.action = ViewerCommandLine::ShowHelp;
        result.text = parser.helpText();
        // Printed before the application exists, the parser knows no name for the program.
        result.text.replace(QLatin1String("<executable_name>"),
                            QCoreApplication::applicationName());
        return result;
    }
    if (parser.isSet(version)) {
        result.action = ViewerCommandLine::ShowVersion;
        result.text = QCoreApplication::applicationName() + QLatin1Char(' ') +
                      QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return result;
    }
    const QString file = parser.positionalArguments().value(0);
    if (parser.isSet(follow)) {
        if (!file.isEmpty()) {
            result.text = QStringLiteral("Give a FILE|FOLDER or --follow DIR, not both.");
            return result;
        }
        if (!QFileInfo(parser.value(follow)).isDir()) {
            result.text =
                QStringLiteral("--follow needs a folder: '%1'").arg(parser.value(follow));
            return result;
        }
        result.follow = parser.value(follow);
    } else if (parser.isSet(groundTruth) && file.isEmpty()) {
        result.text = QStringLiteral("--gt needs a flow FILE to compare.");
        return result;
    }
    result.action = ViewerCommandLine::Run;
    result.file = file;
    result.groundTruth = parser.value(groundTruth);
    return result;
}

QString firstShowableFile(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    for (const QString &name : names)
        if (isSoundFlow(dir.filePath(name)))
            return dir.filePath(name);
    for (const QString &name : names)
        if (!isFloName(QFile::encodeName(name).constData()) &&
            isReadablePicture(dir.filePath(name)))
            return dir.filePath(name);
    return QString();
}

QString newestShowableFile(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files, QDir::Time);
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        if (isSoundFlow(path) ||
            (!isFloName(QFile::encodeName(name).constData()) && isReadablePicture(path)))
            return path;
    }
    return QString();
}

void openCommandLine(ViewerDocument &document, QWidget *window)
{
    const ViewerCommandLine command = parseViewerCommandLine(QCoreApplication::arguments());
    if (command.action != ViewerCommandLine::Run ||
        (command.file.isEmpty() && command.follow.isEmpty()))
        return;
    QString path = command.file;
    if (!command.follow.isEmpty() || QFileInfo(path).isDir()) {
        const QString folder = command.follow.isEmpty() ? command.file : command.follow;
        path = command.follow.isEmpty() ? firstShowableFile(folder) : newestShowableFile(folder);
        if (path.isEmpty()) {
            LoadFailure failure;
            failure.readerMessage = QObject::tr("The folder holds no flow or image to show.");
            QMessageBox::warning(window, QObject::tr("Open File Error"),
                                 document.failureText(folder, failure), QMessageBox::Ok,
                                 QMessageBox::NoButton);
            return;
        }
    }
    document.open(path);
    if (!command.follow.isEmpty())
        if (auto *follow = window->findChild<QAction *>(QStringLiteral("actionFollowNewest")))
            follow->setChecked(true);
    // A failed load has said why already; there is nothing to compare.
    if (!command.groundTruth.isEmpty() && document.hasPicture())
        if (auto *compare = window->findChild<CompareMode *>())
            compare->compareWith(command.groundTruth);
}
