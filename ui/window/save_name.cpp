#include "save_name.h"

#include <QFileInfo>
#include <QMessageBox>

QString proposedSaveName(const QString &filePath, const QString &suffix)
{
    const qsizetype dot = filePath.indexOf(QLatin1Char('.'));
    return (dot < 0 ? filePath : filePath.left(dot)) + suffix;
}

QString completedSaveName(QWidget *parent, const QString &caption, const QString &fileName,
                          const QString &suffix)
{
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    // "name." already has its dot.
    const QString completed =
        fileName + (fileName.endsWith(QLatin1Char('.')) ? suffix.mid(1) : suffix);
    if (QFileInfo::exists(completed) &&
        QMessageBox::question(parent, caption,
                              QObject::tr("%1 already exists.\nDo you want to replace it?")
                                  .arg(QFileInfo(completed).fileName()),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return QString();
    return completed;
}
