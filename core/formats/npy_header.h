#ifndef NPY_HEADER_H
#define NPY_HEADER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The dictionary at the head of a .npy file, parsed as data: only the literal the format
// defines, {'descr': <str>, 'fortran_order': <bool>, 'shape': <tuple of ints>}, in any order
// and spacing, with an optional trailing comma and the padding after it. Nothing is ever
// evaluated; anything else is refused.
struct NpyHeader {
    std::string descr;
    bool fortranOrder = false;
    std::vector<std::int64_t> shape;
};

// False, with why in error, when text is not such a dictionary.
bool parseNpyHeader(const char *text, std::size_t size, NpyHeader &header, std::string &error);

// The magic, version 1.0, length and dictionary of a little-endian float32 array of shape (a
// tuple's text, "3, 4, 2"), padded to a multiple of 64 bytes as the format asks.
std::string npyFloat32Prefix(const std::string &shape);

#endif // NPY_HEADER_H
