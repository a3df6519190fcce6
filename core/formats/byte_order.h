#ifndef BYTE_ORDER_H
#define BYTE_ORDER_H

// Byte order of stored samples: files say which order they use, and values move bit for bit,
// as words, so that no NaN payload is ever touched by a float register.

#include <cstdint>
#include <cstring>

namespace byteorder {

inline bool hostIsLittleEndian()
{
    const std::uint16_t probe = 1;
    unsigned char first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

inline std::uint32_t swap32(std::uint32_t x)
{
    return __builtin_bswap32(x);
}

inline std::uint64_t swap64(std::uint64_t x)
{
    return __builtin_bswap64(x);
}

// A float from 4 stored bytes in the given order.
inline float loadFloat(const unsigned char *at, bool littleEndian)
{
    std::uint32_t bits;
    std::memcpy(&bits, at, 4);
    if (littleEndian != hostIsLittleEndian())
        bits = swap32(bits);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// A double from 8 stored bytes in the given order.
inline double loadDouble(const unsigned char *at, bool littleEndian)
{
    std::uint64_t bits;
    std::memcpy(&bits, at, 8);
    if (littleEndian != hostIsLittleEndian())
        bits = swap64(bits);
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

// 4 bytes of a float in little-endian order.
inline void storeFloatLittle(unsigned char *at, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    if (!hostIsLittleEndian())
        bits = swap32(bits);
    std::memcpy(at, &bits, 4);
}

inline void storeInt32Little(unsigned char *at, std::int32_t value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    if (!hostIsLittleEndian())
        bits = swap32(bits);
    std::memcpy(at, &bits, 4);
}

} // namespace byteorder

#endif // BYTE_ORDER_H
