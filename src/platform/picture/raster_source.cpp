#include "platform/core/error.h"
#include "platform/picture/picture_source.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <cstdlib>

namespace platform::detail {

namespace {

// Below this many pixels a whole decode is as quick as a scaled one and
// leaves nothing to redo when the picture is zoomed.
constexpr qint64 kSmallPicturePixels = qint64(1024) * 1024;

qint64 area(const QSize& s) { return qint64(s.width()) * s.height(); }

[[noreturn]] void invalidPicture()
{
    throw Error(errc::InvalidPicture);
}

// Decoders that cannot decode at a smaller size build the whole picture
// first. A file of theirs that claims far more pixels than its bytes can
// describe is a few kilobytes asking for a gigabyte: real drawings, flat
// colour included, stay a hundredfold below this.
constexpr qint64 kMaxPixelsPerByte = 1024;
// Up to this size a picture is cheap whatever its file, so the test above
// spares small icons and bitmaps of one colour.
constexpr qint64 kAlwaysAffordablePixels = qint64(4096) * 4096;

quint32 u32At(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 u16At(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

// Whether an uncompressed bitmap's file ends before its last row of pixels
// (the decoder would show the missing rows as black, at the full size).
bool bitmapTruncated(const QByteArray& bytes)
{
    if (bytes.size() < 26)
        return false;
    const qint64 offBits = u32At(bytes, 10);
    const quint32 infoSize = u32At(bytes, 14);
    qint64 width = 0, height = 0, bits = 0, compression = 0;
    if (infoSize == 12) {
        width = u16At(bytes, 18);
        height = u16At(bytes, 20);
        bits = bytes.size() >= 26 ? u16At(bytes, 24) : 0;
    } else if (infoSize >= 40 && bytes.size() >= 34) {
        width = std::abs(qint64(qint32(u32At(bytes, 18))));
        height = std::abs(qint64(qint32(u32At(bytes, 22))));
        bits = u16At(bytes, 28);
        compression = u32At(bytes, 30);
    } else {
        return false;
    }
    // Run-length and embedded JPEG or PNG data have no size to check here.
    constexpr quint32 kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
    if ((compression != kRgb && compression != kBitFields && compression != kAlphaBitFields) || width == 0
        || height == 0 || bits == 0)
        return false;
    const qint64 stride = (width * bits + 31) / 32 * 4;
    // Some writers leave out the padding after the last row.
    const qint64 needed = offBits + stride * (height - 1) + (width * bits + 7) / 8;
    return bytes.size() < needed;
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
        if (format_ == PictureFormat::Bmp && bitmapTruncated(bytes_))
            invalidPicture();
        if (!scalesInDecoder() && area(stored_) > kAlwaysAffordablePixels
            && area(stored_) > kMaxPixelsPerByte * bytes_.size())
            invalidPicture();
        transformation_ = reader.transformation();
        natural_ = turned() ? stored_.transposed() : stored_;
    }

    PictureFormat format() const override { return format_; }
    bool isVector() const override { return false; }
    QSize naturalPixels() const override { return natural_; }

    bool rendersCheaperWhenSmaller() const override
    {
        return scalesInDecoder() && area(natural_) > kSmallPicturePixels;
    }

    // Only the JPEG decoder decodes a part without the rows above it.
    bool rendersParts() const override { return format_ == PictureFormat::Jpeg && rendersCheaperWhenSmaller(); }

    QImage render(const QSize& size) const override
    {
        QBuffer buffer;
        QImageReader reader;
        open(buffer, reader);
        if (imageIndex_ > 0 && !reader.jumpToImage(imageIndex_))
            return {};
        const bool scaled = usesDecoderScaling(size);
        if (scaled)
            // The reader scales before it applies the orientation.
            reader.setScaledSize(turned() ? size.transposed() : size);
        QImage image = reader.read();
        // The PNG decoder shrinks colour pictures as it reads them, but hands
        // grey and palette ones back whole: those are shrunk here, so that
        // no more than the size asked for is kept.
        if (scaled && !image.isNull() && (image.width() > size.width() || image.height() > size.height())) {
            // Smooth scaling works on 32-bit pixels: picking every few pixels
            // first, in the picture's own format, keeps that copy small.
            const QSize picked = (size * 4).boundedTo(image.size());
            if (picked != image.size())
                image = image.scaled(picked, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                  : QImage::Format_RGB32)
                        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        return image;
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
    // JPEG drops detail in its blocks; PNG shrinks row by row as it inflates.
    bool scalesInDecoder() const { return format_ == PictureFormat::Jpeg || eightBitPng(); }

    // Qt's PNG decoder shrinks eight-bit grey and colour pictures well; for
    // palette, one-bit and 16-bit ones it gives colours of its own.
    bool eightBitPng() const
    {
        if (format_ != PictureFormat::Png || bytes_.size() < 26)
            return false;
        const int depth = quint8(bytes_.at(24));
        const int colourType = quint8(bytes_.at(25));
        return depth == 8 && (colourType == 0 || colourType == 2 || colourType == 6);
    }

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
