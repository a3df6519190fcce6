// .flo5: an HDF5 file holding a dataset "flow" of shape (H, W, 2), 32- or 64-bit floats. The
// file is read through the one descriptor into memory and handed to HDF5 as an image there, so
// that HDF5 never opens it again by name.

#include "atomic_output.h"
#include "cerror.h"
#include "flow_codecs.h"
#include "flow_input.h"

#include "hdf5_library.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'H', 'D', 'F', '\r', '\n', 0x1a, '\n'};
// Deflate packs at most about 1032 bytes into one: stored data this much smaller than the
// array it claims to hold cannot hold it.
constexpr hsize_t kMaxDeflateRatio = 1032;
constexpr int kGzipLevel = 5;
// Under a folder no system has: the name the file image is opened by.
constexpr const char *kImageName = "/nonexistent-flowviewer-folder/flo5-image";

bool recognises(const unsigned char *head, std::size_t size)
{
    return size >= sizeof kSignature && std::memcmp(head, kSignature, sizeof kSignature) == 0;
}

// Closes an HDF5 identifier with its own close function.
class Handle
{
public:
    Handle(hid_t id, herr_t (*close)(hid_t)) : id_(id), close_(close) {}
    ~Handle()
    {
        if (id_ >= 0)
            close_(id_);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    hid_t get() const { return id_; }
    bool valid() const { return id_ >= 0; }

private:
    hid_t id_;
    herr_t (*close_)(hid_t);
};

// HDF5 prints its error stack to standard error by default; the reader's own message says
// what went wrong. The setting is the calling thread's, in a thread-safe HDF5.
void quietErrors(const Hdf5Library &h5)
{
    h5.H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
}

// Whether the filters of a dataset are ones whose output size is bounded by deflate's ratio.
bool knownFilters(const Hdf5Library &h5, hid_t dataset, bool &deflated)
{
    const Handle plist(h5.H5Dget_create_plist(dataset), h5.H5Pclose);
    if (!plist.valid())
        return false;
    const int count = h5.H5Pget_nfilters(plist.get());
    deflated = false;
    for (int i = 0; i < count; ++i) {
        unsigned flags = 0;
        std::size_t values = 0;
        char name[64];
        unsigned config = 0;
        const H5Z_filter_t filter = h5.H5Pget_filter2(plist.get(), unsigned(i), &flags, &values,
                                                      nullptr, sizeof name, name, &config);
        if (filter == H5Z_FILTER_DEFLATE)
            deflated = true;
        else if (filter != H5Z_FILTER_SHUFFLE && filter != H5Z_FILTER_FLETCHER32)
            return false;
    }
    return true;
}

std::optional<FlowField> read(FlowInput &input, FlowDelivery &)
{
    const char *why = nullptr;
    const Hdf5Library *library = hdf5Library(&why);
    if (!library)
        input.fail((std::string("HDF5's library cannot be loaded: ") + why).c_str());
    const Hdf5Library &h5 = *library;
    quietErrors(h5);
    const std::size_t bytes = std::size_t(input.length());
    std::unique_ptr<unsigned char[]> image(
        new (std::nothrow) unsigned char[std::max<std::size_t>(bytes, 1)]);
    if (!image)
        input.fail("out of memory for the %d bytes of the file", (long long)bytes);
    input.readExact(image.get(), bytes);
    input.expectEnd();

    // HDF5's in-memory driver takes the image as the file's contents. It refuses to open a name
    // that exists, so it is given one that cannot.
    const Handle access(h5.H5Pcreate(h5.fileAccess), h5.H5Pclose);
    if (!access.valid() || h5.H5Pset_fapl_core(access.get(), 1 << 16, false) < 0 ||
        h5.H5Pset_file_image(access.get(), image.get(), bytes) < 0)
        input.fail("HDF5 cannot read the file");
    image.reset();
    const Handle file(h5.H5Fopen(kImageName, Hdf5Library::kReadOnly, access.get()), h5.H5Fclose);
    if (!file.valid())
        input.fail("HDF5 cannot read the file");
    if (h5.H5Lexists(file.get(), "flow", H5P_DEFAULT) <= 0)
        input.fail("holds no dataset \"flow\"");
    const Handle dataset(h5.H5Dopen2(file.get(), "flow", H5P_DEFAULT), h5.H5Dclose);
    if (!dataset.valid())
        input.fail("\"flow\" is not a dataset");

    const Handle type(h5.H5Dget_type(dataset.get()), h5.H5Tclose);
    const std::size_t itemBytes = type.valid() ? h5.H5Tget_size(type.get()) : 0;
    if (!type.valid() || h5.H5Tget_class(type.get()) != H5T_FLOAT ||
        (itemBytes != 4 && itemBytes != 8))
        input.fail("\"flow\" does not hold 32- or 64-bit floats");
    const Handle space(h5.H5Dget_space(dataset.get()), h5.H5Sclose);
    if (!space.valid() || h5.H5Sget_simple_extent_type(space.get()) != H5S_SIMPLE)
        input.fail("\"flow\" has no shape");
    const int rank = h5.H5Sget_simple_extent_ndims(space.get());
    if (rank != 3)
        input.fail("\"flow\" has rank %d where (H, W, 2) is needed", rank);
    hsize_t dims[3] = {0, 0, 0};
    h5.H5Sget_simple_extent_dims(space.get(), dims, nullptr);
    if (dims[2] != 2)
        input.fail("\"flow\" has %d channels where 2 are needed", (long long)dims[2]);
    if (dims[0] < 1 || dims[0] > hsize_t(kMaxFlowSide) || dims[1] < 1 ||
        dims[1] > hsize_t(kMaxFlowSide))
        input.fail(("\"flow\" of " + std::to_string(dims[0]) + " x " + std::to_string(dims[1]) +
                    ": each side must be 1 to 99999")
                       .c_str());

    // Stored data that cannot hold the array: nothing is allocated for it.
    bool deflated = false;
    if (!knownFilters(h5, dataset.get(), deflated))
        input.fail("\"flow\" is stored with a filter other than deflate, shuffle or fletcher32");
    const hsize_t raw = dims[0] * dims[1] * 2 * itemBytes;
    const hsize_t stored = h5.H5Dget_storage_size(dataset.get());
    if (stored * (deflated ? kMaxDeflateRatio : 1) < raw)
        input.fail("\"flow\" stores less data than its shape needs");

    const int height = int(dims[0]);
    const int width = int(dims[1]);
    const std::size_t values = std::size_t(dims[0]) * std::size_t(dims[1]) * 2;
    std::unique_ptr<float[]> pairs(new (std::nothrow) float[values]);
    if (!pairs)
        input.fail("out of memory for %d values", (long long)values);
    // HDF5 converts 64-bit floats to the nearest 32-bit ones, and either byte order to ours.
    if (h5.H5Dread(dataset.get(), h5.nativeFloat, H5S_ALL, H5S_ALL, H5P_DEFAULT, pairs.get()) < 0)
        input.fail("HDF5 cannot read \"flow\"");

    FlowField flow{vek_alloc_2(height, width), vek_alloc_2(height, width)};
    const float *uv = pairs.get();
    for (int y = 0; y < height; ++y) {
        float *u = flow.u[y];
        float *v = flow.v[y];
        for (int x = 0; x < width; ++x, uv += 2) {
            std::memcpy(u + x, uv, 4);
            std::memcpy(v + x, uv + 1, 4);
        }
    }
    return flow;
}

void write(const FloatPlane &u, const FloatPlane &v, const char *path, WriteReport &)
{
    const char *why = nullptr;
    const Hdf5Library *library = hdf5Library(&why);
    if (!library)
        throw CError(
            (std::string(path) + ": cannot be written: HDF5's library cannot be loaded: " + why)
                .c_str());
    const Hdf5Library &h5 = *library;
    quietErrors(h5);
    const hsize_t dims[3] = {hsize_t(u.rows()), hsize_t(u.cols()), 2};
    // Chunks of 64 x 64 pixels keep a crop cheap to read and compress well.
    const hsize_t chunk[3] = {std::min<hsize_t>(dims[0], 64), std::min<hsize_t>(dims[1], 64), 2};
    const std::size_t values = std::size_t(dims[0]) * std::size_t(dims[1]) * 2;
    std::unique_ptr<float[]> pairs(new (std::nothrow) float[values]);
    if (!pairs)
        throw CError((std::string(path) + ": cannot be written: out of memory").c_str());
    float *uv = pairs.get();
    for (int y = 0; y < u.rows(); ++y)
        for (int x = 0; x < u.cols(); ++x, uv += 2) {
            std::memcpy(uv, u[y] + x, 4);
            std::memcpy(uv + 1, v[y] + x, 4);
        }

    AtomicOutput out(path);
    out.closeStream();
    {
        const Handle file(
            h5.H5Fcreate(out.temporaryPath(), Hdf5Library::kTruncate, H5P_DEFAULT, H5P_DEFAULT),
            h5.H5Fclose);
        const Handle space(h5.H5Screate_simple(3, dims, nullptr), h5.H5Sclose);
        const Handle plist(h5.H5Pcreate(h5.datasetCreate), h5.H5Pclose);
        if (!file.valid() || !space.valid() || !plist.valid() ||
            h5.H5Pset_chunk(plist.get(), 3, chunk) < 0 ||
            h5.H5Pset_deflate(plist.get(), kGzipLevel) < 0 ||
            // Without the object's times, one flow always makes one file.
            h5.H5Pset_obj_track_times(plist.get(), false) < 0)
            out.fail("HDF5 cannot create it");
        const Handle dataset(h5.H5Dcreate2(file.get(), "flow", h5.ieeeF32le, space.get(),
                                           H5P_DEFAULT, plist.get(), H5P_DEFAULT),
                             h5.H5Dclose);
        if (!dataset.valid() || h5.H5Dwrite(dataset.get(), h5.nativeFloat, H5S_ALL, H5S_ALL,
                                            H5P_DEFAULT, pairs.get()) < 0)
            out.fail("HDF5 cannot write \"flow\"");
    }
    out.commit();
}

} // namespace

const FlowCodec kFlo5Codec{FlowFormat::Flo5, ".flo5", ".flo5", recognises, read, write};
