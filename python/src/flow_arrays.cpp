#include "flow_arrays.h"

#include "split_pairs.h"

#include <climits>
#include <cstring>

namespace {

std::string shapeText(const py::array &a)
{
    std::string text = "(";
    for (py::ssize_t i = 0; i < a.ndim(); ++i)
        text += (i ? ", " : "") + std::to_string(a.shape(i));
    return text + (a.ndim() == 1 ? ",)" : ")");
}

py::array asArray(const py::handle &object, const char *what)
{
    py::array a = py::array::ensure(object);
    if (!a)
        throw py::type_error(std::string(what) + " must be an array");
    return a;
}

int side(py::ssize_t n, const char *what)
{
    if (n <= 0)
        throw py::value_error(std::string(what) + " is empty");
    if (n > INT_MAX / 4)
        throw py::value_error(std::string(what) + " is too large");
    return int(n);
}

// The element at the byte offset of a, whose type is T.
template <typename T>
float at(const char *base, py::ssize_t offset)
{
    T value;
    std::memcpy(&value, base + offset, sizeof value);
    return float(value);
}

template <typename T>
void copyFlow(const py::array &a, bool planar, FlowField &flow)
{
    const auto *base = static_cast<const char *>(a.data());
    const py::ssize_t sy = a.strides(planar ? 1 : 0);
    const py::ssize_t sx = a.strides(planar ? 2 : 1);
    const py::ssize_t sc = a.strides(planar ? 0 : 2);
    for (int y = 0; y < flow.u.rows(); ++y)
        for (int x = 0; x < flow.u.cols(); ++x) {
            const py::ssize_t p = y * sy + x * sx;
            flow.u[y][x] = at<T>(base, p);
            flow.v[y][x] = at<T>(base, p + sc);
        }
}

} // namespace

FlowField flowFromArray(const py::handle &object, const char *what)
{
    const py::array a = asArray(object, what);
    const bool f32 = a.dtype().is(py::dtype::of<float>());
    const bool f64 = a.dtype().is(py::dtype::of<double>());
    if (!f32 && !f64)
        throw py::type_error(std::string(what) + " must be float32 or float64, not " +
                             std::string(py::str(a.dtype())));
    const bool interleaved = a.ndim() == 3 && a.shape(2) == 2;
    const bool planar = a.ndim() == 3 && a.shape(0) == 2 && !interleaved;
    if (!interleaved && !planar)
        throw py::value_error(std::string(what) + " must have shape (H, W, 2) or (2, H, W), not " +
                              shapeText(a));
    const int rows = side(a.shape(planar ? 1 : 0), what);
    const int cols = side(a.shape(planar ? 2 : 1), what);
    if (std::int64_t(rows) * cols > INT_MAX)
        throw py::value_error(std::string(what) + " is too large");
    FlowField flow{vek_alloc_2(rows, cols), vek_alloc_2(rows, cols)};
    const bool packed = a.strides(2) == py::ssize_t(sizeof(float)) &&
                        a.strides(1) == 2 * a.strides(2) && a.strides(0) == cols * a.strides(1);
    if (f32 && interleaved && packed)
        splitPairs(static_cast<const float *>(a.data()), flow.u.data(), flow.v.data(),
                   rows * cols);
    else if (f32)
        copyFlow<float>(a, planar, flow);
    else
        copyFlow<double>(a, planar, flow);
    return flow;
}

std::vector<std::uint8_t> maskFromArray(const py::handle &object, int rows, int cols,
                                        const char *what)
{
    const py::array a = asArray(object, what);
    if (a.ndim() != 2)
        throw py::value_error(std::string(what) + " must have shape (H, W), not " + shapeText(a));
    if (a.shape(0) != rows || a.shape(1) != cols)
        throw py::value_error(std::string(what) + " " + std::to_string(a.shape(1)) + " x " +
                              std::to_string(a.shape(0)) + " does not match the flow's " +
                              std::to_string(cols) + " x " + std::to_string(rows));
    // NumPy's own test for non-zero, whatever the type; a new array, laid out by rows.
    const py::array set = py::module_::import("numpy").attr("ascontiguousarray")(
        a.attr("astype")("bool"));
    const auto *flags = static_cast<const std::uint8_t *>(set.data());
    return std::vector<std::uint8_t>(flags, flags + std::size_t(rows) * std::size_t(cols));
}

PixelPlane pictureFromArray(const py::handle &object, const char *what)
{
    const py::array a = asArray(object, what);
    if (!a.dtype().is(py::dtype::of<std::uint8_t>()))
        throw py::type_error(std::string(what) + " must be uint8, not " +
                             std::string(py::str(a.dtype())));
    const bool grey = a.ndim() == 2;
    if (!grey && (a.ndim() != 3 || a.shape(2) != 3))
        throw py::value_error(std::string(what) + " must have shape (H, W, 3) or (H, W), not " +
                              shapeText(a));
    const int rows = side(a.shape(0), what);
    const int cols = side(a.shape(1), what);
    PixelPlane picture = vek_alloc_3(cols, rows);
    const auto *base = static_cast<const char *>(a.data());
    // A grey frame has three equal channels.
    const py::ssize_t channelStride = grey ? 0 : a.strides(2);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x)
            for (int c = 0; c < 3; ++c)
                picture[y][x][c] = std::uint8_t(
                    base[y * a.strides(0) + x * a.strides(1) + c * channelStride]);
    return picture;
}

py::array_t<float> flowArray(const FloatPlane &u, const FloatPlane &v)
{
    py::array_t<float> out({py::ssize_t(u.rows()), py::ssize_t(u.cols()), py::ssize_t(2)});
    float *p = out.mutable_data();
    for (std::size_t i = 0; i < u.size(); ++i) {
        *p++ = u.data()[i];
        *p++ = v.data()[i];
    }
    return out;
}

py::array_t<float> planeArray(const FloatPlane &plane)
{
    py::array_t<float> out({py::ssize_t(plane.rows()), py::ssize_t(plane.cols())});
    std::memcpy(out.mutable_data(), plane.data(), plane.size() * sizeof(float));
    return out;
}

py::array_t<std::uint8_t> pictureArray(const PixelPlane &picture)
{
    py::array_t<std::uint8_t> out(
        {py::ssize_t(picture.rows()), py::ssize_t(picture.cols()), py::ssize_t(3)});
    std::memcpy(out.mutable_data(), picture.data(), picture.byteCount());
    return out;
}

py::array_t<std::uint8_t> greyArray(const PixelPlane &picture)
{
    py::array_t<std::uint8_t> out({py::ssize_t(picture.rows()), py::ssize_t(picture.cols())});
    std::uint8_t *p = out.mutable_data();
    for (std::size_t i = 0, n = picture.byteCount(); i < n; i += 3)
        *p++ = picture.data()[i];
    return out;
}

std::string pathOf(const py::handle &path)
{
    const py::object os = py::module_::import("os");
    const py::object name = os.attr("fsencode")(os.attr("fspath")(path));
    return name.cast<std::string>();
}
