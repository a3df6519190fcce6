// The .flo5 reader's checks on valid HDF5 containers of odd shapes and types: the fuzzer
// chooses the dataset's name, rank, sides, element type, layout and whether it is written;
// the file is made with HDF5 and read. HDF5's own parser of damaged files is not ours to test.
//
// Input: name, rank, type, layout (a byte each), then up to four sides (two bytes each, with a
// flag byte that makes a side huge), then values.

#include "cerror.h"
#include "fuzz_support.h"

#include <hdf5.h>

#include <algorithm>
#include <vector>

namespace {

struct Reader {
    const std::uint8_t *at;
    const std::uint8_t *end;
    unsigned byte() { return at < end ? *at++ : 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Reader in{data, data + size};
    const bool flowName = in.byte() % 4 != 0;
    const int rank = int(in.byte() % 5);
    const unsigned typeChoice = in.byte() % 6;
    const unsigned layout = in.byte();
    std::vector<hsize_t> dims;
    hsize_t values = 1;
    for (int i = 0; i < rank; ++i) {
        const unsigned side = in.byte() | in.byte() << 8;
        const bool huge = in.byte() % 16 == 0;
        dims.push_back(huge ? 99990 + side % 20 : 1 + side % 40);
        values *= dims.back();
    }
    const hid_t types[] = {H5T_IEEE_F32LE, H5T_IEEE_F32BE, H5T_IEEE_F64LE,
                           H5T_IEEE_F64BE, H5T_STD_I32LE,  H5T_STD_U8LE};
    const bool writeValues = layout % 3 != 0 && values <= 40 * 40 * 4;

    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    const std::string &path = fuzzsupport::tempPath("input.flo5");
    const hid_t file = H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    if (file < 0)
        fuzzsupport::broken("fuzz_flo5", "HDF5 cannot make a file");
    const hid_t space =
        rank == 0 ? H5Screate(H5S_SCALAR) : H5Screate_simple(rank, dims.data(), nullptr);
    const hid_t plist = H5Pcreate(H5P_DATASET_CREATE);
    if (rank > 0 && (layout & 4 || !writeValues)) {
        std::vector<hsize_t> chunk = dims;
        for (hsize_t &c : chunk)
            c = std::min<hsize_t>(c, 1 + layout % 16);
        H5Pset_chunk(plist, rank, chunk.data());
        if (layout & 8)
            H5Pset_deflate(plist, 1);
        if (layout & 16)
            H5Pset_shuffle(plist);
    }
    const hid_t dataset = H5Dcreate2(file, flowName ? "flow" : "uv", types[typeChoice], space,
                                     H5P_DEFAULT, plist, H5P_DEFAULT);
    std::vector<double> written;
    if (dataset >= 0 && writeValues) {
        for (hsize_t i = 0; i < values; ++i) {
            double value = 0;
            const unsigned b = in.byte();
            value = (b & 0x80 ? -1.0 : 1.0) * double(b & 0x7f) / 4.0;
            written.push_back(value);
        }
        H5Dwrite(dataset, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, written.data());
    }
    if (dataset >= 0)
        H5Dclose(dataset);
    H5Pclose(plist);
    H5Sclose(space);
    H5Fclose(file);

    const bool readable = flowName && rank == 3 && dims[2] == 2 && typeChoice < 4 &&
                          dims[0] <= 99999 && dims[1] <= 99999 && writeValues;
    try {
        const std::optional<FlowField> flow =
            readFlow(path.c_str(), FlowRule::FloByName, {nullptr, BandPlan(), false});
        if (!flow)
            fuzzsupport::broken("fuzz_flo5", "an HDF5 file was not recognised");
        if (!readable)
            fuzzsupport::broken("fuzz_flo5", "a dataset of no flow's shape or type was read");
        for (std::size_t i = 0; i < written.size(); ++i) {
            const float expected = float(written[i]);
            const float got = (i % 2 ? flow->v : flow->u).data()[i / 2];
            if (got != expected)
                fuzzsupport::broken("fuzz_flo5", "a value changed on its way into the planes");
        }
        fuzzsupport::checkRoundTrip("fuzz_flo5", *flow, FlowFormat::Flo5);
    } catch (const CError &) {
        if (readable)
            fuzzsupport::broken("fuzz_flo5", "a well-formed flow dataset was refused");
    }
    return 0;
}
