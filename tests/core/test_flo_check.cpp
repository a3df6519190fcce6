#include "cerror_text.h"
#include "cimage.h"
#include "flo_writer.h"
#include "flow_format.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <new>

// A .flo read checks the header and the length before it allocates: a header claiming a huge
// field must cost no memory in proportion to what it claims. Every operator new
// in the program comes through here, and while `watching` is set the largest request is kept.
namespace {
bool watching = false;
std::size_t largestRequest = 0;

void *allocate(std::size_t size) noexcept
{
    if (watching && size > largestRequest)
        largestRequest = size;
    return std::malloc(size ? size : 1);
}

void *allocateOrThrow(std::size_t size)
{
    if (void *p = allocate(size))
        return p;
    throw std::bad_alloc();
}

template <typename Call> std::size_t largestRequestDuring(Call &&call)
{
    largestRequest = 0;
    watching = true;
    call();
    watching = false;
    return largestRequest;
}
} // namespace

void *operator new(std::size_t size)
{
    return allocateOrThrow(size);
}
void *operator new[](std::size_t size)
{
    return allocateOrThrow(size);
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    return allocate(size);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    return allocate(size);
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete[](void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void *p, std::size_t) noexcept
{
    std::free(p);
}

class TestFloCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void watchSeesImageMemory();
    void hugeHeaderCostsNothing_data();
    void hugeHeaderCostsNothing();

private:
    QTemporaryDir dir_;
};

void TestFloCheck::initTestCase()
{
    QVERIFY(dir_.isValid());
}

// Without this the test below would also pass if the image memory came from elsewhere.
void TestFloCheck::watchSeesImageMemory()
{
    const std::size_t largest = largestRequestDuring([] {
        CImage image;
        image.Reallocate(ImageShape{512, 256, 2});
    });
    QVERIFY(largest >= std::size_t(512) * 256 * 8);
}

void TestFloCheck::hugeHeaderCostsNothing_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("50000 x 50000 (20 GB)") << 50000 << 50000;
    QTest::newRow("99999 x 99999 (80 GB)") << 99999 << 99999;
}

void TestFloCheck::hugeHeaderCostsNothing()
{
    QFETCH(int, width);
    QFETCH(int, height);

    const QString path = dir_.filePath("huge.flo");
    QVERIFY(writeFile(path, floBytes(width, height, {})));
    const QByteArray local = QFile::encodeName(path);

    // The planes come from malloc, unseen here; they are taken only once the destination has
    // been asked for, which a file that fails its checks never is.
    bool asked = false;
    FlowReadOptions options;
    options.destination = [&](int, int) -> float * {
        asked = true;
        return nullptr;
    };
    QString message;
    const std::size_t largest = largestRequestDuring([&] {
        message = cerrorText([&] { readFlow(local.constData(), FlowRule::FloByName, options); });
    });
    QCOMPARE(message, QStringLiteral("ReadFlowFile(%1): file is too short").arg(path));
    QVERIFY2(largest < 65536, qPrintable(QString::number(largest)));
    QVERIFY(!asked);
}

QTEST_APPLESS_MAIN(TestFloCheck)
#include "test_flo_check.moc"
