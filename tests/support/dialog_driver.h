#ifndef DIALOG_DRIVER_H
#define DIALOG_DRIVER_H

#include <QString>

// Arms a one-shot answer for the next modal QFileDialog: with a non-empty path the dialog is
// given that file name and accepted, with an empty one it is rejected. The answer is given
// from a timer that polls for the dialog, so the call that opens the dialog can block.
// Returns after arming; the dialog caption seen is stored in lastFileDialogCaption().
void answerNextFileDialog(const QString &path);
void cancelFileDialogAnswer();
QString lastFileDialogCaption();
QString lastFileDialogSelection();
// The folder the dialog showed when it was answered.
QString lastFileDialogFolder();

#endif // DIALOG_DRIVER_H
