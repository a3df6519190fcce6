#ifndef FLOW_INPUTS_H
#define FLOW_INPUTS_H

#include <QString>
#include <QStringList>

// The inputs a command line names: files as given; with recursive, a folder stands for every
// flow file below it (by name or content, as the readers recognise them), in name order.
// Without recursive a folder is an error, in error.
bool expandInputs(const QStringList &arguments, bool recursive, QStringList *inputs,
                  QString *error);

// For --tree: where each input's output goes below outDir, keeping the input's folder
// relative to the folder all inputs share.
QStringList treeFolders(const QStringList &inputs, const QString &outDir);

#endif // FLOW_INPUTS_H
