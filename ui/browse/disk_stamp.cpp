#include "disk_stamp.h"

#include <QFile>

#include <sys/stat.h>

DiskStamp DiskStamp::of(const QString &path)
{
    DiskStamp stamp;
    struct stat info;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 ||
        !(S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)))
        return stamp;
    stamp.exists = true;
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    stamp.bytes = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + qint64(info.st_mtim.tv_nsec);
    return stamp;
}
