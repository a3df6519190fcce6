#ifndef FLO2PNG_PROCESS_H
#define FLO2PNG_PROCESS_H

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

struct Flo2PngResult {
    int status = -1; // -1 when it did not run or did not end normally
    QString out;
    QString err;
};

// Runs the built flo2png with arguments in workDir (the current folder when empty) and waits
// for it. childSetup, when given, runs in the child just before the program starts.
Flo2PngResult runFlo2Png(const QStringList &arguments, const QString &workDir = QString(),
                         const std::function<void()> &childSetup = {});

// The same for the built flowconvert.
Flo2PngResult runFlowConvert(const QStringList &arguments, const QString &workDir = QString());

// The same for the built floweval.
Flo2PngResult runFlowEval(const QStringList &arguments, const QString &workDir = QString());

// The PNG at path as 3-byte RGB rows, or a null image when it cannot be read.
QImage readRgb(const QString &path);

#endif // FLO2PNG_PROCESS_H
