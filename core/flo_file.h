#ifndef FLO_FILE_H
#define FLO_FILE_H

#include "flo_format.h"
#include "planes.h"
#include "row_bands.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CImage;

// The memory the data pass through on their way into the planes. A reader of many files keeps
// one, one per thread, so that every read after the first finds it mapped already: a fresh one
// costs a page fault for every 4 KB of it on every read.
class FloReadBuffer
{
public:
    FloReadBuffer();
    FloReadBuffer(const FloReadBuffer &) = delete;
    FloReadBuffer &operator=(const FloReadBuffer &) = delete;

    float *pairs() { return pairs_; }
    std::size_t capacity() const { return capacity_; }

    // The chunk of the second thread of a read in two bands, of bandCapacity() pairs: made on
    // the first such read, kept from then on; null when it cannot be had.
    float *bandPairs();
    std::size_t bandCapacity() const;

private:
    // Where the large block cannot be had, reading goes on through this.
    static constexpr std::size_t kFallbackPairs = 2048;
    std::unique_ptr<unsigned char[]> block_;
    std::unique_ptr<unsigned char[]> bandBlock_;
    float *bandPairs_ = nullptr;
    float fallback_[2 * kFallbackPairs];
    float *pairs_ = fallback_;
    std::size_t capacity_ = kFallbackPairs;
};

// One .flo file read through one descriptor: the header, the length and the data all come
// from the file that was opened, so a file replaced by rename while it is read is read whole,
// as it was. One rewritten in place meanwhile is refused. Every fault throws CError with
// ReadFlowFile's message for it.
class FloFile
{
public:
    // The path, extension and regular-file tests, then the open.
    explicit FloFile(const char *path);
    // A file opened already, its stream at the start, whatever its name.
    explicit FloFile(FlowInput &input);
    FloFile(const FloFile &) = delete;
    FloFile &operator=(const FloFile &) = delete;

    // Tag, width and height, unchecked: the probe.
    void readHeader();
    int width() const { return width_; }
    int height() const { return height_; }
    // The stream after the open, for callers that read the header themselves.
    std::FILE *stream() const { return input_.stream(); }

    // The header's tag, width and height as ReadFlowFile tests them.
    void checkHeader() const;
    // A length of exactly 12 + 8 x width x height bytes.
    bool lengthMatches() const;

    // The header read and checked, then the length: a file that passes can fail only by
    // changing while it is read, so nothing is allocated for one that cannot be read. sized,
    // when given, hears the header's width and height as read, before they are checked.
    void readCheckedHeader(const std::function<void(int width, int height)> &sized = nullptr);

    // The data into the overlap of the file and the planes (copyRows x copyCols of each), then
    // the end of the file, through buffer or, without one, a buffer of its own. The length
    // must match. A file that changes meanwhile fails, and may leave the planes partly
    // written. A large file is read in two bands of rows at once (plan), each thread at its
    // own offsets through its own chunk of the buffer.
    void readPlanes(const FloatPlane &u, const FloatPlane &v, int copyRows, int copyCols,
                    FloReadBuffer *buffer = nullptr, const BandPlan &plan = BandPlan());
    // The same for planes of exactly the file's size.
    void readPlanes(const FloatPlane &u, const FloatPlane &v, FloReadBuffer *buffer = nullptr,
                    const BandPlan &plan = BandPlan());
    // The data as they lie in the file, width x height (u, v) pairs, in one read into pairs,
    // then the end. The length must match.
    void readPairs(float *pairs);

    // The data into a two-band image, a row per read, then the end: ReadFlowFile's own way,
    // which finds every fault of a file of any length in the reader's order.
    void readImage(CImage &image);

private:
    void checkLength() const;
    void checkEnd();
    void checkUnchanged() const;
    const char *path() const { return input_.path(); }

    std::optional<FlowInput> own_;
    FlowInput &input_;
    float tag_ = 0.0f;
    int width_ = 0;
    int height_ = 0;
};

// The two planes of a flow, sized by its header.
struct FlowField {
    FloatPlane u;
    FloatPlane v;
};

#endif // FLO_FILE_H
