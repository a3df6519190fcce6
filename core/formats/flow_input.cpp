#include "flow_input.h"

#include "cerror.h"

#include <cstdio>
#include <string>

FlowInput::FlowInput(const char *path) : path_(path ? path : "")
{
    file_ = openRegularFile(path, &opened_);
    if (!file_)
        fail("cannot be opened");
    unbuffer();
    readHead();
}

std::optional<FlowInput> FlowInput::open(const char *path)
{
    FlowInput input;
    input.path_ = path ? path : "";
    input.file_ = openRegularFile(path, &input.opened_);
    if (!input.file_)
        return std::nullopt;
    input.unbuffer();
    input.readHead();
    return input;
}

FlowInput::FlowInput(const char *path, FilePtr file, const FileStamp &opened)
    : path_(path ? path : ""), opened_(opened), file_(std::move(file))
{
    unbuffer();
}

// The readers take their data in large pieces, which then go from the kernel straight into
// place instead of through the stream's own buffer.
void FlowInput::unbuffer()
{
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
}

void FlowInput::readHead()
{
    headSize_ = std::fread(head_, 1, sizeof head_, file_.get());
    if (std::ferror(file_.get()) || std::fseek(file_.get(), 0, SEEK_SET) != 0)
        fail("cannot be read");
}

void FlowInput::readExact(void *out, std::size_t n)
{
    if (std::fread(out, 1, n, file_.get()) != n) {
        if (std::ferror(file_.get()))
            fail("cannot be read");
        fail("file is too short");
    }
}

void FlowInput::expectEnd()
{
    if (std::fgetc(file_.get()) != EOF)
        fail("file is too long");
    if (std::ferror(file_.get()))
        fail("cannot be read");
    checkUnchanged();
}

bool FlowInput::unchanged() const
{
    return stampOf(file_.get()) == opened_;
}

void FlowInput::checkUnchanged() const
{
    if (!unchanged())
        fail("file changed while being read");
}

void FlowInput::fail(const char *text) const
{
    throw CError((std::string(path_) + ": " + text).c_str());
}

void FlowInput::fail(const char *text, long long value) const
{
    std::string message = text;
    const std::size_t at = message.find("%d");
    if (at != std::string::npos)
        message.replace(at, 2, std::to_string(value));
    fail(message.c_str());
}
