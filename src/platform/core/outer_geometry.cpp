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
    if (frame == request.frame || client != request.client)
        return std::nullopt;
    if (!request.width && !request.height && !request.centredOn)
        return std::nullopt;
    QSize outer = client.grownBy(frame);
    if (request.width)
        outer.setWidth(*request.width);
    if (request.height)
        outer.setHeight(*request.height);
    FrameCorrection fix;
    fix.client = clientSizeFor(outer, frame);
    if (request.centredOn)
        fix.framePosition = centredFramePosition(fix.client.grownBy(frame), *request.centredOn);
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
    window_->move(centredFramePosition(outerSize(), screen));
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
    if (fix->framePosition)
        window_->move(*fix->framePosition);
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
