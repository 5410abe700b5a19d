#pragma once
// The widget that shows a picture.
#include "platform/picture/picture.h"

#include <QWidget>
#include <atomic>
#include <memory>

namespace platform {

// Draws its picture stretched over its whole area. A click and a double click
// are reported the way the windows expect: click on release, then double click.
class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);
    ~ImageView() override;
    void setPicture(const Picture& picture);
    Picture picture() const { return picture_; }
    // Until the next picture, a size its vector picture was not drawn at is
    // shown at once stretched from the drawing it has, and drawn exactly on
    // a worker thread; the exact drawing replaces it when it comes, if the
    // view still shows that picture at that size. A failed one leaves it
    // stretched. A zoom step asks for this: it must not wait for a helper.
    void drawNewSizesLater();
    // Whether an exact drawing asked for is still to come.
    bool drawingPending() const { return !asked_.isEmpty(); }

signals:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void askForDrawing(const QSize& size);
    void takeDrawing(quint64 request, const QSize& size, const QImage& drawn);
    // Any drawing asked for before is no longer wanted.
    void dropRequests();

    Picture picture_;
    bool drawLater_ = false;
    // The size the last paint stretched to, empty when it needed no drawing
    // or the view was resized since; and the size last asked for.
    QSize stretched_;
    QSize asked_;
    // Requests are numbered; the worker skips one that is no longer the
    // latest, and the view drops its drawing when it comes.
    quint64 request_ = 0;
    std::shared_ptr<std::atomic<quint64>> latest_;
    // Qt follows a double click with a release that is no click of its own.
    bool releaseEndsDoubleClick_ = false;
};

} // namespace platform
