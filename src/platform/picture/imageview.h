#pragma once
// The widget that shows a picture.
#include "platform/picture/picture.h"

#include <QWidget>

namespace platform {

// Draws its picture stretched over its whole area. A click and a double click
// are reported the way the windows expect: click on release, then double click.
class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);
    void setPicture(const Picture& picture);
    Picture picture() const { return picture_; }

signals:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Picture picture_;
    // Qt follows a double click with a release that is no click of its own.
    bool releaseEndsDoubleClick_ = false;
};

} // namespace platform
