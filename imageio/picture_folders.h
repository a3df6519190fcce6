#ifndef PICTURE_FOLDERS_H
#define PICTURE_FOLDERS_H

#include <QHash>
#include <QString>
#include <QStringList>

// The pictures of folders by base name, each folder's names read once: finding the frame of
// every flow of a sequence, or the mask of every pair of a dataset, lists each folder once
// rather than once a name. For one thread at a time.
class PictureFolders
{
public:
    // The pictures named baseName plus one suffix of a format Qt reads, in folder, by name.
    QStringList named(const QString &folder, const QString &baseName);

private:
    QHash<QString, QHash<QString, QStringList>> folders_;
};

#endif // PICTURE_FOLDERS_H
