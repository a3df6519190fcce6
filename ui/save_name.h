#ifndef SAVE_NAME_H
#define SAVE_NAME_H

#include <QString>

// The file name the save dialog proposes for the colour view of filePath: everything before
// the path's first '.', followed by suffix ("_colorview.png"). Stored sessions and users rely
// on this exact rule, dots in folder names included.
QString proposedSaveName(const QString &filePath, const QString &suffix);

#endif // SAVE_NAME_H
