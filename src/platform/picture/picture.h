#pragma once
// Pictures of every kind the book may hold (bmp, gif, jpg, jpeg, ico, png,
// wmf, emf). Loading reads only what is needed to know the natural size;
// pixels are decoded at the size they are shown, on demand. Raster pictures
// of up to 100 megapixels and more load; a header that claims more is an
// invalid picture.
#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <memory>

class QPainter;

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
    // The picture at its natural size. A large picture costs its whole size
    // in memory: to print, draw() it instead.
    QImage fullImage() const;

    // Draws the picture stretched over `target` (the painter's coordinates),
    // onto any painter: a widget, an image, a printer's page. Only the part
    // that reaches the painter's device and clip is decoded, at the size it
    // is drawn (for raster pictures at most their own pixels, the painter
    // stretching them further).
    void draw(QPainter& painter, const QRectF& target) const;

    // As draw(), but a vector picture not drawn yet at the size it is drawn
    // is stretched from the drawing it has instead of waiting for the
    // helper. Returns the size to ask drawingFor() for, empty when the
    // picture needed no new drawing (raster pictures never do).
    QSize drawAtHand(QPainter& painter, const QRectF& target) const;
    // The drawing image(targetPixels) would make, made without touching what
    // the picture keeps: any thread may ask while the picture is used on its
    // own thread. Null when the drawing fails.
    QImage drawingFor(const QSize& targetPixels) const;
    // Keeps `drawn`, made by drawingFor(targetPixels), as image(targetPixels)
    // would have kept it; a null one marks the size as failed, as there.
    void keepDrawing(const QSize& targetPixels, const QImage& drawn) const;

    // "bmp", "gif", "jpeg", "png", "ico", "wmf" or "emf", from the content; empty when null.
    QByteArray format() const;
    // How often pixels were decoded or rendered from the file data (shared by copies).
    int decodeCount() const;
    // Bytes of pixels the picture keeps for showing and drawing (shared by copies).
    qint64 heldBytes() const;

private:
    struct Impl;
    std::shared_ptr<Impl> d;
};

// WMF and EMF pictures are drawn by helper programs, started when first
// needed and ended with the program. This ends those not drawing now, as the
// program's end does; a later drawing starts one again.
void endMetafileHelpers();

} // namespace platform
