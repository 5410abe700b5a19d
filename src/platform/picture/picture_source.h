#pragma once
// The decoders behind Picture: one per family of files. Internal to the
// picture library.
#include "platform/picture/picture_format.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <memory>

namespace platform::detail {

// The picture budget. A raster picture may have up to this many pixels
// (100 megapixels and more); a header that claims more is a broken or
// hostile file and is refused when the picture loads. Pictures within it
// are decoded whole only when their decoder cannot do less, otherwise only
// the part that shows, at the size it shows.
constexpr qint64 kMaxPicturePixels = qint64(10240) * 10240;

// Qt's decoders refuse any image larger than their allocation limit; theirs
// is set from the budget at the widest pixel Qt decodes into (16 bits a
// channel, 8 bytes), so every picture within the budget decodes.
constexpr int kDecoderAllocationLimitMb = int(kMaxPicturePixels * 8 / (1024 * 1024));

// One part decoded for drawing holds at most this many pixels; a larger part
// is decoded coarser and stretched by the painter.
constexpr qint64 kMaxPartPixels = qint64(4096) * 4096;

// Vector pictures render sharper than their natural size when zoomed, but
// within this many pixels, so a widget zoomed far beyond the screen does
// not allocate an image of its own size.
constexpr qint64 kVectorRenderPixels = qint64(2048) * 2048;

// The largest size with the aspect of `size` and at most `maxPixels` pixels.
QSize boundedByArea(const QSize& size, qint64 maxPixels);

class PictureSource {
public:
    virtual ~PictureSource() = default;

    virtual PictureFormat format() const = 0;
    // Natural size: pixels for raster pictures, twips for metafiles, each
    // converted by Picture to the other.
    virtual bool isVector() const = 0;
    virtual QSize naturalPixels() const { return {}; }
    virtual QSizeF naturalTwips() const { return {}; }

    // Pixels for showing at `size` (stretched to it). A source may return
    // more pixels when producing exactly `size` would cost more (a decoder
    // that cannot scale). Null when the data turns out to be unreadable.
    virtual QImage render(const QSize& size) const = 0;

    // Whether render() does less work for a smaller size; if not, one
    // decode at natural size serves every size.
    virtual bool rendersCheaperWhenSmaller() const = 0;

    // Whether the source can decode a part of the picture without the rest.
    virtual bool rendersParts() const { return false; }
    // Pixels of `part` (in natural pixels, inside the picture) at `size`
    // (no larger than the part). The source may decode a little more than
    // asked; `covered` receives the part the pixels show. Null on failure.
    virtual QImage renderPart(const QRect& part, const QSize& size, QRect* covered) const
    {
        Q_UNUSED(part);
        Q_UNUSED(size);
        Q_UNUSED(covered);
        return {};
    }

    // Pixels the source drew while it was opened, handed over once; null
    // when it drew none.
    virtual QImage takeFirstPixels() { return {}; }
};

// Each throws platform::Error(InvalidPicture) when the data is not a
// picture it can show.
std::unique_ptr<PictureSource> openRaster(const QByteArray& bytes, PictureFormat format);
// WMF and EMF, drawn by the metafile helper. Opening draws the picture once,
// as large as its aspect allows within `firstShowing` pixels.
std::unique_ptr<PictureSource> openMetafile(const QByteArray& bytes, PictureFormat format, const QSize& firstShowing);

} // namespace platform::detail
