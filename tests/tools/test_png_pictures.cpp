// The pictures the viewer and the tools write go through flowcore's PNG encoder: the same pixels
// and resolution as Qt's PNG writer gives, in a file at most 1.6 times its size, at every
// compression level; every kind of picture (colour view, grey views, legend, wheel, EPE) takes
// that road; and every save replaces the file at its name whole or not at all.

#include "flo2png_process.h"
#include "flo_writer.h"
#include "flow_pictures.h"
#include "picture_save.h"
#include "plane_image.h"
#include "test_data.h"

#include "png_export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kDotsPerMeter = 3780; // what planeImage records: 96 dpi

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The bytes the encoder gives for the pixels and resolution the file decodes to, at level:
// equal to the file only when the encoder wrote it at that level.
QByteArray reencoded(const QString &path, int level)
{
    const QImage image = readRgb(path);
    if (image.isNull())
        return QByteArray("(no picture)");
    PngSettings settings;
    settings.compression = level;
    settings.dotsPerMeterX = image.dotsPerMeterX();
    settings.dotsPerMeterY = image.dotsPerMeterY();
    const std::vector<std::uint8_t> png = encodeRgbPng(
        {image.constBits(), image.width(), image.height(), std::size_t(image.bytesPerLine())},
        settings);
    return QByteArray(reinterpret_cast<const char *>(png.data()), qsizetype(png.size()));
}

// A swirl with a hole of unknown flow: smooth colours, the kind of picture flo2png writes.
QByteArray swirl(int width, int height)
{
    std::vector<float> uv;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float dx = float(x - width / 3), dy = float(y - height / 2);
            const bool hole = std::abs(dx - 40) < 9 && std::abs(dy) < 7;
            uv.push_back(hole ? 1e10f : -0.05f * dy + 0.01f * dx);
            uv.push_back(hole ? 1e10f : 0.05f * dx);
        }
    return floBytes(width, height, uv);
}

} // namespace

class TestPngPictures : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void realFlowsAsQtWroteThem_data();
    void realFlowsAsQtWroteThem();
    void everyLevelKeepsThePixels();
    void everyPictureThroughTheEncoder();
    void otherFormatsKeepQtsWriters();
    void linkKeptAndPermissionsKept();
    void failedSaveLeavesTheOldFile();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir;
};

