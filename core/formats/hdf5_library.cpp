#include "hdf5_library.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace {

struct Loaded {
    Hdf5Library library;
    bool ok = false;
    std::string why;
};

template <class T> bool resolve(void *handle, const char *name, T &into)
{
    into = reinterpret_cast<T>(dlsym(handle, name));
    return into != nullptr;
}

// The identifier a global of the library holds, read once the library is open.
bool identifier(void *handle, const char *name, hid_t &into)
{
    const auto *value = static_cast<const hid_t *>(dlsym(handle, name));
    if (!value)
        return false;
    into = *value;
    return true;
}

Loaded load()
{
    Loaded loaded;
    // The name the build linked against (its soname): the same ABI as the headers above.
    void *handle = dlopen(FLOWVIEWER_HDF5_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *error = dlerror();
        loaded.why = error ? error : FLOWVIEWER_HDF5_SONAME " cannot be loaded";
        return loaded;
    }
    Hdf5Library &h5 = loaded.library;
    bool ok = true;
#define FLOWVIEWER_HDF5_RESOLVE(name) ok = resolve(handle, #name, h5.name) && ok;
    FLOWVIEWER_HDF5_FUNCTIONS(FLOWVIEWER_HDF5_RESOLVE)
#undef FLOWVIEWER_HDF5_RESOLVE
    // The soname pins the ABI; a library of another release than the headers is refused, as
    // HDF5's own check would, but with a message instead of an abort.
    unsigned major = 0;
    unsigned minor = 0;
    unsigned release = 0;
    const bool sameRelease = ok && h5.H5get_libversion(&major, &minor, &release) >= 0 &&
                             major == H5_VERS_MAJOR && minor == H5_VERS_MINOR;
    if (ok && !sameRelease) {
        loaded.why = FLOWVIEWER_HDF5_SONAME " is of another release than this build's headers";
        return loaded;
    }
    ok = ok && h5.H5open() >= 0;
    ok = ok && identifier(handle, "H5P_CLS_FILE_ACCESS_ID_g", h5.fileAccess) &&
         identifier(handle, "H5P_CLS_DATASET_CREATE_ID_g", h5.datasetCreate) &&
         identifier(handle, "H5T_NATIVE_FLOAT_g", h5.nativeFloat) &&
         identifier(handle, "H5T_IEEE_F32LE_g", h5.ieeeF32le);
    if (!ok) {
        loaded.why = FLOWVIEWER_HDF5_SONAME " lacks what this build needs";
        return loaded;
    }
    // Never closed: HDF5 closes itself at exit.
    loaded.ok = true;
    return loaded;
}

} // namespace

const Hdf5Library *hdf5Library(const char **why)
{
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = load(); });
    if (!loaded.ok) {
        if (why)
            *why = loaded.why.c_str();
        return nullptr;
    }
    return &loaded.library;
}
