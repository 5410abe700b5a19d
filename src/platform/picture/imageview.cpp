#include "platform/picture/imageview.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>

namespace platform {

namespace {

// One drawing at a time, apart from the page-ahead decodes: the window's
// thread keeps the other core. Owned by the application, which waits for a
// drawing still running when it ends.
QThreadPool* drawingPool()
{
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(1);
    }
    return pool;
}

} // namespace

ImageView::ImageView(QWidget* parent) : QWidget(parent), latest_(std::make_shared<std::atomic<quint64>>(0)) {}

ImageView::~ImageView() { dropRequests(); }

void ImageView::setPicture(const Picture& picture)
{
    picture_ = picture;
    drawLater_ = false;
    dropRequests();
    update();
}

void ImageView::drawNewSizesLater() { drawLater_ = true; }

void ImageView::dropRequests()
{
    latest_->store(++request_);
    stretched_ = QSize();
    asked_ = QSize();
}

void ImageView::paintEvent(QPaintEvent* event)
{
    if (picture_.isNull() || width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    if (!drawLater_) {
        picture_.draw(painter, QRectF(rect()));
        return;
    }
    stretched_ = picture_.drawAtHand(painter, QRectF(rect()));
    if (!stretched_.isEmpty() && stretched_ != asked_)
        askForDrawing(stretched_);
}

void ImageView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    stretched_ = QSize();
}

void ImageView::askForDrawing(const QSize& size)
{
    asked_ = size;
    const quint64 request = ++request_;
    latest_->store(request);
    QThreadPool* pool = drawingPool();
    // The view may be gone when the drawing comes: it is handed over on the
    // window's thread, through the pool, which outlives every drawing.
    auto view = std::make_shared<const QPointer<ImageView>>(this);
    pool->start([pool, view, picture = picture_, latest = latest_, request, size] {
        if (latest->load() != request)
            return;
        const QImage drawn = picture.drawingFor(size);
        QMetaObject::invokeMethod(
            pool,
            [view, request, size, drawn] {
                if (*view)
                    (*view)->takeDrawing(request, size, drawn);
            },
            Qt::QueuedConnection);
    });
}

void ImageView::takeDrawing(quint64 request, const QSize& size, const QImage& drawn)
{
    // Another picture, or another size asked for or shown since: not wanted.
    if (request != request_)
        return;
    asked_ = QSize();
    if (size != stretched_)
        return;
    picture_.keepDrawing(size, drawn);
    update();
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
