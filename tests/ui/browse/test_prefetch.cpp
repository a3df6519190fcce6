// Stepping onto a neighbour read ahead must show exactly what a load of its own shows, for
// flows, pictures and broken files, and a picture read ahead must never outlive the file or
// the rules it was made for.

#include "flo_writer.h"
#include "flow_tools.h"
#include "modal_closer.h"
#include "neighbour_prefetch.h"
#include "reading_ahead.h"
#include "reading_ahead_watch.h"
#include "scale_control.h"
#include "vek_zandor.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QGraphicsPixmapItem>
#include <QImage>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

namespace {

QByteArray bytesOf(const PixelPlane &p)
{
    return p ? QByteArray(reinterpret_cast<const char *>(p.data()), p.rows() * p.bytesPerLine())
             : QByteArray();
}

QByteArray bytesOf(const FloatPlane &p)
{
    return p ? QByteArray(reinterpret_cast<const char *>(p.data()), qsizetype(p.size() * 4))
             : QByteArray();
}

QByteArray bytesOf(const QImage &image)
{
    QByteArray bytes;
    for (int y = 0; y < image.height(); ++y)
        bytes.append(reinterpret_cast<const char *>(image.constScanLine(y)), image.bytesPerLine());
    return bytes + QByteArray::number(image.format());
}

// Everything a load leaves on screen and in the window.
QStringList shown(Vek_Zandor &w, const ModalCloser &boxes)
{
    QStringList s{w.windowTitle(),
                  w.filePath,
                  QString::number(w.dirIndex),
                  QString::number(w.hasImage),
                  QString::number(w.isFlow),
                  QString::number(w.rows),
                  QString::number(w.cols),
                  QString::number(w.flowCutoff),
                  QString::number(w.ui.verticalSlider_FlowCutoffVal->maximum()),
                  QString::number(w.ui.verticalSlider_FlowCutoffVal->value()),
                  QString::number(w.ui.spinBox_FlowCutoffVal->value()),
                  w.ui.imgSizeEditShow->text(),
                  QString::number(w.ui.actionSetMode_Viewing_Optical_Flow->isChecked()),
                  QString::number(w.ui.actionSave_As->isEnabled()),
                  boxes.titles.join(QLatin1Char('|')),
                  boxes.texts.join(QLatin1Char('|'))};
    // A picture's other planes are allocated but never drawn: only a flow fills them.
    for (const QByteArray &bytes :
         {bytesOf(w.colorPlane), bytesOf(w.viewImage), bytesOf(w.leftLayer->pixmap().toImage()),
          bytesOf(w.rightLayer->pixmap().toImage())})
        s << QString::fromLatin1(bytes.toBase64());
    if (w.isFlow) {
        for (const QByteArray &bytes :
             {bytesOf(w.dimXPlane), bytesOf(w.dimYPlane), bytesOf(w.flowU), bytesOf(w.flowV),
              bytesOf(w.clampedU), bytesOf(w.clampedV)})
            s << QString::fromLatin1(bytes.toBase64());
    }
    s << QString::number(bool(w.dimXPlane)) << QString::number(bool(w.clampedU));
    return s;
}

// Files written long enough ago that a change to them would show in their time.
void age(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                             QFileDevice::FileModificationTime));
}

// A KITTI flow, stored as 16-bit PNG: u = x - 2, v = y / 2, the last column invalid.
QImage kittiImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGBX64);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y,
                                QColor::fromRgba64(quint16(32768 + 64 * (x - 2)),
                                                   quint16(32768 + 32 * y), x < width - 1));
    return image;
}

} // namespace

// Reaches what the window's reading ahead keeps to itself.
class ReadingAheadProbe
{
public:
    static NeighbourPrefetch *prefetch(Vek_Zandor &w) { return w.readingAhead()->prefetch_.get(); }
    static void setWholeAheadPixels(Vek_Zandor &w, std::int64_t pixels)
    {
        NeighbourPrefetch &p = *prefetch(w);
        const std::lock_guard<std::mutex> lock(p.mutex_);
        p.wholeAheadPixels_ = pixels;
    }
};

namespace {

// One window that reads ahead and one that does not, driven alike.
struct Pair {
    std::unique_ptr<Vek_Zandor> ahead;
    std::unique_ptr<Vek_Zandor> plain;
    std::unique_ptr<ReadingAheadWatch> watch;
    ModalCloser boxes;

