#include "platform/core/error.h"
#include "platform/picture/picture_source.h"

#include <QBuffer>
#include <QImageReader>
#include <cstdlib>

namespace platform::detail {

namespace {

// Below this many pixels a whole decode is as quick as a scaled one and
// leaves nothing to redo when the picture is zoomed.
constexpr qint64 kSmallPicturePixels = qint64(1024) * 1024;

// The decoder scales JPEG by 1/2, 1/4 or 1/8 while decoding, so a photo
// may declare up to 64 times the decode budget and still be shown.
constexpr qint64 kMaxJpegPixels = kMaxDecodedPixels * 64;

qint64 area(const QSize& s) { return qint64(s.width()) * s.height(); }

[[noreturn]] void invalidPicture()
{
    throw Error(errc::InvalidPicture, QStringLiteral("无效图片"));
}

class RasterSource final : public PictureSource {
public:
    RasterSource(const QByteArray& bytes, PictureFormat format)
        : bytes_(bytes), format_(format), qtFormat_(pictureFormatName(format))
    {
        QBuffer buffer;
        QImageReader reader;
        open(buffer, reader);
        if (format_ == PictureFormat::Ico)
            imageIndex_ = largestImage(reader);
        const QSize declared = reader.size();
        // Top-down bitmaps declare a negative height.
        const QSize stored(std::abs(declared.width()), std::abs(declared.height()));
        if (stored.isEmpty())
            invalidPicture();
        const qint64 limit = format_ == PictureFormat::Jpeg ? kMaxJpegPixels : kMaxDecodedPixels;
        if (area(stored) > limit)
            invalidPicture();
        transposed_ = reader.transformation() & QImageIOHandler::TransformationRotate90;
        natural_ = transposed_ ? stored.transposed() : stored;
    }

    PictureFormat format() const override { return format_; }
    bool isVector() const override { return false; }
    QSize naturalPixels() const override { return natural_; }

    bool rendersCheaperWhenSmaller() const override
    {
        return format_ == PictureFormat::Jpeg && area(natural_) > kSmallPicturePixels;
    }

    QImage render(const QSize& size) const override
    {
        QBuffer buffer;
        QImageReader reader;
        open(buffer, reader);
        if (imageIndex_ > 0 && !reader.jumpToImage(imageIndex_))
            return {};
        QSize decodeSize = natural_;
        if (usesDecoderScaling(size))
            decodeSize = size;
        else if (area(natural_) > kMaxDecodedPixels)
            decodeSize = boundedByArea(natural_, kMaxDecodedPixels);
        if (decodeSize != natural_)
            // The reader scales before it applies the orientation.
            reader.setScaledSize(transposed_ ? decodeSize.transposed() : decodeSize);
        QImage image = reader.read();
        return image;
    }

private:
    void open(QBuffer& buffer, QImageReader& reader) const
    {
        buffer.setData(bytes_);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(qtFormat_);
        reader.setDecideFormatFromContent(false);
        reader.setAutoTransform(true);
    }

    // An icon file holds several sizes; the book shows the largest.
    static int largestImage(QImageReader& reader)
    {
        int best = 0;
        qint64 bestArea = -1;
        const int count = reader.imageCount();
        for (int i = 0; i < count; ++i) {
            if (!reader.jumpToImage(i))
                break;
            const QSize s = reader.size();
            if (area(s) > bestArea) {
                bestArea = area(s);
                best = i;
            }
        }
        if (!reader.jumpToImage(best))
            invalidPicture();
        return best;
    }

    // Scaling in the decoder pays only when it can drop at least half the
    // pixels in each direction; otherwise decode whole and keep that.
    bool usesDecoderScaling(const QSize& size) const
    {
        return rendersCheaperWhenSmaller() && !size.isEmpty() && size.width() * 2 <= natural_.width()
               && size.height() * 2 <= natural_.height();
    }

    QByteArray bytes_;
    PictureFormat format_;
    QByteArray qtFormat_;
    int imageIndex_ = 0;
    bool transposed_ = false;
    QSize natural_;
};

} // namespace

std::unique_ptr<PictureSource> openRaster(const QByteArray& bytes, PictureFormat format)
{
    return std::make_unique<RasterSource>(bytes, format);
}

} // namespace platform::detail
