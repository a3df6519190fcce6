// flo2png must write exactly the pictures the viewer shows for the same file.

#include "dialog_driver.h"
#include "flo2png_process.h"
#include "flo_writer.h"
#include "flow_tools.h"
#include "legend_overlay.h"
#include "modal_closer.h"
#include "scale_control.h"
#include "test_data.h"
#include "vek_zandor.h"
#include "window_driver.h"
#include "window_test_main.h"

#include "flo_reader.h"
#include "flow_to_color.h"

#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <limits>
#include <vector>

namespace {

// Empty when the pictures agree, else where they first differ.
QString differences(const QImage &png, const PixelPlane &plane)
{
    if (png.size() != QSize(plane.cols(), plane.rows()))
        return QStringLiteral("the PNG is missing or of another size");
    for (int y = 0; y < plane.rows(); ++y) {
        const uchar *row = png.constScanLine(y);
        for (int x = 0; x < plane.cols(); ++x) {
            if (std::memcmp(row + 3 * x, plane[y][x], 3) != 0)
                return QStringLiteral("first difference at (%1, %2)").arg(x).arg(y);
        }
    }
    return QString();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A turning field with every kind of vector the colour coding treats apart: unknown markers on
// either component and of either sign, the largest known value and just above it, NaN and
// infinity.
std::vector<float> spiralWithGaps(int width, int height)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> uv;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float dx = x - width / 2.0f;
            const float dy = y - height / 2.0f;
            uv.push_back(0.3f * dx - 0.9f * dy);
            uv.push_back(0.9f * dx + 0.3f * dy);
        }
    }
    const struct {
        int x, y;
        float u, v;
    } specials[] = {{1, 1, 1e10f, 1e10f}, {2, 1, 1e10f, 0.5f}, {3, 1, 0.5f, -1e10f},
                    {4, 1, 1e9f, -1e9f},  {5, 1, nan, 2.0f},   {6, 1, -3.0f, nan},
                    {7, 1, inf, 0.0f},    {8, 1, 0.0f, -inf},  {9, 1, 1.0000001e9f, 0.0f}};
    for (const auto &s : specials) {
        uv[2 * (s.y * width + s.x)] = s.u;
        uv[2 * (s.y * width + s.x) + 1] = s.v;
    }
    return uv;
}

// Opens at a cutoff above the largest value the cutoff spin box takes.
std::vector<float> wideRamp(int width, int height)
{
    std::vector<float> uv;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uv.push_back(-1050.0f + 2.0f * float(x) * 1050.0f / float(width - 1));
            uv.push_back(y == 0 ? 400.0f : -0.5f * float(x));
        }
    }
    return uv;
}

} // namespace

class TestFlo2PngViews : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void viewsMatchTheViewer_data();
    void viewsMatchTheViewer();
    void autoIsTheCodingOfTheRawFlow_data();
    void autoIsTheCodingOfTheRawFlow();
    void magnitudeScalesMatchTheViewer_data();
    void magnitudeScalesMatchTheViewer();
    void legendOnlyInTheCorner_data();
    void legendOnlyInTheCorner();

private:
    // The flow file a row names, or an empty string when it is not available.
    QString flowFile(const QString &field);

    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
};

void TestFlo2PngViews::init()
{
    QSettings().clear();
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
}

void TestFlo2PngViews::cleanup()
{
    delete closer;
    closer = nullptr;
    delete dir;
    dir = nullptr;
}

QString TestFlo2PngViews::flowFile(const QString &field)
{
    if (field == QLatin1String("sintel")) {
        const QString data = sharedDataDir();
        return data.isEmpty() ? QString() : data + QStringLiteral("/sintel_alley_frame_0002.flo");
    }
    const QString path = dir->filePath(field + QStringLiteral(".flo"));
    QByteArray bytes;
    if (field == QLatin1String("spiral"))
        bytes = floBytes(64, 48, spiralWithGaps(64, 48));
    else if (field == QLatin1String("zero"))
        bytes = floBytesFilled(5, 4, 0.0f, 0.0f);
    else if (field == QLatin1String("wide"))
        bytes = floBytes(1100, 2, wideRamp(1100, 2));
    return writeFile(path, bytes) ? path : QString();
}

