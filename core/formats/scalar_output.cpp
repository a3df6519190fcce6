#include "scalar_output.h"

#include "atomic_output.h"
#include "byte_order.h"
#include "npy_header.h"

#include <string>
#include <vector>

void writeScalarPlane(ScalarFormat format, const FloatPlane &plane, const char *path)
{
    AtomicOutput out(path);
    const int rows = plane.rows();
    const int cols = plane.cols();
    const std::string header =
        format == ScalarFormat::Npy
            ? npyFloat32Prefix(std::to_string(rows) + ", " + std::to_string(cols))
            : "Pf\n" + std::to_string(cols) + " " + std::to_string(rows) + "\n-1\n";
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
