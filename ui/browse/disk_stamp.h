#ifndef DISK_STAMP_H
#define DISK_STAMP_H

#include <QString>
#include <QtGlobal>

// Which file a name leads to and which version of it: a rename over the name changes the
// inode, a write the length or the modification time.
struct DiskStamp {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 bytes = 0;
    qint64 modifiedNs = 0; // since the epoch

    // The regular file or folder at path now; nothing exists for anything else.
    static DiskStamp of(const QString &path);

    bool sameFile(const DiskStamp &other) const
    {
        return exists == other.exists && device == other.device && inode == other.inode;
    }
    friend bool operator==(const DiskStamp &a, const DiskStamp &b)
    {
        return a.sameFile(b) && a.bytes == b.bytes && a.modifiedNs == b.modifiedNs;
    }
    friend bool operator!=(const DiskStamp &a, const DiskStamp &b) { return !(a == b); }
};

#endif // DISK_STAMP_H
