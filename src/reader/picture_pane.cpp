#include "reader/picture_pane.h"

namespace reader {

PicturePane::PicturePane(QWidget* parent) : QFrame(parent), inner_(new QWidget(this))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kBorderPixels);
    inner_->setAutoFillBackground(true);
    setAutoFillBackground(true);
    setBackColor(designPictureBackColor());
}

QColor PicturePane::BackColor() const { return inner_->palette().color(QPalette::Window); }

void PicturePane::setBackColor(const QColor& color)
{
    QPalette p = inner_->palette();
    p.setColor(QPalette::Window, color);
    inner_->setPalette(p);
    QPalette q = palette();
    q.setColor(QPalette::Window, color);
    setPalette(q);
}

void PicturePane::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    inner_->setGeometry(contentsRect());
}

} // namespace reader
