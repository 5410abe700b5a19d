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

qint64 area(const QSize& s) { return qint64(s.width()) * s.height(); }

[[noreturn]] void invalidPicture()
{
    throw Error(errc::InvalidPicture, QStringLiteral("无效图片"));
}

// The decoder cuts JPEG parts cheaply on its 8-pixel blocks.
int floorTo8(int v) { return v & ~7; }
int ceilTo8(int v) { return (v + 7) & ~7; }

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
        stored_ = QSize(std::abs(declared.width()), std::abs(declared.height()));
        if (stored_.isEmpty() || area(stored_) > kMaxPicturePixels)
            invalidPicture();
        transformation_ = reader.transformation();
        natural_ = turned() ? stored_.transposed() : stored_;
    }

    PictureFormat format() const override { return format_; }
    bool isVector() const override { return false; }
    QSize naturalPixels() const override { return natural_; }

    bool rendersCheaperWhenSmaller() const override
    {
        return format_ == PictureFormat::Jpeg && area(natural_) > kSmallPicturePixels;
    }

    bool rendersParts() const override { return rendersCheaperWhenSmaller(); }

    QImage render(const QSize& size) const override
    {
        QBuffer buffer;
        QImageReader reader;
        open(buffer, reader);
        if (imageIndex_ > 0 && !reader.jumpToImage(imageIndex_))
            return {};
        if (usesDecoderScaling(size))
            // The reader scales before it applies the orientation.
            reader.setScaledSize(turned() ? size.transposed() : size);
        return reader.read();
    }

    QImage renderPart(const QRect& part, const QSize& size, QRect* covered) const override
    {
        const QRect want = toStored(part & QRect(QPoint(0, 0), natural_));
        if (want.isEmpty() || size.isEmpty())
            return {};
        // Aligned to the blocks, which may reach past the right and bottom
        // edges; the decoder keeps to the picture.
        const QRect aligned(QPoint(floorTo8(want.left()), floorTo8(want.top())),
                            QPoint(ceilTo8(want.right() + 1) - 1, ceilTo8(want.bottom() + 1) - 1));
        const QRect decoded = aligned & QRect(QPoint(0, 0), stored_);
        const QSize storedSize = turned() ? size.transposed() : size;
        const QSize out(std::max(1, qRound(double(decoded.width()) * storedSize.width() / want.width())),
                        std::max(1, qRound(double(decoded.height()) * storedSize.height() / want.height())));
        QBuffer buffer;
        QImageReader reader;
        open(buffer, reader);
        reader.setClipRect(aligned);
        if (out != decoded.size())
            reader.setScaledSize(out);
        const QImage image = reader.read();
        if (image.isNull())
            return {};
        if (covered)
            *covered = toShown(decoded);
        return image;
    }

private:
    void open(QBuffer& buffer, QImageReader& reader) const
    {
        QImageReader::setAllocationLimit(kDecoderAllocationLimitMb);
        buffer.setData(bytes_);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(qtFormat_);
        reader.setDecideFormatFromContent(false);
        reader.setAutoTransform(true);
    }

    bool turned() const { return transformation_ & QImageIOHandler::TransformationRotate90; }

    // The picture as stored is mirrored, then flipped, then turned a quarter
    // clockwise to show it (each when the file says so). These map a
    // rectangle between the two.
    QRect toShown(QRect r) const
    {
        if (transformation_ & QImageIOHandler::TransformationMirror)
            r.moveLeft(stored_.width() - r.left() - r.width());
        if (transformation_ & QImageIOHandler::TransformationFlip)
            r.moveTop(stored_.height() - r.top() - r.height());
        if (turned())
            r = QRect(stored_.height() - r.top() - r.height(), r.left(), r.height(), r.width());
        return r;
    }

    QRect toStored(QRect r) const
    {
        if (turned())
            r = QRect(r.top(), stored_.height() - r.left() - r.width(), r.height(), r.width());
        if (transformation_ & QImageIOHandler::TransformationFlip)
            r.moveTop(stored_.height() - r.top() - r.height());
        if (transformation_ & QImageIOHandler::TransformationMirror)
            r.moveLeft(stored_.width() - r.left() - r.width());
        return r;
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
    QImageIOHandler::Transformations transformation_ = QImageIOHandler::TransformationNone;
    QSize stored_;
    QSize natural_;
};

} // namespace

std::unique_ptr<PictureSource> openRaster(const QByteArray& bytes, PictureFormat format)
{
    return std::make_unique<RasterSource>(bytes, format);
}

} // namespace platform::detail
