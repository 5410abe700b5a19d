#pragma once
// EMF through SVG: libemf2svg translates the records, Qt draws the SVG.
#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QSvgRenderer>
#include <memory>

namespace metafile_helper {

// libemf2svg's translation; empty when it gives up. Its text code ends
// fontconfig when done, under Qt's feet: whoever calls it keeps fontconfig's
// teardown from running (the helper and the fuzzer replace FcFini).
QByteArray emfToSvg(const QByteArray& emf);

class EmfDrawing {
public:
    // Null when Qt cannot read the SVG.
    static std::unique_ptr<EmfDrawing> open(const QByteArray& emf, const QByteArray& svg);
    QSizeF naturalTwips() const { return natural_; }
    // The picture on white paper, stretched to `size`.
    QImage draw(const QSize& size);

private:
    QSvgRenderer renderer_;
    QSizeF natural_;
};

} // namespace metafile_helper
