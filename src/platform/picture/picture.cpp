#include "platform/picture/picture.h"

#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/core/regular_file.h"
#include "platform/picture/metafile_protocol.h"
#include "platform/picture/picture_source.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

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
    throw Error(errc::FileNotFound, QStringLiteral("文件未找到"));
}

[[noreturn]] void invalidPicture()
{
    throw Error(errc::InvalidPicture, QStringLiteral("无效图片"));
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

    QImage decode(const QSize& size)
    {
        ++decodes;
        return source->render(size);
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

QImage Picture::image(const QSize& targetPixels) const
{
    if (!d || targetPixels.isEmpty())
        return {};
    const QSize size = d->renderSize(targetPixels);
    if (!d->shown.isNull() && d->shownSize == size)
        return d->shown;

    const bool enough = d->decoded.width() >= size.width() && d->decoded.height() >= size.height();
    if (!enough) {
        QImage fresh = d->decode(size);
        if (fresh.isNull())
            return {};
        d->decoded = fresh;
    }
    d->shown = nearlyTheSize(d->decoded.size(), size)
                   ? d->decoded
                   : d->decoded.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    d->shownSize = size;
    return d->shown;
}

QImage Picture::fullImage() const
{
    if (!d)
        return {};
    const QSize size = detail::boundedByArea(
        d->naturalPixels, d->source->isVector() ? metafile::kMaxReplyPixels : detail::kMaxDecodedPixels);
    if (d->decoded.size() == size)
        return d->decoded;
    // Printing is rare: the full-size pixels are not kept.
    return d->decode(size);
}

} // namespace platform
