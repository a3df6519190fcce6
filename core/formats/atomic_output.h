#ifndef ATOMIC_OUTPUT_H
#define ATOMIC_OUTPUT_H

#include "planes.h"
#include "regular_file.h"

#include <cstddef>
#include <string>

// A file written under a temporary name in its target's folder and renamed over the target only
// once complete and on disk: a failed or interrupted write never leaves a damaged file under the
// name, and a file already there keeps its bytes until the new one replaces it whole.
class AtomicOutput
{
public:
    // Creates the temporary file. Throws CError naming the target when it cannot.
    explicit AtomicOutput(const char *target);
    // Removes the temporary file unless it was committed.
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput &) = delete;
    AtomicOutput &operator=(const AtomicOutput &) = delete;

    const char *target() const { return target_.c_str(); }
    const char *temporaryPath() const { return temporary_.c_str(); }

    // Appends n bytes. Throws CError when they cannot be written.
    void write(const void *data, std::size_t n);
    // Appends u and v, planes of one size, as little-endian float pairs in row-major order,
    // the layout .flo and .npy share.
    void writeInterleaved(const FloatPlane &u, const FloatPlane &v);
    std::FILE *stream() const { return file_.get(); }
    // Closes the stream, for writers that open the temporary file themselves.
    void closeStream();

    // Flushes, syncs and renames the temporary file over the target. Throws CError.
    void commit();

    [[noreturn]] void fail(const std::string &what) const;

private:
    std::string target_;
    std::string temporary_;
    FilePtr file_;
    bool committed_ = false;
};

#endif // ATOMIC_OUTPUT_H
