// Draws the window and toolbar icons into a folder:  make_icons OUTPUT_DIR
// or the application icon for a desktop icon theme:  make_icons --theme THEME_DIR ICON_NAME
// The colour wheel is drawn with the viewer's own colour coding, so the window icon is a
// true key to the colours of the flow view.

#include "flow_key.h"

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

QImage transparentCanvas(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
}

QImage folderIcon()
{
    QImage image = transparentCanvas(32);
    QPainter p(&image);
    prepare(p);
    const QColor edge(150, 100, 10);

    QPainterPath back;
    back.moveTo(2.5, 27.5);
    back.lineTo(2.5, 6.5);
    back.quadTo(2.5, 5.0, 4.0, 5.0);
    back.lineTo(11.0, 5.0);
    back.lineTo(14.0, 8.0);
    back.lineTo(26.0, 8.0);
    back.quadTo(27.5, 8.0, 27.5, 9.5);
    back.lineTo(27.5, 27.5);
    back.closeSubpath();
    QLinearGradient backFill(0, 5, 0, 28);
    backFill.setColorAt(0, QColor(240, 190, 70));
    backFill.setColorAt(1, QColor(205, 145, 30));
    p.setPen(QPen(edge, 1.0));
    p.setBrush(backFill);
    p.drawPath(back);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawRect(QRectF(5.5, 10.5, 19, 8));

    QPainterPath front;
    front.moveTo(2.5, 27.5);
    front.lineTo(7.0, 14.5);
    front.lineTo(30.5, 14.5);
    front.lineTo(27.5, 27.5);
    front.closeSubpath();
    QLinearGradient frontFill(0, 14, 0, 28);
    frontFill.setColorAt(0, QColor(255, 222, 120));
    frontFill.setColorAt(1, QColor(240, 180, 50));
    p.setPen(QPen(edge, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(frontFill);
    p.drawPath(front);
    return image;
}

QImage diskIcon()
{
    QImage image = transparentCanvas(32);
    QPainter p(&image);
    prepare(p);

    QPainterPath body;
    body.moveTo(4.5, 3.5);
    body.lineTo(24.5, 3.5);
    body.lineTo(28.5, 7.5);
    body.lineTo(28.5, 27.0);
    body.quadTo(28.5, 28.5, 27.0, 28.5);
    body.lineTo(5.0, 28.5);
    body.quadTo(3.5, 28.5, 3.5, 27.0);
    body.lineTo(3.5, 5.0);
    body.quadTo(3.5, 3.5, 4.5, 3.5);
    QLinearGradient bodyFill(0, 3, 0, 29);
    bodyFill.setColorAt(0, QColor(70, 110, 190));
    bodyFill.setColorAt(1, QColor(35, 65, 140));
    p.setPen(QPen(QColor(20, 35, 80), 1.0));
    p.setBrush(bodyFill);
    p.drawPath(body);

    // Metal shutter with its window.
    p.setPen(QPen(QColor(110, 110, 120), 1.0));
    p.setBrush(QColor(205, 208, 215));
    p.drawRoundedRect(QRectF(9.5, 3.5, 13, 9), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 60, 110));
    p.drawRect(QRectF(17.5, 5.5, 3, 5));

    // Label.
    p.setPen(QPen(QColor(150, 150, 160), 1.0));
    p.setBrush(QColor(250, 250, 250));
    p.drawRoundedRect(QRectF(7.5, 16.5, 17, 12), 1.5, 1.5);
    p.setPen(QPen(QColor(170, 180, 200), 1.0));
    p.drawLine(QPointF(10, 20.5), QPointF(22, 20.5));
    p.drawLine(QPointF(10, 24.5), QPointF(22, 24.5));
    return image;
}

QImage warningIcon()
{
    QImage image = transparentCanvas(32);
    QPainter p(&image);
    prepare(p);

    QPainterPath triangle;
    triangle.moveTo(16.0, 2.5);
    triangle.lineTo(30.0, 28.5);
    triangle.lineTo(2.0, 28.5);
    triangle.closeSubpath();
    QLinearGradient fill(0, 3, 0, 29);
    fill.setColorAt(0, QColor(255, 228, 80));
    fill.setColorAt(1, QColor(245, 185, 20));
    p.setPen(QPen(QColor(120, 80, 0), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(triangle);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    QPainterPath bar;
    bar.moveTo(14.2, 11.0);
    bar.lineTo(17.8, 11.0);
    bar.lineTo(16.9, 21.0);
    bar.lineTo(15.1, 21.0);
    bar.closeSubpath();
    p.drawPath(bar);
    p.drawEllipse(QPointF(16.0, 24.5), 1.8, 1.8);
    return image;
}

QImage monitorIcon()
{
    QImage image = transparentCanvas(32);
    QPainter p(&image);
    prepare(p);

    // Stand and foot first, so the case overlaps them.
    p.setPen(QPen(QColor(60, 60, 66), 1.0));
    p.setBrush(QColor(120, 120, 128));
    p.drawRect(QRectF(13.5, 22.5, 5, 4));
    p.drawRoundedRect(QRectF(8.5, 26.5, 15, 3), 1.5, 1.5);

    QLinearGradient caseFill(0, 3, 0, 24);
    caseFill.setColorAt(0, QColor(95, 95, 105));
    caseFill.setColorAt(1, QColor(50, 50, 58));
    p.setPen(QPen(QColor(30, 30, 35), 1.0));
    p.setBrush(caseFill);
    p.drawRoundedRect(QRectF(1.5, 3.5, 29, 20), 2, 2);

    QLinearGradient screen(4, 6, 28, 21);
    screen.setColorAt(0, QColor(150, 210, 255));
    screen.setColorAt(1, QColor(40, 110, 200));
    p.setPen(Qt::NoPen);
    p.setBrush(screen);
    p.drawRect(QRectF(4, 6, 24, 15));

    // A picture filling the screen edge to edge.
    p.setPen(QPen(QColor(255, 255, 255, 220), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF corners[4] = {{7, 9}, {25, 9}, {25, 18}, {7, 18}};
    const QPointF inward[4] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    for (int i = 0; i < 4; ++i) {
        const QPointF c = corners[i];
        const QPointF d = inward[i];
        p.drawLine(c, c + QPointF(3 * d.x(), 0));
        p.drawLine(c, c + QPointF(0, 3 * d.y()));
    }
    return image;
}

enum class LensMark { None, Plus, Minus };

// A magnifier on a size x size canvas: glass lens, dark rim, handle to the lower right.
QImage magnifierIcon(int size, LensMark mark)
{
    QImage image = transparentCanvas(size);
    QPainter p(&image);
    prepare(p);
    p.scale(size / 32.0, size / 32.0);

    const QPointF centre(13.0, 13.0);
    const double radius = 9.0;

    p.setPen(QPen(QColor(70, 45, 25), 5.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20.0, 20.0), QPointF(28.0, 28.0));
    p.setPen(QPen(QColor(150, 95, 50), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20.5, 20.5), QPointF(27.5, 27.5));

    QRadialGradient glass(centre - QPointF(3, 3), radius * 1.4);
    glass.setColorAt(0, QColor(245, 252, 255, 235));
    glass.setColorAt(1, QColor(150, 200, 235, 235));
    p.setPen(QPen(QColor(45, 50, 60), 2.4));
    p.setBrush(glass);
    p.drawEllipse(centre, radius, radius);

    if (mark != LensMark::None) {
        p.setPen(QPen(QColor(25, 60, 130), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(centre - QPointF(4.5, 0), centre + QPointF(4.5, 0));
        if (mark == LensMark::Plus)
            p.drawLine(centre - QPointF(0, 4.5), centre + QPointF(0, 4.5));
    } else {
        p.setPen(QPen(QColor(255, 255, 255, 200), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(centre.x() - 6, centre.y() - 6, 12, 12), 100 * 16, 70 * 16);
    }
    return image;
}

QImage crossIcon()
{
    QImage image = transparentCanvas(32);
    QPainter p(&image);
    prepare(p);

    QPainterPath cross;
    cross.moveTo(7, 7);
    cross.lineTo(25, 25);
    cross.moveTo(25, 7);
    cross.lineTo(7, 25);
    p.setPen(QPen(QColor(120, 0, 0), 8.0, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cross);
    p.setPen(QPen(QColor(225, 30, 30), 5.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cross);
    p.setPen(QPen(QColor(255, 120, 110, 150), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8.5, 7.5), QPointF(15.0, 14.0));
    p.drawLine(QPointF(23.5, 7.5), QPointF(17.0, 14.0));
    return image;
}

// The application icon at the sizes desktop icon themes look for, as THEME/NxN/apps/NAME.png.
int writeThemeIcons(const QDir &theme, const QString &name)
{
    int failures = 0;
    for (int size : {48, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = theme.filePath(folder + QLatin1Char('/') + name + ".png");
        if (!theme.mkpath(folder) || !drawFlowKey(iconKeyLayout(size)).save(path, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const bool theme = argc == 4 && std::strcmp(argv[1], "--theme") == 0;
    if (argc != 2 && !theme) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n       %s --theme THEME_DIR ICON_NAME\n",
                     argv[0], argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[theme ? 2 : 1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make_icons: cannot create %s\n", argv[theme ? 2 : 1]);
        return 1;
    }
    if (theme)
        return writeThemeIcons(dir, QString::fromLocal8Bit(argv[3]));
    const struct {
        const char *name;
        std::function<QImage()> draw;
    } icons[] = {
        {"colorwheel.png", [] { return drawFlowKey(iconKeyLayout(150)); }},
        {"open.png", folderIcon},
        {"save.png", diskIcon},
        {"warning_32.png", warningIcon},
        {"zoomFit.png", monitorIcon},
        {"zoomOri.png", [] { return magnifierIcon(24, LensMark::None); }},
        {"zoomin.png", [] { return magnifierIcon(32, LensMark::Plus); }},
        {"zoomout.png", [] { return magnifierIcon(32, LensMark::Minus); }},
        {"close_32.png", crossIcon},
    };

    int failures = 0;
    for (const auto &icon : icons) {
        const QString path = dir.filePath(QString::fromLatin1(icon.name));
        QImage image = icon.draw();
        // Straight alpha in the file; the painting needed premultiplied.
        if (image.hasAlphaChannel())
            image = image.convertToFormat(QImage::Format_ARGB32);
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
