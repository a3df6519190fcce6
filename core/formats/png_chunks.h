#ifndef PNG_CHUNKS_H
#define PNG_CHUNKS_H

// The walk over a PNG's chunks from its first IDAT on, for the reader that inflates the data
// itself: every chunk's length bounded by the file, every CRC checked, the IDAT chunks in one
// unbroken run, IEND at the end. The chunks before are libspng's to check and to find.

#include <cstddef>
#include <cstdint>

namespace pngchunks {

// The unbroken run of IDAT chunks that holds the compressed image.
struct IdatRun {
    std::size_t first = 0; // offset of its first chunk
    std::size_t end = 0;   // offset of the chunk after it
    std::uint64_t dataBytes = 0;
    int chunks = 0;
};

// The run that starts with the chunk at offset first, where libspng found the first IDAT,
// checking the CRC of each of its chunks. Null, or the fault as the reader's message says it
// ("file is too short", or "PNG " and libspng's word for it).
const char *findIdatRun(const unsigned char *file, std::size_t size, std::size_t first,
                        IdatRun &run);

// The run's data, one chunk after another, into out of run.dataBytes.
void gatherIdat(const unsigned char *file, const IdatRun &run, unsigned char *out);

// The chunks from offset at to IEND: CRCs, no second run of IDAT, no IHDR or PLTE, no critical
// chunk unknown; ancillary ones are skipped. Null or the fault as above. Bytes after IEND are
// not looked at.
const char *checkChunksAfterIdat(const unsigned char *file, std::size_t size, std::size_t at);

} // namespace pngchunks

#endif // PNG_CHUNKS_H