    Pair()
    {
        ahead = std::make_unique<Vek_Zandor>();
        watch = std::make_unique<ReadingAheadWatch>(*ahead);
        qputenv("FLOWVIEWER_NO_PREFETCH", "1");
        plain = std::make_unique<Vek_Zandor>();
        qunsetenv("FLOWVIEWER_NO_PREFETCH");
    }
    ReadingAheadWatch &prefetch() { return *watch; }

    // Both windows load, the one reading ahead first; returns what each shows.
    template <typename Load> std::pair<QStringList, QStringList> both(Load load)
    {
        boxes.clear();
        load(*ahead);
        const QStringList a = shown(*ahead, boxes);
        boxes.clear();
        load(*plain);
        const QStringList p = shown(*plain, boxes);
        return {a, p};
    }
};

} // namespace

class TestPrefetch : public QObject
{
    Q_OBJECT

private slots:
    void stepsShowWhatLoadsShow_data();
    void stepsShowWhatLoadsShow();
    void changedFileIsReadAgain();
    void changedRulesAreNotTaken();
    void switchedOff();

private:
    QTemporaryDir dir_;
};

void TestPrefetch::stepsShowWhatLoadsShow_data()
{
    // Flows with a broken file and one of size 0 among them; KITTI flows, pictures and an
    // unreadable file under one extension.
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<qlonglong>("wholeAhead"); // the largest picture made whole ahead
    const QString d = dir_.path();
    writeFile(d + "/f0.flo", numberedField(17, 9, 0.5f));
    writeFile(d + "/f1.flo", numberedField(33, 5, -40.0f));
    writeFile(d + "/f2.flo", numberedField(8, 8, 1.0f).left(40));
    writeFile(d + "/f3.flo", floBytes(0, 4, {}));
    writeFile(d + "/f4.flo", floBytesFilled(12, 7, 1e10f, 2.0f));
    writeFile(d + "/f5.flo", numberedField(12, 7, 3.0f));
    QVERIFY(kittiImage(21, 6).save(d + "/k0.png"));
    QImage picture(14, 11, QImage::Format_RGB32);
    picture.fill(QColor(200, 30, 90));
    QVERIFY(picture.save(d + "/k1.png"));
    writeFile(d + "/k2.png", QByteArray("\x89PNG\r\n\x1a\n not a picture", 23));
    QVERIFY(kittiImage(9, 13).save(d + "/k3.png"));
    for (const char *name : {"f0.flo", "f1.flo", "f2.flo", "f3.flo", "f4.flo", "f5.flo", "k0.png",
                             "k1.png", "k2.png", "k3.png"})
        age(d + "/" + QLatin1String(name));
    const QList<int> flowSteps{-1, -1, -1, -1, -1, 1, 1, -1};
    const QList<int> pngSteps{-1, -1, -1, 1, 1, 1, -1};
    QTest::newRow("flows, made whole ahead") << QStringList{"f0.flo"} << flowSteps << 1000ll;
    QTest::newRow("flows, finished at the step") << QStringList{"f0.flo"} << flowSteps << 0ll;
    QTest::newRow("flows, some of each") << QStringList{"f0.flo"} << flowSteps << 100ll;
    QTest::newRow("pngs, made whole ahead") << QStringList{"k0.png"} << pngSteps << 1000ll;
    QTest::newRow("pngs, finished at the step") << QStringList{"k0.png"} << pngSteps << 0ll;
}

void TestPrefetch::stepsShowWhatLoadsShow()
{
    QFETCH(QStringList, names);
    QFETCH(QList<int>, steps);
    QFETCH(qlonglong, wholeAhead);
    Pair pair;
    ReadingAheadProbe::setWholeAheadPixels(*pair.ahead, wholeAhead);
    const auto [a, p] =
        pair.both([&](Vek_Zandor &w) { openByName(w, dir_.path() + "/" + names[0]); });
    QCOMPARE(a, p);
    for (int i = 0; i < steps.size(); ++i) {
        pair.watch->waitForNeighbours();
        QVERIFY(pair.prefetch().kept() <= 2);
        const int taken = pair.prefetch().taken();
        const auto [sa, sp] = pair.both([&](Vek_Zandor &w) { step(w, steps[i]); });
        QCOMPARE(sa, sp);
        QCOMPARE(pair.prefetch().taken(), taken + 1);
    }
}