void TestPngPictures::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestPngPictures::realFlowsAsQtWroteThem_data()
{
    QTest::addColumn<QString>("file");
    for (const char *name : {"sintel_alley_frame_0002.flo", "chairs_00001_flow.flo",
                             "things_0000000_flow_01.flo", "things_0000000_flow_10.flo"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Against Qt's PNG writer on real flows: the same pixels and recorded resolution, and files that
// grow only so much.
void TestPngPictures::realFlowsAsQtWroteThem()
{
    QFETCH(QString, file);
    const QString data = sharedDataDir();
    if (data.isEmpty())
        QSKIP("the shared data folder is not there");
    const FlowPictures pictures =
        drawFlowFile(QFile::encodeName(data + '/' + file).constData(), ViewChoice());
    for (const PixelPlane *plane : {&pictures.color, &pictures.dimX}) {
        const QImage image = planeImage(*plane);
        QString error;
        QVERIFY(image.save(path("qt.png")));
        QVERIFY(savePicture(image, path("ours.png"), &error));
        QCOMPARE(error, QString());

        const QImage qt = readRgb(path("qt.png"));
        const QImage ours = readRgb(path("ours.png"));
        QVERIFY(!qt.isNull());
        QCOMPARE(ours, qt);
        QCOMPARE(ours.dotsPerMeterX(), kDotsPerMeter);
        QCOMPARE(ours.dotsPerMeterY(), kDotsPerMeter);
        const qint64 qtBytes = QFileInfo(path("qt.png")).size();
        const qint64 ourBytes = QFileInfo(path("ours.png")).size();
        qInfo("%s %s: Qt %lld bytes, ours %lld (%.2f)", qPrintable(file),
              plane == &pictures.color ? "colour view" : "grey view", qtBytes, ourBytes,
              double(ourBytes) / double(qtBytes));
        QVERIFY2(ourBytes <= qtBytes * 8 / 5, qPrintable(QString::number(ourBytes)));
    }
}

// --compression trades time for size, never pixels: each level's file is the encoder's at that
// level, and all decode alike.
void TestPngPictures::everyLevelKeepsThePixels()
{
    const QString input = path("swirl.flo");
    QVERIFY(writeFile(input, swirl(300, 200)));
    QVERIFY(runFlo2Png({input, "-o", path("default.png")}).status == 0);
    const QImage expected = readRgb(path("default.png"));
    QVERIFY(!expected.isNull());
    QCOMPARE(fileBytes(path("default.png")), reencoded(path("default.png"), 1));

    QList<qint64> sizes;
    for (int level = 0; level <= 9; ++level) {
        const QString out = path(QStringLiteral("level%1.png").arg(level));
        const Flo2PngResult run =
            runFlo2Png({input, "--compression", QString::number(level), "-o", out});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
        QCOMPARE(readRgb(out), expected);
        QCOMPARE(fileBytes(out), reencoded(out, level));
        sizes << QFileInfo(out).size();
    }
    QVERIFY(sizes.at(0) > 300 * 200 * 3); // stored
    QVERIFY(sizes.at(9) < sizes.at(1));
    QCOMPARE(fileBytes(path("level1.png")), fileBytes(path("default.png")));
}

// The legend (painted in RGB32), the grey views, the wheel and floweval's EPE picture all leave
// through the encoder, the legend also when several threads paint at once.
void TestPngPictures::everyPictureThroughTheEncoder()
{
    QStringList inputs;
    for (int i = 0; i < 4; ++i) {
        inputs << path(QStringLiteral("f%1.flo").arg(i));
        QVERIFY(writeFile(inputs.last(), swirl(240 + 8 * i, 200)));
    }
    const Flo2PngResult one =
        runFlo2Png(QStringList{"--legend", "--channels", "-j", "1", "-d", path("one")} + inputs);
    // Qt Gui's start-up, which the legend's fonts need, may say things of its own.
    QVERIFY2(!one.err.contains("flo2png"), qPrintable(one.err));
    QCOMPARE(one.status, 0);
    const Flo2PngResult two =
        runFlo2Png(QStringList{"--legend", "--channels", "-j", "2", "-d", path("two")} + inputs);
    QVERIFY2(!two.err.contains("flo2png"), qPrintable(two.err));
    QCOMPARE(two.status, 0);
    for (const QString &input : std::as_const(inputs)) {
        const QString base = QFileInfo(input).completeBaseName();
        for (const char *suffix : {"_colorview.png", "_colorview_dimx.png"}) {
            const QString name = base + QLatin1String(suffix);
            QCOMPARE(fileBytes(path("two/" + name)), fileBytes(path("one/" + name)));
            QCOMPARE(fileBytes(path("one/" + name)), reencoded(path("one/" + name), 1));
        }
    }
    // The legend is there: the corner differs from the plain colour view.
    QVERIFY(runFlo2Png({inputs.first(), "-o", path("plain.png")}).status == 0);
    QVERIFY(readRgb(path("plain.png")) != readRgb(path("one/f0_colorview.png")));

    QVERIFY(
        runFlo2Png({"--wheel", path("wheel.png"), "--size", "64", "--compression", "6"}).status ==
        0);
    QCOMPARE(fileBytes(path("wheel.png")), reencoded(path("wheel.png"), 6));

    const Flo2PngResult eval =
        runFlowEval({inputs.at(0), inputs.at(0), "--epe", path("epe.png"), "-q"});
    QCOMPARE(eval.status, 0);
    QCOMPARE(fileBytes(path("epe.png")), reencoded(path("epe.png"), 1));
    QCOMPARE(readRgb(path("epe.png")).dotsPerMeterX(), kDotsPerMeter);
}

// Only PNG changed writer: other suffixes, and images the encoder does not take, are Qt's.
void TestPngPictures::otherFormatsKeepQtsWriters()
{
    QImage rgb(9, 5, QImage::Format_RGB888);
    rgb.fill(QColor(10, 200, 30));
    QString error;
    QVERIFY(savePicture(rgb, path("x.bmp"), &error));
    QCOMPARE(QImageReader(path("x.bmp")).format(), QByteArray("bmp"));
    QVERIFY(savePicture(rgb, path("x.PNG"), &error));
    QCOMPARE(fileBytes(path("x.PNG")), reencoded(path("x.PNG"), 1));

    // Alpha would be lost in RGB: such an image keeps Qt's writer and its alpha.
    QImage argb(9, 5, QImage::Format_ARGB32);
    argb.fill(qRgba(10, 200, 30, 100));
    QVERIFY(savePicture(argb, path("a.png"), &error));
    QCOMPARE(QImage(path("a.png")).pixel(3, 3), qRgba(10, 200, 30, 100));
}

// Saving over a link writes the file it names and keeps the link; the file replaced keeps its
// permissions.
void TestPngPictures::linkKeptAndPermissionsKept()
{
    QImage image(12, 7, QImage::Format_RGB888);
    image.fill(QColor(200, 30, 90));
    const QString real = path("real.png");
    QVERIFY(writeFile(real, "old"));
    const QFileDevice::Permissions kept =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(real, kept));
    QVERIFY(QFile::link(real, path("link.png")));
    QString error;
    QVERIFY2(savePicture(image, path("link.png"), &error), qPrintable(error));
    QVERIFY(QFileInfo(path("link.png")).isSymLink());
    QCOMPARE(readRgb(real), image);
    // The user's, the group's and the others' bits, which the file system keeps.
    QCOMPARE(QFile::permissions(real) & 0x0fff,
             QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ReadGroup);
}

// A save that fails, before writing or part-way, says why without repeating the name the
// callers' messages give, keeps the old file's bytes and leaves no temporary file.
void TestPngPictures::failedSaveLeavesTheOldFile()
{
    QImage image(12, 7, QImage::Format_RGB888);
    image.fill(QColor(200, 30, 90));
    QVERIFY(writeFile(path("old.xyz"), "old"));
    const QStringList before = QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden);
    QString error;

    QVERIFY(!savePicture(image, path("missing/x.png"), &error));
    QVERIFY2(!error.isEmpty() && !error.contains("missing/x.png"), qPrintable(error));

    // No writer for the format: the write fails after the temporary file was made.
    error.clear();
    QVERIFY(!savePicture(image, path("old.xyz"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(fileBytes(path("old.xyz")), QByteArray("old"));

    // Root writes anywhere, so only other users see the refusal.
    if (::geteuid() != 0) {
        QVERIFY(writeFile(path("locked.png"), "locked"));
        QVERIFY(QFile::setPermissions(path("locked.png"), QFileDevice::ReadOwner));
        QVERIFY(!savePicture(image, path("locked.png"), &error));
        QCOMPARE(error, "Existing file " + path("locked.png") + " is not writable");
        QCOMPARE(fileBytes(path("locked.png")), QByteArray("locked"));
    }
    QStringList after = QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden);
    after.removeAll("locked.png");
    QCOMPARE(after, before);
}

QTEST_GUILESS_MAIN(TestPngPictures)
#include "test_png_pictures.moc"
