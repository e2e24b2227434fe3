// Pictures from the calling program's Qt resources, picture buttons and the
// rectangle drawing primitive.
#include <QAbstractButton>
#include <QBitmap>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include <array>

#include "tonekit.h"
#include "ui/dialog_items.h"

namespace tonekit::ui {
namespace {

QString ResourcePath(TkInstance instance, int32_t id, const char* extension) {
    return QStringLiteral("%1/%2.%3")
        .arg(QString::fromUtf8(instance ? instance : ":"))
        .arg(id)
        .arg(QLatin1String(extension));
}

// Pixels at `screenDpi` of a length the picture stores at `pictureDpi`: the
// length in 0.01 mm, then multiply-then-divide with rounding.
int PixelsAt(int pixels, double pictureDpi, int screenDpi) {
    const long long hundredthsOfMm = static_cast<long long>(pixels * 2540.0 / pictureDpi + 0.5);
    return static_cast<int>((hundredthsOfMm * screenDpi + 1270) / 2540);
}

double DotsPerInch(int dotsPerMeter) {
    return dotsPerMeter > 0 ? dotsPerMeter * 0.0254 : 96.0;
}

void ApplyAlignment(QAbstractButton* button, int32_t align) {
    auto* tool = qobject_cast<QToolButton*>(button);
    if (!tool) return;
    const bool stacked = align == 2 || align == 3;
    tool->setToolButtonStyle(stacked ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonTextBesideIcon);
    tool->setLayoutDirection(align == 1 ? Qt::RightToLeft : Qt::LeftToRight);
}

// The raster operations R2_BLACK (1) to R2_WHITE (16) in Qt's terms.
QPainter::CompositionMode RasterOperation(int32_t code) {
    static constexpr std::array<QPainter::CompositionMode, 16> kModes{
        QPainter::RasterOp_ClearDestination,            // 1 black
        QPainter::RasterOp_NotSourceAndNotDestination,  // 2 not (pen or dest)
        QPainter::RasterOp_NotSourceAndDestination,     // 3 not pen and dest
        QPainter::RasterOp_NotSource,                   // 4 not pen
        QPainter::RasterOp_SourceAndNotDestination,     // 5 pen and not dest
        QPainter::RasterOp_NotDestination,              // 6 not dest
        QPainter::RasterOp_SourceXorDestination,        // 7 xor
        QPainter::RasterOp_NotSourceOrNotDestination,   // 8 not (pen and dest)
        QPainter::RasterOp_SourceAndDestination,        // 9 and
        QPainter::RasterOp_NotSourceXorDestination,     // 10 not xor
        QPainter::CompositionMode_Destination,          // 11 no change
        QPainter::RasterOp_NotSourceOrDestination,      // 12 not pen or dest
        QPainter::CompositionMode_Source,               // 13 copy
        QPainter::RasterOp_SourceOrNotDestination,      // 14 pen or not dest
        QPainter::RasterOp_SourceOrDestination,         // 15 or
        QPainter::RasterOp_SetDestination,              // 16 white
    };
    return code >= 1 && code <= 16 ? kModes[code - 1] : QPainter::CompositionMode_Source;
}

int32_t RasterCode(int32_t mode) {
    static constexpr std::array<int32_t, 4> kNamedModes{13, 9, 15, 7};
    return mode >= 0 && mode <= 3 ? kNamedModes[mode] : mode;
}

Qt::PenStyle PenStyle(int32_t style) {
    switch (style) {
        case 1:
            return Qt::DashLine;
        case 2:
            return Qt::DotLine;
        case 3:
            return Qt::DashDotLine;
        case 4:
            return Qt::DashDotDotLine;
        case 5:
            return Qt::NoPen;
        default:
            return Qt::SolidLine;
    }
}

}  // namespace
}  // namespace tonekit::ui

using namespace tonekit::ui;

extern "C" TkImageList BitmapButtonXP(TkInstance instance, TkWindow dialog, int32_t bitmapId,
                                      int32_t buttonId, int32_t width, int32_t height,
                                      int32_t marginLeft, int32_t marginTop, int32_t align,
                                      uint32_t maskColour, TkFont font) {
    // Qt's buttons place their picture beside or above the caption themselves;
    // the margins of the other toolkit have no counterpart.
    (void)marginLeft;
    (void)marginTop;
    auto* button = FindItem<QAbstractButton>(static_cast<QWidget*>(dialog), buttonId);
    QPixmap picture(ResourcePath(instance, bitmapId, "png"));
    if (!picture.isNull()) {
        picture = picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture.setMask(picture.createMaskFromColor(ColourFromBgr(maskColour), Qt::MaskInColor));
    }
    auto* images = new QIcon(picture);
    if (!button) return images;
    if (font) button->setFont(*static_cast<QFont*>(font));
    button->setIcon(*images);
    button->setIconSize(QSize(width, height));
    ApplyAlignment(button, align);
    return images;
}

extern "C" TkBitmap LoadResourceJpeg(TkInstance instance, TkWindow window, int32_t resourceId) {
    const QImage image(ResourcePath(instance, resourceId, "jpg"), "JPG");
    if (image.isNull()) return nullptr;
    auto* screen = static_cast<QWidget*>(window);
    const int dpiX = screen ? screen->logicalDpiX() : 96;
    const int dpiY = screen ? screen->logicalDpiY() : 96;
    const QSize size(PixelsAt(image.width(), DotsPerInch(image.dotsPerMeterX()), dpiX),
                     PixelsAt(image.height(), DotsPerInch(image.dotsPerMeterY()), dpiY));
    return new QPixmap(
        QPixmap::fromImage(image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

extern "C" void DrawSolidRectangle(TkDrawContext dc, int32_t left, int32_t top, int32_t right,
                                   int32_t bottom, int32_t penWidth, int32_t penStyle,
                                   uint32_t penColour, uint32_t fillColour, int32_t mode) {
    auto* painter = static_cast<QPainter*>(dc);
    if (!painter || right <= left || bottom <= top) return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setCompositionMode(RasterOperation(RasterCode(mode)));
    const QRect area(left, top, right - left, bottom - top);
    painter->fillRect(area, ColourFromBgr(fillColour));
    const Qt::PenStyle style = PenStyle(penStyle);
    const int width = std::max(1, penWidth);
    if (style != Qt::NoPen) {
        // The outline lies inside the rectangle, so each pixel is drawn once
        // by the fill and at most once by the pen.
        QPen pen(ColourFromBgr(penColour), 1, style);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        for (int ring = 0; ring < width && ring * 2 < std::min(area.width(), area.height()); ++ring)
            painter->drawRect(area.adjusted(ring, ring, -ring - 1, -ring - 1));
    }
    painter->restore();
}
