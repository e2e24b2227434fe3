// Draws the programs' own artwork: the converter's button pictures, window
// icon, About picture and background texture; the resampler's icon, picture
// and background; the installer's icon, Browse picture and banner. Run once
// by hand (`draw_artwork sonavert/resources/pictures wavshift/resources/pictures
// installer/resources/pictures [data/icons]`); the results are committed. The
// fourth folder receives the two programs' desktop icons: a hicolor theme tree
// of PNGs from 16 to 256 pixels and the same drawings as SVG.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cmath>
#include <functional>

namespace {

using Drawing = std::function<void(QPainter&, double)>;

QImage Picture(int size, QColor background, const Drawing& draw) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(background);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size);
    return image;
}

const QColor kBlue(0x2E, 0x4C, 0x9A);
const QColor kGreen(0x2E, 0x8B, 0x3E);
const QColor kRed(0xB8, 0x2E, 0x2E);

void Magnifier(QPainter& p, double s) {
    p.setPen(QPen(kBlue, s / 10));
    p.drawEllipse(QRectF(s * 0.15, s * 0.15, s * 0.5, s * 0.5));
    p.setPen(QPen(kBlue, s / 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.6, s * 0.6), QPointF(s * 0.86, s * 0.86));
}

void Plus(QPainter& p, double s) {
    p.setPen(QPen(kGreen, s / 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s / 2, s * 0.18), QPointF(s / 2, s * 0.82));
    p.drawLine(QPointF(s * 0.18, s / 2), QPointF(s * 0.82, s / 2));
}

void Minus(QPainter& p, double s) {
    p.setPen(QPen(kRed, s / 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.18, s / 2), QPointF(s * 0.82, s / 2));
}

void Question(QPainter& p, double s) {
    p.setBrush(kBlue);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
    QFont font("Liberation Sans");
    font.setPixelSize(static_cast<int>(s * 0.6));
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, "?");
}

void Arrows(QPainter& p, double s) {
    p.setPen(QPen(kGreen, s / 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawArc(QRectF(s * 0.18, s * 0.18, s * 0.64, s * 0.64), 30 * 16, 150 * 16);
    p.drawArc(QRectF(s * 0.18, s * 0.18, s * 0.64, s * 0.64), 210 * 16, 150 * 16);
    p.setBrush(kGreen);
    QPolygonF head{{s * 0.7, s * 0.1}, {s * 0.9, s * 0.38}, {s * 0.6, s * 0.36}};
    p.drawPolygon(head);
    QPolygonF tail{{s * 0.3, s * 0.9}, {s * 0.1, s * 0.62}, {s * 0.4, s * 0.64}};
    p.drawPolygon(tail);
}

void PlayTriangle(QPainter& p, double s) {
    p.setPen(QPen(Qt::black, std::max(1.0, s / 32)));
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF{{s * 0.25, s * 0.15}, {s * 0.85, s * 0.5}, {s * 0.25, s * 0.85}});
}

void Cross(QPainter& p, double s) {
    p.setPen(QPen(kRed, s / 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.22, s * 0.22), QPointF(s * 0.78, s * 0.78));
    p.drawLine(QPointF(s * 0.78, s * 0.22), QPointF(s * 0.22, s * 0.78));
}

// The rounded blue square behind the programs' icons.
void Sky(QPainter& p, double s) {
    QLinearGradient sky(0, 0, 0, s);
    sky.setColorAt(0, QColor(0x4B, 0x64, 0xAA));
    sky.setColorAt(1, QColor(0x1E, 0x2A, 0x55));
    p.setBrush(sky);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, s, s), s / 8, s / 8);
}

// A note over two waves: the program's icon and the About picture.
void Emblem(QPainter& p, double s) {
    Sky(p, s);
    p.setPen(QPen(QColor(0xFF, 0xD2, 0x60), s / 28));
    for (int wave = 0; wave < 2; ++wave) {
        QPainterPath path;
        const double y = s * (0.72 + 0.1 * wave);
        path.moveTo(s * 0.08, y);
        for (int i = 1; i <= 40; ++i) {
            const double x = s * (0.08 + 0.84 * i / 40.0);
            path.lineTo(x, y + s * 0.05 * std::sin(i * 0.55 + wave * 1.3));
        }
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(s * 0.3, s * 0.42, s * 0.18, s * 0.14));
    p.drawRect(QRectF(s * 0.45, s * 0.12, s * 0.04, s * 0.38));
    p.drawRect(QRectF(s * 0.45, s * 0.12, s * 0.22, s * 0.06));
}

