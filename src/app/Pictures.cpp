#include "app/Pictures.h"


#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {
const QColor kBannerDark(0x00, 0x4A, 0x7C);
const QColor kBannerLight(0x00, 0x92, 0xDC);
const QColor kButtonFrame(0x00, 0x6F, 0xA8);

// The banner and its right end share one gradient so that they meet without a seam:
// the full banner is 818 wide, the end piece starts at 718.
constexpr int kBannerWidth = 818;
constexpr int kBannerEndLeft = 718;

void paintBannerBackground(QPainter &painter, const QSize &size, int offsetX)
{
    QLinearGradient gradient(-offsetX, 0, kBannerWidth - offsetX, size.height());
    gradient.setColorAt(0.0, kBannerDark);
    gradient.setColorAt(0.65, kBannerLight);
    gradient.setColorAt(1.0, kBannerLight.lighter(115));
    painter.fillRect(QRect(QPoint(0, 0), size), gradient);

    // Two soft sweeps across the banner give it some depth.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QPainterPath sweep;
    sweep.moveTo(-offsetX, size.height() * 0.78);
    sweep.cubicTo(220 - offsetX, size.height() * 0.35, 520 - offsetX, size.height() * 1.05,
                  kBannerWidth - offsetX, size.height() * 0.45);
    sweep.lineTo(kBannerWidth - offsetX, size.height());
    sweep.lineTo(-offsetX, size.height());
    sweep.closeSubpath();
    painter.setBrush(QColor(255, 255, 255, 28));
    painter.drawPath(sweep);

    QPainterPath sweep2;
    sweep2.moveTo(-offsetX, size.height() * 0.92);
    sweep2.cubicTo(300 - offsetX, size.height() * 0.6, 600 - offsetX, size.height() * 1.1,
                   kBannerWidth - offsetX, size.height() * 0.7);
    sweep2.lineTo(kBannerWidth - offsetX, size.height());
    sweep2.lineTo(-offsetX, size.height());
    sweep2.closeSubpath();
    painter.setBrush(QColor(255, 255, 255, 22));
    painter.drawPath(sweep2);
}
} // namespace

QPixmap BannerPicture(const QSize &size)
{
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    paintBannerBackground(painter, size, 0);
    return pixmap;
}

QPixmap BannerEndPicture(const QSize &size)
{
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    paintBannerBackground(painter, size, kBannerEndLeft);

    // The product mark: a white ring with a blue dot, centred in the piece.
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size.width() / 2.0, size.height() / 2.0);
    const qreal radius = qMin(size.width(), size.height()) * 0.28;
    painter.setPen(QPen(Qt::white, radius * 0.32));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre + QPointF(radius * 0.9, -radius * 0.9), radius * 0.22, radius * 0.22);
    return pixmap;
}

QPixmap MarkerPicture(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBannerLight);
    const qreal w = size.width();
    const qreal h = size.height();
    QPainterPath arrow;
    arrow.moveTo(1, 1);
    arrow.lineTo(w - 1, h / 2.0);
    arrow.lineTo(1, h - 1);
    arrow.closeSubpath();
    painter.drawPath(arrow);
    return pixmap;
}

QPixmap ButtonBackgroundPicture(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(kButtonFrame, 1));
    painter.setBrush(kBannerLight);
    painter.drawRoundedRect(frame, 3, 3);

    // A small white arrow in the strip to the right of the button face.
    const qreal right = size.width() - 2.5;
    const qreal mid = size.height() / 2.0;
    QPainterPath arrow;
    arrow.moveTo(right - 3, mid - 3);
    arrow.lineTo(right, mid);
    arrow.lineTo(right - 3, mid + 3);
    painter.setPen(QPen(Qt::white, 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arrow);
    return pixmap;
}
