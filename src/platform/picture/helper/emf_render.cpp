#include "emf_render.h"

#include "platform/picture/picture_format.h"

#include <emf2svg.h>

#include <QPainter>
#include <QtEndian>
#include <cstdlib>

namespace metafile_helper {

namespace {

// The header's description is only a label, but the converter reads an
// empty one that has an offset as text ending at a terminator, and searches
// past the end of the file for it. An empty description has no offset.
void dropEmptyDescriptionOffset(QByteArray& emf)
{
    constexpr qsizetype kCount = 60, kOffset = 64;
    if (emf.size() < kOffset + 4 || qFromLittleEndian<quint32>(emf.constData() + kCount) != 0)
        return;
    for (int i = 0; i < 4; ++i)
        emf[kOffset + i] = 0;
}

} // namespace

QByteArray emfToSvg(const QByteArray& emf)
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
    dropEmptyDescriptionOffset(copy);
    const int ok = emf2svg(copy.data(), size_t(copy.size()), &out, &outLength, &options);
    QByteArray svg;
    if (ok && out)
        svg = QByteArray(out, qsizetype(outLength));
    std::free(out);
    return svg;
}

std::unique_ptr<EmfDrawing> EmfDrawing::open(const QByteArray& emf, const QByteArray& svg)
{
    auto drawing = std::make_unique<EmfDrawing>();
    if (svg.isEmpty() || !drawing->renderer_.load(svg) || !drawing->renderer_.isValid())
        return nullptr;
    const std::optional<platform::EmfLayout> layout = platform::emfLayout(emf);
    if (layout && !layout->picture.isEmpty())
        drawing->renderer_.setViewBox(layout->picture);
    if (layout) {
        drawing->natural_ = layout->twips;
    } else {
        // A header without frame or bounds: the SVG's own size, taken as screen pixels.
        const QSizeF svgSize = drawing->renderer_.viewBoxF().size();
        if (svgSize.isEmpty())
            return nullptr;
        drawing->natural_ = svgSize * (1440.0 / 96.0);
    }
    return drawing;
}

QImage EmfDrawing::draw(const QSize& size)
{
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

} // namespace metafile_helper