void TestPrefetch::changedFileIsReadAgain()
{
    const QString d = dir_.path() + "/changed";
    QVERIFY(QDir().mkpath(d));
    writeFile(d + "/a.flo", numberedField(10, 6, 1.0f));
    writeFile(d + "/b.flo", numberedField(10, 6, 2.0f));
    writeFile(d + "/c.flo", numberedField(10, 6, 3.0f));
    for (const char *name : {"/a.flo", "/b.flo", "/c.flo"})
        age(d + name);
    Pair pair;
    pair.both([&](Vek_Zandor &w) { openByName(w, d + "/a.flo"); });
    pair.watch->waitForNeighbours();
    QCOMPARE(pair.prefetch().kept(), 1);

    // Written in place with the same length: only its time tells.
    writeFile(d + "/b.flo", numberedField(10, 6, -7.0f));
    const auto [a, p] = pair.both([&](Vek_Zandor &w) { step(w, -1); });
    QCOMPARE(a, p);
    QCOMPARE(pair.prefetch().taken(), 0);
    QCOMPARE(pair.ahead->flowU[0][0], -7.0f);

    // Replaced by another file under the name, as a writer that renames does.
    pair.watch->waitForNeighbours();
    writeFile(d + "/new.tmp", numberedField(10, 6, 9.0f));
    QVERIFY(QFile::remove(d + "/c.flo"));
    QVERIFY(QFile::rename(d + "/new.tmp", d + "/c.flo"));
    age(d + "/c.flo");
    const auto [a2, p2] = pair.both([&](Vek_Zandor &w) { step(w, -1); });
    QCOMPARE(a2, p2);
    QCOMPARE(pair.prefetch().taken(), 0);
    QCOMPARE(pair.ahead->flowU[0][0], 9.0f);
}

void TestPrefetch::changedRulesAreNotTaken()
{
    const QString d = dir_.path() + "/rules";
    QVERIFY(QDir().mkpath(d));
    for (int i = 0; i < 6; ++i) {
        const QString name = d + QStringLiteral("/r%1.flo").arg(i);
        writeFile(name, numberedField(19, 7, 4.0f * (i + 1)));
        age(name);
    }
    Pair pair;
    pair.both([&](Vek_Zandor &w) { openByName(w, d + "/r0.flo"); });
    pair.watch->waitForNeighbours();

    // Each change of rules right before a step: the step loads, and shows what a load shows.
    const std::function<void(Vek_Zandor &)> changes[] = {
        [](Vek_Zandor &w) { w.ui.checkBox_KeepMaxValue->setChecked(true); },
        [](Vek_Zandor &w) {
            w.ui.checkBox_KeepMaxValue->setChecked(false);
            w.SetFlowCutoff(5);
            w.ui.checkBox_KeepMaxValue->setChecked(true);
        },
        [](Vek_Zandor &w) { w.ui.checkBox_ShowIndividualDim->setChecked(true); },
        [](Vek_Zandor &w) { w.flowTools()->scale()->setScale(ColourScale::LongestVector); },
        [](Vek_Zandor &w) { w.ui.checkBox_KeepMaxValue->setChecked(false); },
    };
    for (const auto &change : changes) {
        pair.watch->waitForNeighbours();
        const int taken = pair.prefetch().taken();
        const auto [a, p] = pair.both([&](Vek_Zandor &w) {
            change(w);
            step(w, -1);
        });
        QCOMPARE(a, p);
        QCOMPARE(pair.prefetch().taken(), taken);
    }

    // Once the rules rest, the neighbours are read again for them.
    QTest::qWait(500);
    pair.watch->waitForNeighbours();
    pair.both([&](Vek_Zandor &w) {
        w.ui.checkBox_KeepMaxValue->setChecked(false);
        w.SetFlowCutoff(2);
        w.ui.checkBox_KeepMaxValue->setChecked(true);
    });
    QTest::qWait(500);
    pair.watch->waitForNeighbours();
    const int taken = pair.prefetch().taken();
    const auto [a2, p2] = pair.both([&](Vek_Zandor &w) { step(w, 1); });
    QCOMPARE(a2, p2);
    QCOMPARE(pair.prefetch().taken(), taken + 1);
    QCOMPARE(pair.ahead->flowCutoff, 2);
    pair.ahead->flowTools()->scale()->setScale(ColourScale::Cutoff);
}

void TestPrefetch::switchedOff()
{
    qputenv("FLOWVIEWER_NO_PREFETCH", "1");
    Vek_Zandor w;
    qunsetenv("FLOWVIEWER_NO_PREFETCH");
    QVERIFY(!ReadingAheadProbe::prefetch(w));
    Vek_Zandor on;
    QVERIFY(ReadingAheadProbe::prefetch(on));
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestPrefetch)
#include "test_prefetch.moc"
