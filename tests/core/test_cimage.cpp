#include "cerror_text.h"
#include "cimage.h"

#include <QTest>

#include <cstdint>
#include <cstring>

namespace {
// Which CError constructor a row exercises.
enum Arguments { Message, String, StringInt, Int };
} // namespace

class TestCImage : public QObject
{
    Q_OBJECT

private slots:
    void strides_data();
    void strides();
    void emptyShapesHaveNoMemory_data();
    void emptyShapesHaveNoMemory();
    void reshapeReplacesMemoryOnlyForAnotherShape();
    void copiesShareTheBlock();
    void failedAllocationLeavesImageAsItWas_data();
    void failedAllocationLeavesImageAsItWas();
    void errorMessages_data();
    void errorMessages();
};

void TestCImage::strides_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bands");
    QTest::addColumn<int>("pixelStride");
    QTest::addColumn<int>("rowStride");

    QTest::newRow("3x1, one band: 12 rounds up to 16") << 3 << 1 << 1 << 4 << 16;
    QTest::newRow("3x1, two bands") << 3 << 1 << 2 << 8 << 24;
    QTest::newRow("1x1, one band: 4 rounds up to 8") << 1 << 1 << 1 << 4 << 8;
    QTest::newRow("5x2, three bands: 60 rounds up to 64") << 5 << 2 << 3 << 12 << 64;
    QTest::newRow("widest flow row") << 99999 << 2 << 2 << 8 << 799992;
}

void TestCImage::strides()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bands);
    QFETCH(int, pixelStride);
    QFETCH(int, rowStride);

    CImage image;
    image.Reallocate(ImageShape{width, height, bands});
    QCOMPARE(image.pixelStride(), pixelStride);
    QCOMPARE(image.rowStride(), rowStride);
    QCOMPARE(image.elementBytes(), 4);
    QVERIFY(image.shape() == (ImageShape{width, height, bands}));
    QVERIFY(image.origin());
    QCOMPARE(reinterpret_cast<std::uintptr_t>(image.origin()) % 8, std::uintptr_t(0));
    QCOMPARE(image.block()->byteCount, std::int64_t(rowStride) * height);
    QCOMPARE(image.block()->refCount, 1);
    QVERIFY(image.block()->owned);
    QVERIFY(!image.block()->releaseFn);

    // Every element is addressable; the sanitizer build catches a block that is too small.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int b = 0; b < bands; ++b)
                image.floatAt(x, y, b) = float(b);
    QCOMPARE(image.floatAt(width - 1, height - 1, bands - 1), float(bands - 1));
}

void TestCImage::emptyShapesHaveNoMemory_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bands");

    QTest::newRow("width 0") << 0 << 5 << 2;
    QTest::newRow("height 0") << 3 << 0 << 2;
    QTest::newRow("no bands") << 3 << 2 << 0;
    QTest::newRow("all zero") << 0 << 0 << 0;
    QTest::newRow("negative width") << -3 << 2 << 2;
    // Two negative factors must not multiply into a positive byte count.
    QTest::newRow("negative width and height") << -1 << -1 << 2;
}

void TestCImage::emptyShapesHaveNoMemory()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bands);

    CImage image;
    image.Reallocate(ImageShape{4, 4, 2});
    image.Reallocate(ImageShape{width, height, bands});
    QVERIFY(image.shape() == (ImageShape{width, height, bands}));
    QVERIFY(!image.origin());
    QVERIFY(!image.block());
}

void TestCImage::reshapeReplacesMemoryOnlyForAnotherShape()
{
    CImage image;
    QVERIFY(!image.origin());
    image.Reshape(ImageShape{3, 2, 2});
    image.floatAt(2, 1, 1) = 42.5f;
    unsigned char *const origin = image.origin();
    const SharedBlock *const block = image.block();

    image.Reshape(ImageShape{3, 2, 2});
    QCOMPARE(image.origin(), origin);
    QCOMPARE(image.block(), block);
    QCOMPARE(image.floatAt(2, 1, 1), 42.5f);

    // The new memory is taken while the old is still held, so the address must differ.
    image.Reshape(ImageShape{4, 2, 2});
    QVERIFY(image.origin() != origin);
    QCOMPARE(image.rowStride(), 32);
    QCOMPARE(image.block()->refCount, 1);
}