// Two waves of different pitch over the emblem's sky: wavshift's icon.
void ShiftEmblem(QPainter& p, double s) {
    Sky(p, s);
    p.setBrush(Qt::NoBrush);
    const QColor colours[] = {QColor(0xFF, 0xD2, 0x60), Qt::white};
    for (int wave = 0; wave < 2; ++wave) {
        p.setPen(QPen(colours[wave], s / 22));
        QPainterPath path;
        const double y = s * (0.33 + 0.36 * wave);
        path.moveTo(s * 0.1, y);
        for (int i = 1; i <= 60; ++i) {
            const double x = s * (0.1 + 0.8 * i / 60.0);
            path.lineTo(x, y + s * 0.1 * std::sin(i * (0.21 + 0.2 * wave)));
        }
        p.drawPath(path);
    }
}

// A wide strip of the same two waves: the picture in wavshift's window.
QImage ShiftStrip() {
    QImage image(88, 40, QImage::Format_RGB32);
    image.fill(QColor(0x4B, 0x64, 0xAA));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colours[] = {QColor(0xFF, 0xD2, 0x60), Qt::white};
    for (int wave = 0; wave < 2; ++wave) {
        p.setPen(QPen(colours[wave], 2));
        QPainterPath path;
        const double y = 12 + 16 * wave;
        path.moveTo(4, y);
        for (int x = 5; x <= 84; ++x)
            path.lineTo(x, y + 6 * std::sin((x - 4) * (0.12 + 0.14 * wave)));
        p.drawPath(path);
    }
    return image;
}

// A folder: the installer's Browse picture.
void Folder(QPainter& p, double s) {
    p.setPen(QPen(QColor(0x8A, 0x6A, 0x10), s / 16));
    p.setBrush(QColor(0xF2, 0xC9, 0x4C));
    p.drawRect(QRectF(s * 0.08, s * 0.3, s * 0.84, s * 0.58));
    p.drawRect(QRectF(s * 0.08, s * 0.18, s * 0.36, s * 0.14));
}

// The installer's banner: the emblem at the left on a dark band with waves;
// the window draws the product line over it.
QImage InstallerBanner() {
    QImage image(483, 62, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 483, 0);
    band.setColorAt(0, QColor(0x1E, 0x2A, 0x55));
    band.setColorAt(1, QColor(0x4B, 0x64, 0xAA));
    p.fillRect(image.rect(), band);
    p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF, 60), 2));
    QPainterPath wave;
    wave.moveTo(0, 48);
    for (int x = 1; x <= 483; ++x) wave.lineTo(x, 48 + 6 * std::sin(x * 0.05));
    p.drawPath(wave);
    p.translate(9, 7);
    Emblem(p, 48);
    return image;
}

// A grained diagonal texture, in shades around `base`.
QImage Background(int seed, QColor base) {
    QImage image(256, 256, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int grain = static_cast<int>(random.bounded(9)) - 4;
            const int shade = 12 * std::sin((x + y) * 0.049);
            image.setPixel(x, y,
                           qRgb(base.red() + shade + grain, base.green() + shade + grain,
                                base.blue() + grain));
        }
    image.setDotsPerMeterX(3780);  // 96 dpi
    image.setDotsPerMeterY(3780);
    return image;
}

// The desktop icons: the emblems on a transparent ground, and as SVG.
QImage Icon(int size, const Drawing& draw) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size);
    return image;
}

QString Polyline(const std::function<QPointF(int)>& point, int count, const char* colour,
                 double width) {
    QString points;
    for (int i = 0; i <= count; ++i) {
        const QPointF at = point(i);
        points += QString::asprintf("%.1f,%.1f ", at.x(), at.y());
    }
    return QString::asprintf(R"(  <polyline fill="none" stroke="%s" stroke-width="%.2f" points=")",
                             colour, width) +
           points.trimmed() + "\"/>\n";
}

