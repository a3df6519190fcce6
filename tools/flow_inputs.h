#ifndef FLOW_INPUTS_H
#define FLOW_INPUTS_H

#include <QString>
#include <QStringList>

// The inputs a command line names: files as given; with recursive, a folder stands for every
// flow file below it, in name order: every file of a suffix only flows have (.flo, .flo5,
// .pfm, .npy), and every other file whose content the readers recognise.
// Without recursive a folder is an error, in error.
// Whether a file met in a folder is taken as an input: one of a suffix only flows have
// (.flo, .flo5, .pfm, .npy, in any case), or one whose content the readers recognise.
bool isFlowInput(const QString &path);

bool expandInputs(const QStringList &arguments, bool recursive, QStringList *inputs,
                  QString *error);

// For --tree: where each input's output goes below outDir, keeping the input's folder
// relative to the folder all inputs share.
QStringList treeFolders(const QStringList &inputs, const QString &outDir);

#endif // FLOW_INPUTS_H
