#include "scalar_output.h"

#include "atomic_output.h"
#include "byte_order.h"

#include <string>
#include <vector>

namespace {

// Version 1.0: the magic, version, length and dictionary fill a multiple of 64 bytes, the
// dictionary padded with spaces and ended by a newline.
std::string npyPrefix(int rows, int cols)
{
    std::string dict = "{'descr': '<f4', 'fortran_order': False, 'shape': (" +
                       std::to_string(rows) + ", " + std::to_string(cols) + "), }";
    const std::size_t total = (10 + dict.size() + 1 + 63) / 64 * 64;
    dict.append(total - 10 - dict.size() - 1, ' ');
    dict.push_back('\n');
    const char magic[8] = {'\x93', 'N', 'U', 'M', 'P', 'Y', 1, 0};
    std::string prefix(magic, sizeof magic);
    prefix.push_back(static_cast<char>(dict.size() & 0xff));
    prefix.push_back(static_cast<char>(dict.size() >> 8));
    return prefix + dict;
}

} // namespace

void writeScalarPlane(ScalarFormat format, const FloatPlane &plane, const char *path)
{
    AtomicOutput out(path);
    const int rows = plane.rows();
    const int cols = plane.cols();
    const std::string header = format == ScalarFormat::Npy ? npyPrefix(rows, cols)
                                                           : "Pf\n" + std::to_string(cols) + " " +
                                                                 std::to_string(rows) + "\n-1\n";
    out.write(header.data(), header.size());
    std::vector<unsigned char> row(4 * std::size_t(cols));
    for (int i = 0; i < rows; ++i) {
        const int y = format == ScalarFormat::Npy ? i : rows - 1 - i;
        for (int x = 0; x < cols; ++x)
            byteorder::storeFloatLittle(&row[4 * std::size_t(x)], plane[y][x]);
        out.write(row.data(), row.size());
    }
    out.commit();
}
