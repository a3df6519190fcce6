#ifndef OUTPUT_NAMES_H
#define OUTPUT_NAMES_H

#include <QString>

// True when name ends in ".png", in any case.
bool hasPngSuffix(const QString &name);

// Where the colour view of input goes: its file name without the extension, followed by
// "_colorview.png", in outDir or, when outDir is empty, beside the input. Only the file name
// can lose an extension; dots in folder names stay.
QString colorViewName(const QString &input, const QString &outDir);

// A grey component view beside the colour view: "_dimx" or "_dimy" (channel) inserted before
// the colour view's ".png" suffix, which it must have.
QString channelViewName(const QString &colorView, const QString &channel);

// A form of name that two names for the same file share, for finding clashing outputs.
QString comparableName(const QString &name);

#endif // OUTPUT_NAMES_H
