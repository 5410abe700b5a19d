#include "platform/picture/imageview.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace platform {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {}

void ImageView::setPicture(const Picture& picture)
{
    picture_ = picture;
    update();
}

void ImageView::paintEvent(QPaintEvent* event)
{
    if (picture_.isNull() || width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    picture_.draw(painter, QRectF(rect()));
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
