#ifndef FLOW_INPUT_H
#define FLOW_INPUT_H

#include "regular_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// A flow file opened once: recognition, the header, the length and the data all come through
// this one descriptor, so that a file replaced by rename while it is read is read whole as it
// was opened. Messages begin with the path.
class FlowInput
{
public:
    // Opens the regular file at path and reads its first bytes; the stream is left at the
    // start. Throws CError when it cannot be opened.
    explicit FlowInput(const char *path);
    // The same, or nothing when path names no regular file that can be opened.
    static std::optional<FlowInput> open(const char *path);
    // A file opened already, with its stamp at the open, for a caller that knows its format:
    // its first bytes are not read.
    FlowInput(const char *path, FilePtr file, const FileStamp &opened);
    FlowInput(FlowInput &&) = default;
    FlowInput &operator=(FlowInput &&) = default;

    const char *path() const { return path_; }
    std::FILE *stream() const { return file_.get(); }
    // The length of the file as opened.
    std::int64_t length() const { return opened_.bytes; }
    const unsigned char *head() const { return head_; }
    std::size_t headSize() const { return headSize_; }

    // Exactly n bytes from where the stream is; a file that ends first is too short.
    void readExact(void *out, std::size_t n);
    // The stream is at the end of the file, which has not been rewritten since it was opened.
    void expectEnd();
    // Whether the file is as it was opened: a writer that rewrote it in place meanwhile, keeping
    // its length, would have mixed the old data and the new.
    bool unchanged() const;
    // Throws "changed while being read" unless unchanged().
    void checkUnchanged() const;

    // Throws CError with "<path>: " and the text; %d in it stands for value.
    [[noreturn]] void fail(const char *text) const;
    [[noreturn]] void fail(const char *text, long long value) const;

private:
    FlowInput() = default;
    void unbuffer();
    void readHead();

    const char *path_ = "";
    FileStamp opened_;
    FilePtr file_;
    unsigned char head_[32];
    std::size_t headSize_ = 0;
};

#endif // FLOW_INPUT_H
