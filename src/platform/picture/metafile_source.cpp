#include "platform/core/error.h"
#include "platform/picture/picture_source.h"
#include "platform/picture/wmf_render.h"

#include <emf2svg.h>

#include <QPainter>
#include <QSvgRenderer>
#include <cstdlib>

namespace platform::detail {

namespace {

[[noreturn]] void invalidPicture()
{
    throw Error(errc::InvalidPicture, QStringLiteral("无效图片"));
}

int appendToByteArray(void* context, char* bytes, int length)
{
    if (length > 0)
        static_cast<QByteArray*>(context)->append(bytes, length);
    return length;
}

// What the two metafile kinds share: a size in twips, drawn at whatever size is asked.
class VectorSource : public PictureSource {
public:
    bool isVector() const override { return true; }
    QSizeF naturalTwips() const override { return natural_; }
    bool rendersCheaperWhenSmaller() const override { return true; }

protected:
    QSizeF natural_;
};

class WmfSource final : public VectorSource {
public:
    explicit WmfSource(const QByteArray& bytes) : bytes_(bytes)
    {
        double width = 0;
        double height = 0;
        // The scan also proves the records can be played.
        if (wmfMeasureTwips(data(), bytes_.size(), &width, &height) != 0)
            invalidPicture();
        // The placeable header states the size the author meant; without
        // one, libwmf's estimate from the drawing is all there is.
        natural_ = placeableWmfTwips(bytes_).value_or(QSizeF(width, height));
    }

    PictureFormat format() const override { return PictureFormat::Wmf; }

    QImage render(const QSize& size) const override
    {
        if (size.isEmpty())
            return {};
        QByteArray png;
        if (wmfRenderPng(data(), bytes_.size(), unsigned(size.width()), unsigned(size.height()),
                         &appendToByteArray, &png)
            != 0)
            return {};
        return QImage::fromData(png, "PNG");
    }

private:
    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(bytes_.constData()); }

    QByteArray bytes_;
};

// EMF goes through SVG: libemf2svg translates the records, Qt draws the SVG.
class EmfSource final : public VectorSource {
public:
    explicit EmfSource(const QByteArray& bytes)
    {
        const std::optional<EmfLayout> layout = emfLayout(bytes);
        const QByteArray svg = toSvg(bytes);
        if (svg.isEmpty() || !renderer_.load(svg) || !renderer_.isValid())
            invalidPicture();
        if (layout && !layout->picture.isEmpty())
            renderer_.setViewBox(layout->picture);
        if (layout) {
            natural_ = layout->twips;
        } else {
            // A header without frame or bounds: the SVG's own size, taken as screen pixels.
            const QSizeF svgSize = renderer_.viewBoxF().size();
            if (svgSize.isEmpty())
                invalidPicture();
            natural_ = svgSize * (1440.0 / 96.0);
        }
    }

    PictureFormat format() const override { return PictureFormat::Emf; }

    QImage render(const QSize& size) const override
    {
        if (size.isEmpty())
            return {};
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        if (image.isNull())
            return {};
        // A metafile is drawn on white paper, as libwmf draws WMF.
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer_.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        return image;
    }

private:
    static QByteArray toSvg(const QByteArray& emf)
    {
        generatorOptions options{};
        // With a name-space prefix some closing tags lose it and the SVG is malformed.
        options.nameSpace = nullptr;
        options.verbose = false;
        options.emfplus = false; // its EMF+ reading is incomplete; the plain records every writer adds suffice
        options.svgDelimiter = true;
        options.imgWidth = 0;
        options.imgHeight = 0;
        char* out = nullptr;
        size_t outLength = 0;
        QByteArray copy = emf; // the converter takes a mutable buffer
        const int ok = emf2svg(copy.data(), size_t(copy.size()), &out, &outLength, &options);
        QByteArray svg;
        if (ok && out)
            svg = QByteArray(out, qsizetype(outLength));
        std::free(out);
        return svg;
    }

    mutable QSvgRenderer renderer_;
};

} // namespace

std::unique_ptr<PictureSource> openWmf(const QByteArray& bytes)
{
    return std::make_unique<WmfSource>(bytes);
}

std::unique_ptr<PictureSource> openEmf(const QByteArray& bytes)
{
    return std::make_unique<EmfSource>(bytes);
}

} // namespace platform::detail
