#include "png_chunks.h"

#include <libdeflate.h>

#include <cstring>

namespace pngchunks {

namespace {

// The PNG limit on a chunk's length; libspng's words for a larger one.
constexpr std::uint32_t kMaxChunkLength = 0x7fffffffu;

constexpr const char *kTooShort = "file is too short";
constexpr const char *kTooLong = "PNG chunk exceeds maximum standard length";
constexpr const char *kBadCrc = "PNG invalid chunk checksum";
constexpr const char *kBadType = "PNG invalid chunk type";
constexpr const char *kBadPosition = "PNG invalid chunk position";
constexpr const char *kBadLength = "PNG invalid chunk length";
constexpr const char *kUnknownCritical = "PNG unknown critical chunk";

std::uint32_t bigEndian32(const unsigned char *at)
{
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 |
           at[3];
}

struct Chunk {
    std::uint32_t length;
    const unsigned char *type;
    const unsigned char *data;
    std::size_t next;
};

// The chunk at offset at, its length and its CRC's place inside the file.
const char *chunkAt(const unsigned char *file, std::size_t size, std::size_t at, Chunk &chunk)
{
    if (at > size || size - at < 8)
        return kTooShort;
    chunk.length = bigEndian32(file + at);
    if (chunk.length > kMaxChunkLength)
        return kTooLong;
    if (size - at - 8 < std::size_t(chunk.length) + 4)
        return kTooShort;
    chunk.type = file + at + 4;
    chunk.data = file + at + 8;
    chunk.next = at + 12 + chunk.length;
    return nullptr;
}

bool is(const Chunk &chunk, const char *type)
{
    return std::memcmp(chunk.type, type, 4) == 0;
}

const char *checkCrc(const Chunk &chunk)
{
    // The CRC covers the type and the data, which lie one after the other.
    const std::uint32_t crc = libdeflate_crc32(0, chunk.type, 4 + std::size_t(chunk.length));
    return crc == bigEndian32(chunk.data + chunk.length) ? nullptr : kBadCrc;
}

bool isLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

const char *findIdatRun(const unsigned char *file, std::size_t size, std::size_t first,
                        IdatRun &run)
{
    run = IdatRun();
    std::size_t at = first;
    Chunk chunk{};
    if (const char *fault = chunkAt(file, size, at, chunk))
        return fault;
    if (!is(chunk, "IDAT"))
        return kBadPosition;
    run.first = at;
    do {
        if (const char *fault = checkCrc(chunk))
            return fault;
        run.dataBytes += chunk.length;
        ++run.chunks;
        at = chunk.next;
        // The chunk after the run is checked by checkChunksAfterIdat; only its type is read.
        if (at > size || size - at < 8)
            break;
        if (const char *fault = chunkAt(file, size, at, chunk))
            return fault;
    } while (is(chunk, "IDAT"));
    run.end = at;
    return nullptr;
}

void gatherIdat(const unsigned char *file, const IdatRun &run, unsigned char *out)
{
    Chunk chunk{};
    for (std::size_t at = run.first; at < run.end; at = chunk.next) {
        chunkAt(file, run.end, at, chunk);
        std::memcpy(out, chunk.data, chunk.length);
        out += chunk.length;
    }
}

const char *checkChunksAfterIdat(const unsigned char *file, std::size_t size, std::size_t at)
{
    Chunk chunk{};
    for (;; at = chunk.next) {
        if (const char *fault = chunkAt(file, size, at, chunk))
            return fault;
        if (!isLetter(chunk.type[0]) || !isLetter(chunk.type[1]) || !isLetter(chunk.type[2]) ||
            !isLetter(chunk.type[3]))
            return kBadType;
        if (const char *fault = checkCrc(chunk))
            return fault;
        if (is(chunk, "IEND"))
            return chunk.length == 0 ? nullptr : kBadLength;
        if (is(chunk, "IDAT") || is(chunk, "IHDR") || is(chunk, "PLTE"))
            return kBadPosition;
        // A capital first letter marks a chunk that a reader must understand.
        if (chunk.type[0] <= 'Z')
            return kUnknownCritical;
    }
}

} // namespace pngchunks
