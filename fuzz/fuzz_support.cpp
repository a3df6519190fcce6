#include "fuzz_support.h"

#include "cerror.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <unistd.h>

namespace fuzzsupport {

namespace {

std::string folder;
std::vector<std::string> files;

void removeAll()
{
    for (const std::string &file : files)
        std::remove(file.c_str());
    if (!folder.empty())
        rmdir(folder.c_str());
}

} // namespace

const std::string &tempPath(const char *name)
{
    if (folder.empty()) {
        const char *base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/flowfuzz.XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data()))
            broken("fuzz", "cannot make a temporary folder");
        folder = buffer.data();
        std::atexit(removeAll);
    }
    for (const std::string &file : files)
        if (file == folder + "/" + name)
            return file;
    files.push_back(folder + "/" + name);
    return files.back();
}

void writeBytes(const std::string &path, const std::uint8_t *data, std::size_t size)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        broken("fuzz", "cannot write the input file");
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        broken("fuzz", "cannot write the input file");
}

void broken(const char *target, const char *what)
{
    std::fprintf(stderr, "%s: %s\n", target, what);
    std::abort();
}

void checkRoundTrip(const char *target, const FlowField &flow, FlowFormat format)
{
    const int rows = flow.u.rows();
    const int cols = flow.u.cols();
    if (rows < 1 || rows > 99999 || cols < 1 || cols > 99999 || flow.v.rows() != rows ||
        flow.v.cols() != cols)
        broken(target, "a flow of impossible size was read");
    const std::string &again = tempPath(format == FlowFormat::KittiPng ? "again.png" : "again");
    try {
        writeFlow(format, flow.u, flow.v, again.c_str());
        const FlowField back = *readFlow(again.c_str(), FlowRule::FloByName);
        if (back.u.rows() != rows || back.u.cols() != cols ||
            std::memcmp(back.u.data(), flow.u.data(), flow.u.size() * 4) != 0 ||
            std::memcmp(back.v.data(), flow.v.data(), flow.v.size() * 4) != 0)
            broken(target, "the flow read does not come back whole from its own format");
    } catch (const CError &error) {
        std::fprintf(stderr, "%s: %s\n", target, error.text);
        broken(target, "the flow read cannot be written and read again");
    }
}

} // namespace fuzzsupport
