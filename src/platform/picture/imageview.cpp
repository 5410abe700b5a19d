#include "platform/picture/picture.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPaintEngine>
#include <QPainter>

namespace platform {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {}

void ImageView::setPicture(const Picture& picture)
{
    picture_ = picture;
    scaled_ = QImage();
    scaledFor_ = QSize();
    update();
}

void ImageView::paintEvent(QPaintEvent* event)
{
    if (picture_.isNull() || width() <= 0 || height() <= 0)
        return;
    const QSize target = (QSizeF(size()) * devicePixelRatioF()).toSize();
    if (scaledFor_ != target) {
        // A widget zoomed far beyond its parent asks for more pixels than the
        // picture has; the picture caps the answer and the painter stretches it.
        scaled_ = picture_.image(target);
        scaledFor_ = target;
    }
    if (scaled_.isNull())
        return;
    QPainter painter(this);
    // Only the part that reaches the screen is drawn: a zoomed view may be
    // tens of thousands of pixels wide while its parent shows a window of it.
    QRect visible = event->rect() & rect();
    if (const QPaintDevice* device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr) {
        const QRect deviceRect(0, 0, device->width(), device->height());
        visible &= painter.deviceTransform().inverted().mapRect(deviceRect);
    }
    if (visible.isEmpty())
        return;
    const double sx = double(scaled_.width()) / width();
    const double sy = double(scaled_.height()) / height();
    const QRectF source(visible.x() * sx, visible.y() * sy, visible.width() * sx, visible.height() * sy);
    painter.setClipRegion(event->region());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scaled_.size() != target);
    painter.drawImage(QRectF(visible), scaled_, source);
}

void ImageView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (releaseEndsDoubleClick_) {
        releaseEndsDoubleClick_ = false;
        return;
    }
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

void ImageView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    releaseEndsDoubleClick_ = true;
    emit doubleClicked();
}

} // namespace platform
