#ifndef HDF5_LIBRARY_H
#define HDF5_LIBRARY_H

// HDF5's C library, loaded the first time a .flo5 file is read or written: linked into every
// program, it and the many libraries it needs would weigh on every start, for a format most
// runs never meet.

#include <hdf5.h>

// The functions and identifiers the .flo5 codec uses, under HDF5's own names.
struct Hdf5Library {
#define FLOWVIEWER_HDF5_FUNCTIONS(X)                                                               \
    X(H5open)                                                                                      \
    X(H5get_libversion)                                                                            \
    X(H5Eset_auto2)                                                                                \
    X(H5Pcreate)                                                                                   \
    X(H5Pclose)                                                                                    \
    X(H5Pget_nfilters)                                                                             \
    X(H5Pget_filter2)                                                                              \
    X(H5Pset_fapl_core)                                                                            \
    X(H5Pset_file_image)                                                                           \
    X(H5Pset_chunk)                                                                                \
    X(H5Pset_deflate)                                                                              \
    X(H5Pset_obj_track_times)                                                                      \
    X(H5Fopen)                                                                                     \
    X(H5Fcreate)                                                                                   \
    X(H5Fclose)                                                                                    \
    X(H5Lexists)                                                                                   \
    X(H5Dopen2)                                                                                    \
    X(H5Dcreate2)                                                                                  \
    X(H5Dclose)                                                                                    \
    X(H5Dget_create_plist)                                                                         \
    X(H5Dget_type)                                                                                 \
    X(H5Dget_space)                                                                                \
    X(H5Dget_storage_size)                                                                         \
    X(H5Dread)                                                                                     \
    X(H5Dwrite)                                                                                    \
    X(H5Tget_size)                                                                                 \
    X(H5Tget_class)                                                                                \
    X(H5Tclose)                                                                                    \
    X(H5Screate_simple)                                                                            \
    X(H5Sclose)                                                                                    \
    X(H5Sget_simple_extent_type)                                                                   \
    X(H5Sget_simple_extent_ndims)                                                                  \
    X(H5Sget_simple_extent_dims)
#define FLOWVIEWER_HDF5_MEMBER(name) decltype(&::name) name = nullptr;
    FLOWVIEWER_HDF5_FUNCTIONS(FLOWVIEWER_HDF5_MEMBER)
#undef FLOWVIEWER_HDF5_MEMBER

    // What H5P_FILE_ACCESS, H5P_DATASET_CREATE, H5T_NATIVE_FLOAT and H5T_IEEE_F32LE name once
    // the library is open.
    hid_t fileAccess = -1;
    hid_t datasetCreate = -1;
    hid_t nativeFloat = -1;
    hid_t ieeeF32le = -1;

    // H5F_ACC_RDONLY and H5F_ACC_TRUNC, whose macros would call into the library to check it.
    static constexpr unsigned kReadOnly = 0x0000u;
    static constexpr unsigned kTruncate = 0x0002u;
};

// The library, loaded and opened once by whichever thread asks first; the others wait for it.
// nullptr when it cannot be loaded, with why in *why (the loader's own message).
const Hdf5Library *hdf5Library(const char **why);

#endif // HDF5_LIBRARY_H
