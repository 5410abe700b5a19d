#pragma once
// Pictures of every kind the book may hold (bmp, gif, jpg, jpeg, ico, png,
// wmf, emf). Loading reads only what is needed to know the natural size;
// pixels are decoded at the size they are shown, on demand.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QWidget>
#include <memory>

namespace platform {

// The largest picture file read; anything larger is treated as missing.
constexpr qint64 kMaxPictureFileBytes = qint64(256) * 1024 * 1024;

class Picture {
public:
    Picture();
    // Throws platform::Error (file not found, invalid picture); never crashes on bad files.
    // Only regular files (links followed) of at most kMaxPictureFileBytes are read;
    // anything else is a missing file. `fitInto`, when known, is the box in
    // device pixels the picture will first be fitted into: a metafile is drawn
    // for it while it loads (otherwise for the screen).
    static Picture load(const QString& path, const QSize& fitInto = QSize());

    bool isNull() const;
    QSize naturalPixels() const;
    QSizeF naturalTwips() const;
    // Pixels for showing at the given size: at least that resolution (capped at the natural
    // size for raster pictures), smoothly scaled; decoded results are cached. When the
    // decoded pixels are less than a third larger than asked they come as they are, for
    // the painter to scale while drawing (with smooth pixmap transformation).
    QImage image(const QSize& targetPixels) const;
    // The picture at its natural size, for printing.
    QImage fullImage() const;

    // "bmp", "gif", "jpeg", "png", "ico", "wmf" or "emf", from the content; empty when null.
    QByteArray format() const;
    // How often pixels were decoded or rendered from the file data (shared by copies).
    int decodeCount() const;

private:
    struct Impl;
    std::shared_ptr<Impl> d;
};

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
    // The picture as last drawn and the device size it was made for.
    QImage scaled_;
    QSize scaledFor_;
    // Qt follows a double click with a release that is no click of its own.
    bool releaseEndsDoubleClick_ = false;
};

} // namespace platform