void TestFlo2PngViews::viewsMatchTheViewer_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("cutoff"); // -1: flo2png's default, the viewer as it opens the file
    QTest::newRow("sintel as opened") << "sintel" << -1;
    QTest::newRow("sintel at 3") << "sintel" << 3;
    QTest::newRow("unknown, NaN and infinity as opened") << "spiral" << -1;
    QTest::newRow("unknown, NaN and infinity at 7") << "spiral" << 7;
    QTest::newRow("cutoff 0 is all black") << "spiral" << 0;
    QTest::newRow("zero field") << "zero" << -1;
    QTest::newRow("opens above the spin box's range") << "wide" << -1;
    QTest::newRow("cutoff above every widget's range") << "wide" << 1500;
}

void TestFlo2PngViews::viewsMatchTheViewer()
{
    QFETCH(QString, field);
    QFETCH(int, cutoff);
    const QString input = flowFile(field);
    if (input.isEmpty())
        QSKIP("the shared data folder is not there");

    QStringList args{input, QStringLiteral("--channels"), QStringLiteral("-d"), dir->path()};
    if (cutoff >= 0)
        args << QStringLiteral("--cutoff") << QString::number(cutoff);
    const Flo2PngResult run = runFlo2Png(args);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);

    Vek_Zandor w;
    openByName(w, input);
    QCOMPARE(closer->count(), 0);
    QVERIFY(w.isFlow);
    if (cutoff >= 0) {
        w.SetFlowCutoff(cutoff);
        QCOMPARE(w.flowCutoff, cutoff);
    }

    const QString stem = dir->filePath(QFileInfo(input).completeBaseName() + "_colorview");
    QCOMPARE(differences(readRgb(stem + ".png"), w.colorPlane), QString());
    QCOMPARE(differences(readRgb(stem + "_dimx.png"), w.dimXPlane), QString());
    QCOMPARE(differences(readRgb(stem + "_dimy.png"), w.dimYPlane), QString());

    // Without --channels the colour view is drawn alone, to the same bytes.
    const QString alone = dir->filePath(QStringLiteral("alone"));
    args.replace(1, QStringLiteral("-q"));
    args.replace(3, alone);
    QCOMPARE(runFlo2Png(args).status, 0);
    QCOMPARE(fileBytes(alone + '/' + QFileInfo(stem).fileName() + ".png"),
             fileBytes(stem + ".png"));
    QVERIFY(!QFile::exists(alone + '/' + QFileInfo(stem).fileName() + "_dimx.png"));

    // Save As writes the very same file.
    const QString saved = dir->filePath(QStringLiteral("saved.png"));
    answerNextFileDialog(saved);
    w.SaveFileAction();
    QCOMPARE(closer->count(), 0);
    QCOMPARE(fileBytes(saved), fileBytes(stem + ".png"));
}

void TestFlo2PngViews::autoIsTheCodingOfTheRawFlow_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("sintel") << "sintel";
    QTest::newRow("unknown, NaN and infinity") << "spiral";
    QTest::newRow("far beyond the frame") << "wide";
    QTest::newRow("zero field") << "zero";
}

