#include "atomic_output.h"

#include "byte_order.h"
#include "cerror.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::string errorText(int code)
{
    char buffer[256];
    // The GNU form returns the text, in buffer or in static storage of its own.
    return ::strerror_r(code, buffer, sizeof buffer);
}

// ".name.flowtmp-XXXXXXXX" beside the target: hidden, and unmistakably ours.
std::string temporaryName(const std::string &target, unsigned number)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", number);
    return folder + "." + base + ".flowtmp-" + suffix;
}

} // namespace

AtomicOutput::AtomicOutput(const char *target) : target_(target ? target : "")
{
    if (target_.empty() || target_.back() == '/')
        fail("no file name");
    std::random_device random;
    int fd = -1;
    int error = 0;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary_ = temporaryName(target_, random());
        // 0666 with the user's umask applied, as for any new file.
        fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        error = errno;
        if (fd < 0 && error != EEXIST)
            break;
    }
    if (fd < 0) {
        temporary_.clear();
        fail(errorText(error));
    }
    file_.reset(::fdopen(fd, "wb"));
    if (!file_) {
        error = errno;
        ::close(fd);
        ::unlink(temporary_.c_str());
        temporary_.clear();
        fail(errorText(error));
    }
}

AtomicOutput::~AtomicOutput()
{
    file_.reset();
    if (!committed_ && !temporary_.empty())
        ::unlink(temporary_.c_str());
}

void AtomicOutput::write(const void *data, std::size_t n)
{
    if (!file_ || std::fwrite(data, 1, n, file_.get()) != n)
        fail(errorText(errno));
}

void AtomicOutput::closeStream()
{
    if (file_ && std::fclose(file_.release()) != 0)
        fail(errorText(errno));
}

void AtomicOutput::commit()
{
    if (file_) {
        if (std::fflush(file_.get()) != 0 || ::fsync(::fileno(file_.get())) != 0)
            fail(errorText(errno));
        closeStream();
    } else {
        // Written by a library that opened the temporary file itself.
        const int fd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            const int error = errno;
            if (fd >= 0)
                ::close(fd);
            fail(errorText(error));
        }
        ::close(fd);
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
        fail(errorText(errno));
    committed_ = true;
}

void AtomicOutput::fail(const std::string &what) const
{
    throw CError((target_ + ": cannot be written: " + what).c_str());
}

void AtomicOutput::writeInterleaved(const FloatPlane &u, const FloatPlane &v)
{
    std::vector<unsigned char> row(8 * std::size_t(u.cols()));
    for (int y = 0; y < u.rows(); ++y) {
        for (int x = 0; x < u.cols(); ++x) {
            byteorder::storeFloatLittle(&row[8 * std::size_t(x)], u[y][x]);
            byteorder::storeFloatLittle(&row[8 * std::size_t(x) + 4], v[y][x]);
        }
        write(row.data(), row.size());
    }
}