// The same shapes as Sky, Emblem and ShiftEmblem, 256 units wide.
QString SvgIcon(bool shift) {
    const double s = 256;
    QString svg = QString::asprintf(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 "
        "256 256\">\n"
        "  <defs><linearGradient id=\"sky\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">"
        "<stop offset=\"0\" stop-color=\"#4b64aa\"/><stop offset=\"1\" stop-color=\"#1e2a55\"/>"
        "</linearGradient></defs>\n"
        "  <rect width=\"256\" height=\"256\" rx=\"%.0f\" fill=\"url(#sky)\"/>\n",
        s / 8);
    if (shift) {
        const char* colours[] = {"#ffd260", "#ffffff"};
        for (int wave = 0; wave < 2; ++wave) {
            const double y = s * (0.33 + 0.36 * wave);
            svg += Polyline(
                [&](int i) {
                    return QPointF(s * (0.1 + 0.8 * i / 60.0),
                                   y + (i ? s * 0.1 * std::sin(i * (0.21 + 0.2 * wave)) : 0));
                },
                60, colours[wave], s / 22);
        }
    } else {
        for (int wave = 0; wave < 2; ++wave) {
            const double y = s * (0.72 + 0.1 * wave);
            svg += Polyline(
                [&](int i) {
                    return QPointF(s * (0.08 + 0.84 * i / 40.0),
                                   y + (i ? s * 0.05 * std::sin(i * 0.55 + wave * 1.3) : 0));
                },
                40, "#ffd260", s / 28);
        }
        svg += QString::asprintf(
            "  <g fill=\"#ffffff\"><ellipse cx=\"%.1f\" cy=\"%.1f\" rx=\"%.1f\" ry=\"%.1f\"/>"
            "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\"/>"
            "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\"/></g>\n",
            s * 0.39, s * 0.49, s * 0.09, s * 0.07, s * 0.45, s * 0.12, s * 0.04, s * 0.38,
            s * 0.45, s * 0.12, s * 0.22, s * 0.06);
    }
    return svg + "</svg>\n";
}

void WriteIcons(const QDir& out) {
    const struct {
        const char* name;
        Drawing draw;
        bool shift;
    } programs[] = {{"sonavert", Emblem, false}, {"wavshift", ShiftEmblem, true}};
    for (const auto& program : programs) {
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString folder = QString("hicolor/%1x%1/apps").arg(size);
            out.mkpath(folder);
            Icon(size, program.draw).save(out.filePath(folder + "/" + program.name + ".png"));
        }
        out.mkpath("hicolor/scalable/apps");
        QFile svg(out.filePath(QString("hicolor/scalable/apps/") + program.name + ".svg"));
        if (svg.open(QIODevice::WriteOnly)) svg.write(SvgIcon(program.shift).toUtf8());
    }
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? argv[1] : ".");
    const QColor white(Qt::white), red(255, 0, 0);
    struct Entry {
        int id;
        int size;
        QColor background;
        Drawing draw;
    };
    const Entry entries[] = {
        {128, 32, white, Magnifier}, {129, 32, white, Plus},       {130, 32, white, Minus},
        {131, 32, white, Question},  {132, 32, white, Arrows},     {145, 16, red, PlayTriangle},
        {146, 16, white, Cross},     {148, 32, red, PlayTriangle}, {105, 64, white, Emblem},
        {151, 128, white, Emblem},
    };
    for (const auto& e : entries)
        Picture(e.size, e.background, e.draw).save(out.filePath(QString::number(e.id) + ".png"));
    Background(139, QColor(214, 220, 232)).save(out.filePath("139.jpg"), "JPG", 90);
    if (argc > 2) {
        const QDir wavshift(argv[2]);
        Picture(64, white, ShiftEmblem).save(wavshift.filePath("102.png"));
        Background(104, QColor(206, 214, 230)).save(wavshift.filePath("104.jpg"), "JPG", 90);
        ShiftStrip().save(wavshift.filePath("106.png"));
    }
    if (argc > 3) {
        const QDir installer(argv[3]);
        Picture(64, white, Emblem).save(installer.filePath("102.png"));
        Picture(16, QColor(0xF0, 0xF0, 0xF0), Folder).save(installer.filePath("104.png"));
        InstallerBanner().save(installer.filePath("112.png"));
    }
    if (argc > 4) WriteIcons(QDir(argv[4]));
    return 0;
}
