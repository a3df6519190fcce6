#include "flo2png_process.h"

#include <QProcess>

namespace {

Flo2PngResult run(const QString &program, const QStringList &arguments, const QString &workDir,
                  const std::function<void()> &childSetup)
{
    QProcess process;
    if (!workDir.isEmpty())
        process.setWorkingDirectory(workDir);
    if (childSetup)
        process.setChildProcessModifier(childSetup);
    process.start(program, arguments);
    Flo2PngResult result;
    // Sanitizer builds are many times slower; nothing here takes more than a few seconds.
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        result.err = program + QStringLiteral(" did not finish: ") + process.errorString();
        return result;
    }
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    if (process.exitStatus() == QProcess::NormalExit)
        result.status = process.exitCode();
    return result;
}

} // namespace

Flo2PngResult runFlo2Png(const QStringList &arguments, const QString &workDir,
                         const std::function<void()> &childSetup)
{
    return run(QStringLiteral(FLO2PNG_PATH), arguments, workDir, childSetup);
}

Flo2PngResult runFlowConvert(const QStringList &arguments, const QString &workDir)
{
    return run(QStringLiteral(FLOWCONVERT_PATH), arguments, workDir, {});
}

Flo2PngResult runFlowEval(const QStringList &arguments, const QString &workDir)
{
    return run(QStringLiteral(FLOWEVAL_PATH), arguments, workDir, {});
}

QImage readRgb(const QString &path)
{
    const QImage image(path);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB888);
}
