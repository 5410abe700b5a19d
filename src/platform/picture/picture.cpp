#include "platform/picture/picture.h"

#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/core/regular_file.h"
#include "platform/picture/metafile_protocol.h"
#include "platform/picture/picture_source.h"

#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace platform {

namespace detail {

QSize boundedByArea(const QSize& size, qint64 maxPixels)
{
    const qint64 pixels = qint64(size.width()) * size.height();
    if (size.isEmpty() || pixels <= maxPixels)
        return size;
    const double scale = std::sqrt(double(maxPixels) / double(pixels));
    return QSize(std::max(1, int(size.width() * scale)), std::max(1, int(size.height() * scale)));
}

} // namespace detail

namespace {

[[noreturn]] void fileNotFound()
{
    throw Error(errc::FileNotFound);
}

[[noreturn]] void invalidPicture()
{
    throw Error(errc::InvalidPicture);
}

QByteArray readPictureFile(const QString& path)
{
    RegularFileRead file = readRegularFile(path, kMaxPictureFileBytes);
    if (file.status == RegularFileRead::CannotOpen && (file.error == EACCES || file.error == EPERM))
        throw Error(errc::PermissionDenied, QStringLiteral("没有权限"));
    if (file.status != RegularFileRead::Read)
        fileNotFound();
    return std::move(file.bytes);
}

// Shrinking by less than a quarter is left to the painter: its bilinear
// filter is smooth at such factors and far cheaper than a separate pass.
bool nearlyTheSize(const QSize& have, const QSize& want)
{
    return have.width() >= want.width() && have.height() >= want.height() && want.width() * 4 >= have.width() * 3
           && want.height() * 4 >= have.height() * 3;
}

int toPixels(double twips)
{
    const double pixels = std::round(twips / twipsPerPixel());
    return int(std::clamp(pixels, 1.0, double(1 << 20)));
}

qint64 area(const QSize& s) { return qint64(s.width()) * s.height(); }

bool isTrueColour(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied;
}

// Qt shrinks any pixel format smoothly, but hands a palette, grey or 16-bit
// picture back in its own format, with a palette of its choosing: one bit
// comes back black and white. Scaling works on 32-bit pixels instead.
QImage trueColour(const QImage& image)
{
    if (isTrueColour(image))
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

// `rect` of `image`, smoothly scaled to `size`, in 32-bit pixels. A large
// shrink that would need a copy first (a part, or other pixels) averages
// bands of whole rows into one row each instead, so that a huge picture is
// never copied whole: a fitted 10000-pixel scan costs a few megabytes here,
// not 400.
QImage smoothlyScaled(const QImage& image, const QRect& rect, const QSize& size)
{
    const int fx = rect.width() / (2 * size.width());
    const int fy = rect.height() / (2 * size.height());
    if ((rect == image.rect() && isTrueColour(image)) || (fx < 2 && fy < 2))
        return trueColour(rect == image.rect() ? image : image.copy(rect))
            .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QSize reduced(rect.width() / std::max(1, fx), rect.height() / std::max(1, fy));
    QImage rows;
    for (int row = 0; row < reduced.height(); ++row) {
        const int top = int(qint64(row) * rect.height() / reduced.height());
        const int bottom = int(qint64(row + 1) * rect.height() / reduced.height());
        const QImage band = trueColour(image.copy(rect.left(), rect.top() + top, rect.width(), bottom - top))
                                .scaled(reduced.width(), 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (band.width() != reduced.width())
            return {};
        if (rows.isNull())
            rows = QImage(reduced, band.format());
        if (rows.isNull() || rows.format() != band.format())
            return {};
        std::memcpy(rows.scanLine(row), band.constScanLine(0), size_t(reduced.width()) * 4);
    }
    return rows.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Pixels to draw, and the rectangle of them that shows what was asked for.
struct Pixels {
    QImage image;
    QRectF source;
};

// The pixels of `image`, which shows `shows` (natural pixels), that show `wanted`.
Pixels pixelsShowing(const QImage& image, const QRect& shows, const QRectF& wanted)
{
    const double ex = double(image.width()) / shows.width();
    const double ey = double(image.height()) / shows.height();
    return {image, QRectF((wanted.x() - shows.x()) * ex, (wanted.y() - shows.y()) * ey, wanted.width() * ex,
                          wanted.height() * ey)};
}

// Where a picture drawn over a target lands on the painter's device.
struct Placement {
    QTransform toDevice;
    QRectF onDevice;
    QSize shown;  // its size there
    QRect part;   // the part of it that reaches the device and the clip, in `shown`
};

Placement placementOn(QPainter& painter, const QRectF& target)
{
    Placement at;
    at.toDevice = painter.deviceTransform();
    at.onDevice = at.toDevice.mapRect(target);
    // Only what reaches the device is drawn: a zoomed view may be tens of
    // thousands of pixels wide while its window shows a little of it, and
    // a page shows a corner of a large picture printed at its natural size.
    QRectF visible = at.onDevice;
    if (const QPaintEngine* engine = painter.paintEngine(); engine && engine->paintDevice())
        visible &= QRectF(0, 0, engine->paintDevice()->width(), engine->paintDevice()->height());
    if (painter.hasClipping())
        visible &= at.toDevice.mapRect(painter.clipBoundingRect());
    at.shown = QSize(std::max(1, qRound(at.onDevice.width())), std::max(1, qRound(at.onDevice.height())));
    at.part = visible.translated(-at.onDevice.topLeft()).toAlignedRect() & QRect(QPoint(0, 0), at.shown);
    return at;
}

void paintPixels(QPainter& painter, const Placement& at, const Pixels& pixels)
{
    if (pixels.image.isNull())
        return;
    const QRectF destination = at.toDevice.inverted().mapRect(QRectF(at.part).translated(at.onDevice.topLeft()));
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(destination, pixels.image, pixels.source);
    painter.restore();
}

} // namespace

struct Picture::Impl {
    std::unique_ptr<detail::PictureSource> source;
    QSize naturalPixels;
    QSizeF naturalTwips;

    // The last decode, at least as large as anything shown since, and the
    // last picture handed out with the size it was asked for.
    QImage decoded;
    QImage shown;
    QSize shownSize;
    int decodes = 0;
    // The smallest size a decode failed at, if any.
    QSize failedAt;

    // The part of a raster picture last decoded or scaled for drawing:
    // `regionImage` shows `region` (natural pixels), made for a drawing at
    // `regionScale` of the natural size.
    QRect region;
    QImage regionImage;
    QSizeF regionScale;

    QImage decode(const QSize& size)
    {
        ++decodes;
        return source->render(size);
    }

    // Whether showing at `size` (a render size) takes a new drawing. A size
    // the decoder failed at is not asked for again: a metafile helper that
    // runs out of time would hold up every paint. What was decoded before is
    // stretched instead.
    bool needsDrawing(const QSize& size) const
    {
        if (!shown.isNull() && shownSize == size)
            return false;
        const bool enough = decoded.width() >= size.width() && decoded.height() >= size.height();
        const bool failedBefore =
            !failedAt.isEmpty() && size.width() >= failedAt.width() && size.height() >= failedAt.height();
        return !enough && !failedBefore;
    }

    void keep(const QSize& size, const QImage& fresh)
    {
        if (fresh.isNull()) {
            failedAt = size;
            return;
        }
        decoded = fresh;
        shown = QImage();
        shownSize = QSize();
    }

    // What image() hands out for `size`, from the pixels at hand.
    QImage shownAt(const QSize& size)
    {
        if (!shown.isNull() && shownSize == size)
            return shown;
        if (decoded.isNull())
            return {};
        const bool larger = decoded.width() >= size.width() && decoded.height() >= size.height();
        shown = !larger || nearlyTheSize(decoded.size(), size) ? decoded
                                                                : smoothlyScaled(decoded, decoded.rect(), size);
        shownSize = size;
        return shown;
    }

    // Raster pictures never need more pixels than they have; vector
    // pictures render at the size shown, within a budget.
    QSize renderSize(const QSize& target) const
    {
        if (!source->isVector())
            return target.boundedTo(naturalPixels);
        const qint64 naturalArea = qint64(naturalPixels.width()) * naturalPixels.height();
        return detail::boundedByArea(
            target, std::min(std::max(naturalArea, detail::kVectorRenderPixels), metafile::kMaxReplyPixels));
    }

    // What shows `part` of the raster picture drawn at `drawnAt` pixels.
    Pixels partPixels(const QSize& drawnAt, const QRect& part)
    {
        const QRect whole(QPoint(0, 0), naturalPixels);
        const double sx = double(drawnAt.width()) / naturalPixels.width();
        const double sy = double(drawnAt.height()) / naturalPixels.height();
        const QRectF wanted =
            QRectF(part.x() / sx, part.y() / sy, part.width() / sx, part.height() / sy) & QRectF(whole);
        if (wanted.isEmpty())
            return {};
        // Never more pixels than the picture has.
        const QSizeF need(std::min(1.0, sx), std::min(1.0, sy));
        // Pixels serve when they are at least as fine as needed and less than
        // a third finer: the painter shrinks that much smoothly.
        const auto serves = [&](const QImage& image, const QRect& shows) {
            if (image.isNull() || !QRectF(shows).contains(wanted))
                return false;
            const double ex = double(image.width()) / shows.width();
            const double ey = double(image.height()) / shows.height();
            return ex >= need.width() * 0.999 && ey >= need.height() * 0.999 && ex * 3 <= need.width() * 4.001
                   && ey * 3 <= need.height() * 4.001;
        };
        // The whole picture as decoded or scaled for image(), if that will do.
        for (const QImage& image : {decoded, shown})
            if (serves(image, whole))
                return pixelsShowing(image, whole, wanted);
        const bool sameScale = std::abs(regionScale.width() - need.width()) < 1e-9
                               && std::abs(regionScale.height() - need.height()) < 1e-9;
        if (!regionImage.isNull() && QRectF(region).contains(wanted) && (sameScale || serves(regionImage, region)))
            return pixelsShowing(regionImage, region, wanted);

        // A new region: the part and half its size again on each side, so
        // that scrolling a little needs no new decode; within the budget,
        // first without the margin, then coarser.
        const auto sizeFor = [&](const QRect& r) {
            return QSize(std::max(1, qRound(r.width() * need.width())),
                         std::max(1, qRound(r.height() * need.height())));
        };
        const double mx = wanted.width() / 2;
        const double my = wanted.height() / 2;
        QRect next = wanted.adjusted(-mx, -my, mx, my).toAlignedRect() & whole;
        // A decoder that works row by row costs the same for whole rows:
        // then sideways scrolling needs no new decode either.
        const QRect rows(whole.left(), next.top(), whole.width(), next.height());
        if (source->rendersParts() && area(sizeFor(rows)) <= detail::kMaxPartPixels)
            next = rows;
        QSize size = sizeFor(next);
        if (area(size) > detail::kMaxPartPixels) {
            next = wanted.toAlignedRect() & whole;
            size = detail::boundedByArea(sizeFor(next), detail::kMaxPartPixels);
        }
        QImage image;
        QRect covered = next;
        if (source->rendersParts()) {
            ++decodes;
            image = source->renderPart(next, size, &covered);
        } else if (decoded.size() == naturalPixels) {
            image = smoothlyScaled(decoded, next, size);
        } else if (source->rendersCheaperWhenSmaller()) {
            // A decoder that shrinks but cannot cut: the whole picture at
            // the scale drawn, within the budget of a part.
            const QSize wholeSize = detail::boundedByArea(sizeFor(whole), detail::kMaxPartPixels);
            image = decode(wholeSize);
            covered = whole;
            if (!image.isNull() && image.size() != wholeSize)
                image = smoothlyScaled(image, image.rect(), wholeSize);
        }
        if (image.isNull() || covered.isEmpty())
            return {};
        region = covered;
        regionImage = image;
        regionScale = need;
        return pixelsShowing(image, covered, wanted);
    }
};

Picture::Picture() = default;

Picture Picture::load(const QString& path, const QSize& fitInto)
{
    const QByteArray bytes = readPictureFile(path);
    const PictureFormat format = sniffPictureFormat(bytes.left(kPictureHeadBytes));
    if ((format == PictureFormat::Wmf || format == PictureFormat::Emf) && bytes.size() > metafile::kMaxInputBytes)
        invalidPicture();

    auto impl = std::make_shared<Impl>();
    switch (format) {
    case PictureFormat::Unknown:
        invalidPicture();
    case PictureFormat::Wmf:
    case PictureFormat::Emf:
        // A window fits a picture into a box no larger than the screen.
        impl->source = detail::openMetafile(
            bytes, format, fitInto.isEmpty() ? (screenSizeTwips() / twipsPerPixel()).toSize() : fitInto);
        break;
    default:
        impl->source = detail::openRaster(bytes, format);
        break;
    }

    if (const QImage first = impl->source->takeFirstPixels(); !first.isNull()) {
        impl->decoded = first;
        ++impl->decodes;
    }
    if (impl->source->isVector()) {
        impl->naturalTwips = impl->source->naturalTwips();
        impl->naturalPixels = QSize(toPixels(impl->naturalTwips.width()), toPixels(impl->naturalTwips.height()));
    } else {
        impl->naturalPixels = impl->source->naturalPixels();
        impl->naturalTwips = QSizeF(impl->naturalPixels) * twipsPerPixel();
        // A decoder that cannot scale costs the same now as at the first
        // paint, and decoding now reports a broken file when the page is
        // loaded instead of showing an empty picture later.
        if (!impl->source->rendersCheaperWhenSmaller()) {
            impl->decoded = impl->decode(impl->naturalPixels);
            if (impl->decoded.isNull())
                invalidPicture();
            // What the decoder delivers is the picture, whatever the header said.
            impl->naturalPixels = impl->decoded.size();
            impl->naturalTwips = QSizeF(impl->naturalPixels) * twipsPerPixel();
        }
    }

    Picture picture;
    picture.d = std::move(impl);
    return picture;
}

bool Picture::isNull() const { return !d; }

QSize Picture::naturalPixels() const { return d ? d->naturalPixels : QSize(); }

QSizeF Picture::naturalTwips() const { return d ? d->naturalTwips : QSizeF(); }

QByteArray Picture::format() const { return d ? pictureFormatName(d->source->format()) : QByteArray(); }

int Picture::decodeCount() const { return d ? d->decodes : 0; }

qint64 Picture::heldBytes() const
{
    if (!d)
        return 0;
    qint64 bytes = d->decoded.sizeInBytes() + d->regionImage.sizeInBytes();
    if (d->shown.cacheKey() != d->decoded.cacheKey())
        bytes += d->shown.sizeInBytes();
    return bytes;
}

QImage Picture::image(const QSize& targetPixels) const
{
    if (!d || targetPixels.isEmpty())
        return {};
    const QSize size = d->renderSize(targetPixels);
    if (d->needsDrawing(size))
        d->keep(size, d->decode(size));
    return d->shownAt(size);
}

QImage Picture::drawingFor(const QSize& targetPixels) const
{
    if (!d || targetPixels.isEmpty())
        return {};
    // Only what never changes after loading is read here.
    return d->source->render(d->renderSize(targetPixels));
}

void Picture::keepDrawing(const QSize& targetPixels, const QImage& drawn) const
{
    if (!d || targetPixels.isEmpty())
        return;
    ++d->decodes;
    d->keep(d->renderSize(targetPixels), drawn);
}

QImage Picture::fullImage() const
{
    if (!d)
        return {};
    const QSize size = d->source->isVector() ? detail::boundedByArea(d->naturalPixels, metafile::kMaxReplyPixels)
                                             : d->naturalPixels;
    if (d->decoded.size() == size)
        return d->decoded;
    // Printing is rare: the full-size pixels are not kept.
    return d->decode(size);
}

void Picture::draw(QPainter& painter, const QRectF& target) const
{
    if (!d || target.isEmpty())
        return;
    const Placement at = placementOn(painter, target);
    if (at.part.isEmpty())
        return;
    Pixels pixels;
    if (d->source->isVector()) {
        const QImage whole = image(at.shown);
        if (!whole.isNull())
            pixels = pixelsShowing(whole, QRect(QPoint(0, 0), at.shown), QRectF(at.part));
    } else {
        pixels = d->partPixels(at.shown, at.part);
    }
    paintPixels(painter, at, pixels);
}

QSize Picture::drawAtHand(QPainter& painter, const QRectF& target) const
{
    if (!d || target.isEmpty())
        return {};
    const Placement at = placementOn(painter, target);
    if (!d->source->isVector() || !d->needsDrawing(d->renderSize(at.shown))) {
        draw(painter, target);
        return {};
    }
    if (!at.part.isEmpty() && !d->decoded.isNull())
        paintPixels(painter, at, pixelsShowing(d->decoded, QRect(QPoint(0, 0), at.shown), QRectF(at.part)));
    return at.shown;
}

} // namespace platform
