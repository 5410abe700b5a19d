#include "platform/core/outer_geometry.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace platform {

QSize clientSizeFor(const QSize& outer, const QMargins& frame)
{
    const QSize client = outer.shrunkBy(frame);
    return QSize(std::max(1, client.width()), std::max(1, client.height()));
}

QPoint centredFramePosition(const QSize& outer, const QRect& screen)
{
    const auto half = [](int free) { return static_cast<int>(std::lround(free / 2.0)); };
    // A window larger than the screen keeps its title bar on it, where it can be grabbed.
    return screen.topLeft() + QPoint(std::max(0, half(screen.width() - outer.width())),
                                     std::max(0, half(screen.height() - outer.height())));
}

std::optional<FrameCorrection> correctForFrame(const OuterRequest& request, const QSize& client,
                                               const QMargins& frame)
{
    if (frame == request.frame)
        return std::nullopt;
    // A window manager may fit a window to the screen as it frames it: its size is
    // then the manager's, but a frame put at a point still goes back there.
    const bool sizeIsOurs = client == request.client;
    if (!sizeIsOurs && !request.frameAt)
        return std::nullopt;
    if (!request.width && !request.height && !request.centredOn && !request.frameAt)
        return std::nullopt;
    QSize outer = client.grownBy(frame);
    if (sizeIsOurs && request.width)
        outer.setWidth(*request.width);
    if (sizeIsOurs && request.height)
        outer.setHeight(*request.height);
    FrameCorrection fix;
    fix.client = clientSizeFor(outer, frame);
    if (request.centredOn)
        fix.framePosition = centredFramePosition(fix.client.grownBy(frame), *request.centredOn);
    else if (request.frameAt)
        fix.framePosition = request.frameAt;
    return fix;
}

OuterGeometry::OuterGeometry(QWidget* window, FrameSource frame)
    : QObject(window), window_(window), frameSource_(std::move(frame))
{
    window_->installEventFilter(this);
    attachToPlatformWindow();
}

QMargins OuterGeometry::frame() const
{
    if (frameSource_)
        return frameSource_();
    // Known once the platform window exists and the window manager has framed it.
    if (const QWindow* handle = window_->windowHandle())
        return handle->frameMargins();
    return QMargins();
}

QSize OuterGeometry::outerSize() const { return window_->size().grownBy(frame()); }

void OuterGeometry::remember()
{
    request_.frame = frame();
    request_.client = window_->size();
}

void OuterGeometry::setOuterWidth(int pixels)
{
    request_.width = pixels;
    const QMargins f = frame();
    window_->resize(std::max(1, pixels - f.left() - f.right()), window_->height());
    remember();
}

void OuterGeometry::setOuterHeight(int pixels)
{
    request_.height = pixels;
    const QMargins f = frame();
    window_->resize(window_->width(), std::max(1, pixels - f.top() - f.bottom()));
    remember();
}

void OuterGeometry::centreOn(const QRect& screen)
{
    request_.centredOn = screen;
    request_.frameAt.reset();
    window_->move(centredFramePosition(outerSize(), screen));
    remember();
}

void OuterGeometry::placeFrameAt(const QPoint& point)
{
    request_.frameAt = point;
    request_.centredOn.reset();
    window_->move(point);
    remember();
}

void OuterGeometry::frameMayHaveChanged()
{
    // A maximised or minimised window has the size the window manager gives it.
    if (window_->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QMargins now = frame();
    const std::optional<FrameCorrection> fix = correctForFrame(request_, window_->size(), now);
    if (!fix)
        return;
    window_->resize(fix->client);
    if (fix->framePosition) {
        // The client's own position, worked out from the frame just read: the
        // widget's idea of its frame may not have caught up yet, and a move by
        // frame position would then put the client where the frame should be.
        if (QWindow* handle = window_->windowHandle())
            handle->setPosition(*fix->framePosition + QPoint(now.left(), now.top()));
        else
            window_->move(*fix->framePosition);
    }
    request_.frame = now;
    request_.client = window_->size();
}

void OuterGeometry::attachToPlatformWindow()
{
    QWindow* handle = window_->windowHandle();
    if (!handle || handle == platformWindow_)
        return;
    platformWindow_ = handle;
    handle->installEventFilter(this);
}

bool OuterGeometry::eventFilter(QObject* watched, QEvent* event)
{
    bool check = false;
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::WinIdChange:
        case QEvent::PlatformSurface:
            attachToPlatformWindow();
            break;
        case QEvent::Show:
            attachToPlatformWindow();
            check = true;
            break;
        default:
            break;
        }
    } else if (watched == platformWindow_) {
        // The window manager's framing shows as a move, resize or exposure of the
        // platform window, not of the widget.
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Expose:
        case QEvent::WindowStateChange:
            check = true;
            break;
        default:
            break;
        }
    }
    // Looked at once the event has been handled, when the geometry it brings is in place.
    if (check && !checkPending_) {
        checkPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                checkPending_ = false;
                frameMayHaveChanged();
            },
            Qt::QueuedConnection);
    }
    return false;
}

} // namespace platform
