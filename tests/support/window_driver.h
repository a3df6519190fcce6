#ifndef WINDOW_DRIVER_H
#define WINDOW_DRIVER_H

#include "vek_zandor.h"

// The two ways a file reaches the window: by name (open dialog, drop, command line) and by
// stepping through the folder (the mouse wheel).
inline void openByName(Vek_Zandor &w, const QString &path)
{
    w.filePath = path;
    w.browseByStep = false;
    w.LoadCurrentFile();
}

inline void step(Vek_Zandor &w, int notches)
{
    w.browseByStep = true;
    w.browseStep = notches;
    w.LoadCurrentFile();
}

#endif // WINDOW_DRIVER_H
