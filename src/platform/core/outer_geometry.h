#pragma once
// A top-level window's outer size (frame included) as the program sets it.
// Under X11 the frame is unknown until the window manager has framed the window,
// so a size set before the first show is a client size plus a frame of zero. The
// size asked for is remembered, and once the real frame is known the client is
// made smaller by it (and the window centred again, when it was centred).
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

class QWidget;
class QWindow;

namespace platform {

// What the program last asked of the window, in pixels.
struct OuterRequest {
    std::optional<int> width;       // outer width asked for
    std::optional<int> height;      // outer height asked for
    std::optional<QRect> centredOn; // the screen the window was centred on at that size
    QMargins frame;                 // the frame the client size was worked out with
    QSize client;                   // the client size that gave
    std::optional<QPoint> frameAt = std::nullopt;  // where the frame's top-left corner was put
};

// The client size that gives an outer size with a frame; never below one pixel.
QSize clientSizeFor(const QSize& outer, const QMargins& frame);
// The frame's top-left corner that centres an outer size on a screen.
QPoint centredFramePosition(const QSize& outer, const QRect& screen);

struct FrameCorrection {
    QSize client;
    std::optional<QPoint> framePosition;  // empty: the window stays where it is
};

// What the window must do now that its frame is `frame` and its client `client`.
// Nothing when the frame is the one the size was worked out with, when nothing was
// asked, or when the client is no longer what the program set (the user or the
// window manager resized it; a frame put at a point is still put back there).
std::optional<FrameCorrection> correctForFrame(const OuterRequest& request, const QSize& client,
                                               const QMargins& frame);

class OuterGeometry : public QObject {
public:
    using FrameSource = std::function<QMargins()>;
    // The frame comes from the platform window unless a source is given.
    explicit OuterGeometry(QWidget* window, FrameSource frame = {});
    // Tests stand in for a window manager that frames the window after the first show.
    void setFrameSource(FrameSource frame) { frameSource_ = std::move(frame); }

    QMargins frame() const;
    QSize outerSize() const;

    // Each keeps the other dimension as it is.
    void setOuterWidth(int pixels);
    void setOuterHeight(int pixels);
    // Puts the window, at its current outer size, in the middle of the screen,
    // and keeps it there when the frame turns out different.
    void centreOn(const QRect& screen);
    // Puts the frame's top-left corner (the caption's, not the client's) at the
    // point, and keeps it there when the frame turns out different.
    void placeFrameAt(const QPoint& point);

    // Corrects the size and position if the frame is no longer the one they were set
    // with. The platform window's moves, resizes and exposures call it.
    void frameMayHaveChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachToPlatformWindow();
    void remember();

    QWidget* window_;
    FrameSource frameSource_;
    QPointer<QWindow> platformWindow_;
    OuterRequest request_;
    bool checkPending_ = false;
};

} // namespace platform
