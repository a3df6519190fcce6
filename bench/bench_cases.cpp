#include "bench_cases.h"

#include "flo_file.h"
#include "vek_zandor.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// What any program must at least do to have a file in memory: open, read() it whole into a
// buffer that is already there, close. The buffer starts half a page in, where the kernel's
// copy runs fastest whatever the file's own alignment.
class PlainRead
{
public:
    explicit PlainRead(const QString &path)
        : path_(QFile::encodeName(path)), size_(std::size_t(QFileInfo(path).size()) + 1),
          block_(size_ + 2 * kPage)
    {
        const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block_.data());
        buffer_ = reinterpret_cast<char *>(((start + kPage - 1) & ~std::uintptr_t(kPage - 1)) +
                                           kPage / 2);
    }

    void operator()()
    {
        const int fd = ::open(path_.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            fail();
        std::size_t got = 0;
        for (;;) {
            const ssize_t n = ::read(fd, buffer_ + got, size_ - got);
            if (n < 0)
                fail();
            if (n == 0)
                break;
            got += std::size_t(n);
        }
        ::close(fd);
        if (got + 1 != size_)
            fail();
    }

private:
    static constexpr std::size_t kPage = 4096;

    [[noreturn]] void fail() const
    {
        std::fprintf(stderr, "flowviewer-bench: cannot read %s\n", path_.constData());
        std::exit(1);
    }

    QByteArray path_;
    std::size_t size_;
    std::vector<char> block_;
    char *buffer_ = nullptr;
};

// Lets the window paint what changed, as the event loop would between two user actions.
void settleEvents()
{
    QCoreApplication::processEvents();
}

} // namespace

// A user who pre-renders flows to PNG: decode it, make the pixmap a layer would show.
std::function<void()> pngReference(const QString &path)
{
    return [path] {
        const QImage image(path);
        const QPixmap pixmap = QPixmap::fromImage(image);
        if (pixmap.isNull()) {
            std::fprintf(stderr, "flowviewer-bench: cannot decode %s\n", qPrintable(path));
            std::exit(1);
        }
    };
}

PairTiming benchRead(const BenchFlow &flow, const TimingPlan &plan)
{
    const QByteArray path = QFile::encodeName(flow.floPath);
    FloatPlane u = vek_alloc_2(flow.rows, flow.cols);
    FloatPlane v = vek_alloc_2(flow.rows, flow.cols);
    // The viewer's road through one descriptor: header, checks, data, through a buffer kept
    // from read to read as the window keeps its own.
    FloReadBuffer buffer;
    const auto run = [&] {
        FloFile file(path.constData());
        file.readCheckedHeader();
        file.readPlanes(u, v, &buffer);
    };
    PlainRead reference(flow.floPath);
    return timePair(run, std::ref(reference), plan);
}

PairTiming benchOpen(const BenchFlow &flow, const TimingPlan &plan)
{
    Vek_Zandor w;
    const auto run = [&] { openFlowOrExit(w, flow.floPath); };
    return timePair(run, pngReference(flow.pngPath), plan, settleEvents);
}

std::vector<PairTiming> benchRecolour(const std::vector<BenchFlow> &flows, const TimingPlan &plan)
{
    // One window per flow, all measured in the same rounds, so that the sizes compare with
    // each other as well as with their references.
    std::vector<std::unique_ptr<Vek_Zandor>> windows;
    std::vector<int> next;
    std::vector<std::function<void()>> runs;
    for (std::size_t i = 0; i < flows.size(); ++i) {
        windows.push_back(std::make_unique<Vek_Zandor>());
        openFlowOrExit(*windows.back(), flows[i].floPath);
        // Back and forth between two neighbouring slider positions where the colours saturate.
        next.push_back(std::max(2, flows[i].stepCutoff));
    }
    settleEvents();
    for (std::size_t i = 0; i < flows.size(); ++i) {
        const int high = std::max(2, flows[i].stepCutoff);
        runs.push_back([&windows, &next, i, high] {
            Vek_Zandor &w = *windows[i];
            w.SetFlowCutoff(next[i]);
            if (w.flowCutoff != next[i]) {
                std::fprintf(stderr, "flowviewer-bench: the cutoff did not move to %d\n", next[i]);
                std::exit(1);
            }
            next[i] = next[i] == high ? high - 1 : high;
        });
        runs.push_back(pngReference(flows[i].pngPath));
    }
    const std::vector<double> medians = timeRoundRobin(runs, plan, settleEvents);
    std::vector<PairTiming> timings;
    for (std::size_t i = 0; i < flows.size(); ++i)
        timings.push_back({medians[2 * i], medians[2 * i + 1]});
    return timings;
}