void TestFlo2PngViews::autoIsTheCodingOfTheRawFlow()
{
    QFETCH(QString, field);
    const QString input = flowFile(field);
    if (input.isEmpty())
        QSKIP("the shared data folder is not there");

    const QString out = dir->filePath(QStringLiteral("auto.png"));
    const Flo2PngResult run = runFlo2Png(
        {QStringLiteral("--auto"), QStringLiteral("--channels"), input, QStringLiteral("-o"), out});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);

    // Normalised by the longest known vector of the flow as read: nothing clamped first.
    const QByteArray path = QFile::encodeName(input);
    int rows = 0;
    int cols = 0;
    ReadFlowFileSize(path.constData(), rows, cols);
    FloatPlane u = vek_alloc_2(rows, cols);
    FloatPlane v = vek_alloc_2(rows, cols);
    LoadFlowPlanes(path.constData(), u, v, rows, cols);
    const PixelPlane expected = vek_alloc_3(cols, rows);
    FlowToColor(0, expected, u, v, rows, cols);
    QCOMPARE(differences(readRgb(out), expected), QString());

    // The grey views keep the cutoff the viewer opens at.
    Vek_Zandor w;
    openByName(w, input);
    QCOMPARE(differences(readRgb(dir->filePath("auto_dimx.png")), w.dimXPlane), QString());
    QCOMPARE(differences(readRgb(dir->filePath("auto_dimy.png")), w.dimYPlane), QString());
}

void TestFlo2PngViews::magnitudeScalesMatchTheViewer_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("option");
    for (const char *field : {"sintel", "spiral", "wide", "zero"}) {
        QTest::addRow("%s, 99th percentile", field) << field << "--percentile=99";
        QTest::addRow("%s, longest vector", field) << field << "--auto";
    }
}

// The viewer's "99th percentile" is flo2png --percentile 99, its "Longest vector" --auto.
void TestFlo2PngViews::magnitudeScalesMatchTheViewer()
{
    QFETCH(QString, field);
    QFETCH(QString, option);
    const QString input = flowFile(field);
    if (input.isEmpty())
        QSKIP("the shared data folder is not there");
    const QString out = dir->filePath(QStringLiteral("scaled.png"));
    const Flo2PngResult run = runFlo2Png({option, input, QStringLiteral("-o"), out});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);

    Vek_Zandor w;
    w.flowTools()->scale()->setScale(option == QLatin1String("--auto") ? ColourScale::LongestVector
                                                                       : ColourScale::Percentile99);
    openByName(w, input);
    QCOMPARE(differences(readRgb(out), w.colorPlane), QString());
}

void TestFlo2PngViews::legendOnlyInTheCorner_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("side"); // of the square the key may change, margin included
    QTest::newRow("cutoff") << "spiral" << QStringList{"--cutoff", "7"} << 48;
    QTest::newRow("percentile") << "spiral" << QStringList{"--percentile", "50"} << 48;
    QTest::newRow("sintel") << "sintel" << QStringList() << 168;
    QTest::newRow("too small for a key") << "zero" << QStringList() << 0;
}

// --legend paints the key into the bottom-right corner and leaves every other pixel as the
// plain export has it.
void TestFlo2PngViews::legendOnlyInTheCorner()
{
    QFETCH(QString, field);
    QFETCH(QStringList, options);
    QFETCH(int, side);
    const QString input = flowFile(field);
    if (input.isEmpty())
        QSKIP("the shared data folder is not there");
    const QString plainPath = dir->filePath(QStringLiteral("plain.png"));
    const QString keyedPath = dir->filePath(QStringLiteral("keyed.png"));
    QCOMPARE(runFlo2Png(options + QStringList{input, "-o", plainPath}).status, 0);
    const Flo2PngResult run = runFlo2Png(options + QStringList{"--legend", input, "-o", keyedPath});
    QCOMPARE(run.status, 0);
    const QImage plain = readRgb(plainPath);
    const QImage keyed = readRgb(keyedPath);
    QCOMPARE(keyed.size(), plain.size());
    QCOMPARE(keyed.dotsPerMeterX(), plain.dotsPerMeterX());
    const QRect corner(plain.width() - side, plain.height() - side, side, side);
    int changed = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            if (keyed.pixel(x, y) == plain.pixel(x, y))
                continue;
            QVERIFY2(corner.contains(x, y), qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            ++changed;
        }
    QVERIFY(side == 0 ? changed == 0 : changed > side * side / 2);
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestFlo2PngViews)
#include "test_flo2png_views.moc"
