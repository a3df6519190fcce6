#ifndef REGULAR_FILE_H
#define REGULAR_FILE_H

#include <cstdint>
#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(std::FILE *file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// What identifies one version of an open file's contents: a write in place changes the
// modification time (at the tick of the clock behind it) or the length. Not the change time:
// a rename over the file's name changes that of the file still open, whose data stay as read.
struct FileStamp {
    std::int64_t bytes = 0;
    std::int64_t modified = 0; // nanoseconds
    friend bool operator==(const FileStamp &a, const FileStamp &b)
    {
        return a.bytes == b.bytes && a.modified == b.modified;
    }
    friend bool operator!=(const FileStamp &a, const FileStamp &b) { return !(a == b); }
};

// The regular file at path opened for binary reading, or null: a FIFO, a directory or a
// device is never opened, since opening a FIFO blocks until a writer appears. stamp, when
// given, receives the opened file's length and modification time.
FilePtr openRegularFile(const char *path, FileStamp *stamp = nullptr);

// The stamp of the open file now; all zero when it cannot be had.
FileStamp stampOf(std::FILE *file);

#endif // REGULAR_FILE_H