void TestCImage::copiesShareTheBlock()
{
    CImage first;
    first.Reallocate(ImageShape{2, 2, 2});
    first.floatAt(0, 0, 1) = 3.0f;
    {
        const CImage copy(first);
        QCOMPARE(copy.origin(), first.origin());
        QCOMPARE(first.block()->refCount, 2);
        QCOMPARE(copy.floatAt(0, 0, 1), 3.0f);
    }
    QCOMPARE(first.block()->refCount, 1);

    CImage second;
    second.Reallocate(ImageShape{5, 1, 1});
    second = first;
    QCOMPARE(second.origin(), first.origin());
    QCOMPARE(first.block()->refCount, 2);
    QVERIFY(second.shape() == (ImageShape{2, 2, 2}));
    const CImage &alias = second;
    second = alias;
    QCOMPARE(first.block()->refCount, 2);

    // Reallocating one holder leaves the other with the shared memory, intact.
    first.Reallocate(ImageShape{1, 1, 2});
    QCOMPARE(second.block()->refCount, 1);
    QCOMPARE(second.floatAt(0, 0, 1), 3.0f);
}

void TestCImage::failedAllocationLeavesImageAsItWas_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bands");
    QTest::addColumn<QString>("message");

    QTest::newRow("1 PiB: no such memory")
        << (1 << 27) << (1 << 20) << 2
        << "CImage::Reallocate: could not allocate 1125899906842624 bytes";
    QTest::newRow("row stride beyond int")
        << (1 << 28) << (1 << 28) << 2
        << "CImage::Reallocate: could not allocate 576460752303423488 bytes";
    QTest::newRow("pixel stride beyond int")
        << 1 << 1 << (1 << 30) << "CImage::Reallocate: could not allocate 4294967296 bytes";
}

void TestCImage::failedAllocationLeavesImageAsItWas()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bands);
    QFETCH(QString, message);

    CImage image;
    image.Reallocate(ImageShape{3, 2, 2});
    image.floatAt(2, 1, 1) = -1.5f;
    unsigned char *const origin = image.origin();

    QCOMPARE(cerrorText([&] { image.Reallocate(ImageShape{width, height, bands}); }), message);
    QVERIFY(image.shape() == (ImageShape{3, 2, 2}));
    QCOMPARE(image.rowStride(), 24);
    QCOMPARE(image.origin(), origin);
    QCOMPARE(image.floatAt(2, 1, 1), -1.5f);
    // The failed shape was not recorded, so asking for it again tries again.
    QCOMPARE(cerrorText([&] { image.Reshape(ImageShape{width, height, bands}); }), message);
}

void TestCImage::errorMessages_data()
{
    QTest::addColumn<int>("arguments");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("string");
    QTest::addColumn<int>("number");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("finished message")
        << int(Message) << QByteArray("ReadFlowFile: empty filename") << QByteArray() << 0
        << QByteArray("ReadFlowFile: empty filename");
    QTest::newRow("finished message is not a format")
        << int(Message) << QByteArray("100% sure, %d %s") << QByteArray() << 0
        << QByteArray("100% sure, %d %s");
    QTest::newRow("format and string")
        << int(String) << QByteArray("ReadFlowFile: could not open %s") << QByteArray("a b/x.flo")
        << 0 << QByteArray("ReadFlowFile: could not open a b/x.flo");
    QTest::newRow("format, string and integer")
        << int(StringInt) << QByteArray("ReadFlowFile(%s): illegal width %d") << QByteArray("x.flo")
        << -5 << QByteArray("ReadFlowFile(x.flo): illegal width -5");
    QTest::newRow("format and integer")
        << int(Int) << QByteArray("CImage::Reallocate: could not allocate %d bytes") << QByteArray()
        << 1024 << QByteArray("CImage::Reallocate: could not allocate 1024 bytes");
    QTest::newRow("long message cut to 1023")
        << int(Message) << QByteArray(1500, 'm') << QByteArray() << 0 << QByteArray(1023, 'm');
    QTest::newRow("long argument cut to 1023")
        << int(String) << QByteArray("could not open %s") << QByteArray(2000, 'p') << 0
        << QByteArray("could not open ") + QByteArray(1023 - 15, 'p');
    QTest::newRow("exactly 1023 kept whole") << int(Int) << QByteArray(1022, 'n') + "%d"
                                             << QByteArray() << 7 << QByteArray(1022, 'n') + "7";
}

void TestCImage::errorMessages()
{
    QFETCH(int, arguments);
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, string);
    QFETCH(int, number);
    QFETCH(QByteArray, expected);

    const char *f = format.constData();
    const char *s = string.constData();
    const CError error = arguments == Message     ? CError(f)
                         : arguments == String    ? CError(f, s)
                         : arguments == StringInt ? CError(f, s, number)
                                                  : CError(f, number);
    QCOMPARE(QByteArray(error.text), expected);
    QVERIFY(std::strlen(error.text) <= 1023);
}

QTEST_APPLESS_MAIN(TestCImage)
#include "test_cimage.moc"
