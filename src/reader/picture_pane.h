#pragma once
// The picture pane: a sunken frame whose inner area clips the page picture
// and shows the background colour around it.
#include <QColor>
#include <QFrame>

namespace reader {

class PicturePane : public QFrame {
    Q_OBJECT
public:
    explicit PicturePane(QWidget* parent = nullptr);
    // Children placed here are clipped to the inner area; (0,0) is its top-left corner.
    QWidget* inner() const { return inner_; }
    QColor BackColor() const;
    void setBackColor(const QColor& color);
    // Border width on each side, in pixels: the outer size less the inner size, halved.
    static constexpr int kBorderPixels = 2;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* inner_;
};

// The pane's design colour, light blue.
inline QColor designPictureBackColor() { return QColor(192, 192, 255); }

} // namespace reader
