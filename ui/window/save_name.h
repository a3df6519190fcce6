#ifndef SAVE_NAME_H
#define SAVE_NAME_H

#include <QString>

// The file name the save dialog proposes for the colour view of filePath: everything before
// the path's first '.', followed by suffix ("_colorview.png"). Stored sessions and users rely
// on this exact rule, dots in folder names included.
QString proposedSaveName(const QString &filePath, const QString &suffix);

class QWidget;

// The name a save goes to when the user typed fileName: a name without a suffix names no
// format and gets suffix (".png"). The dialog asked about the name as typed, so a file already
// under the completed name is replaced only when the user says so; an empty string when not.
QString completedSaveName(QWidget *parent, const QString &caption, const QString &fileName,
                          const QString &suffix);

#endif // SAVE_NAME_H
