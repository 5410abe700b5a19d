#include "metafile_draw.h"

#include "emf_render.h"
#include "platform/core/windows_fonts.h"
#include "platform/picture/metafile_protocol.h"
#include "platform/picture/picture_format.h"
#include "svg_references.h"
#include "wmf_render.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <fontconfig/fontconfig.h>
#include <iconv.h>
#include <cmath>
#include <memory>

namespace metafile_helper {

namespace {

using platform::metafile::kMaxReplyPixels;

QSize sizeToDraw(const Request& request, const QSizeF& natural)
{
    if (!request.fit)
        return request.size;
    QSize size = platform::metafile::fittedSize(natural, request.size);
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > kMaxReplyPixels) {
        const double scale = std::sqrt(double(kMaxReplyPixels) / double(pixels));
        size = QSize(qMax(1, int(size.width() * scale)), qMax(1, int(size.height() * scale)));
    }
    return size;
}

Outcome drawWmf(WmfDrawing& drawing, const QByteArray& bytes, const Request& request, Drawing* out)
{
    // The placeable header states the size the author meant; without one,
    // libwmf's estimate from the drawing is all there is.
    QSizeF natural = platform::placeableWmfTwips(bytes).value_or(QSizeF());
    double width = 0;
    double height = 0;
    if (natural.isEmpty() && wmfMeasureTwips(&drawing, &width, &height) == 0)
        natural = QSizeF(width, height);
    const QSize size = sizeToDraw(request, natural);
    if (size.isEmpty())
        return Outcome::Undrawable;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || image.bytesPerLine() != size.width() * 4
        || wmfDrawPixels(&drawing, unsigned(size.width()), unsigned(size.height()),
                         reinterpret_cast<unsigned int*>(image.bits()))
               != 0)
        return Outcome::Undrawable;
    *out = Drawing{image, natural};
    return Outcome::Drawn;
}

void prepareQt()
{
    if (QGuiApplication::instance())
        return;
    // Qt draws the SVG's text with real fonts, which need the GUI module;
    // the offscreen platform needs no display.
    static int argc = 3;
    static char name[] = "aurelis-metafile";
    static char platformOption[] = "-platform";
    static char offscreen[] = "offscreen";
    static char* argv[] = {name, platformOption, offscreen, nullptr};
    // Never torn down: it serves every drawing while the helper lives, and
    // the helper ends without tidying.
    new QGuiApplication(argc, argv);
    platform::substituteWindowsFonts();
    // The font list is read now, and the reader of the embedded bitmaps
    // libemf2svg passes on as they are; PNG, its own choice, is built in.
    QFontDatabase::families();
    QBuffer nothing;
    QImageReader(&nothing, "jpeg").canRead();
}

// fontconfig's folders with the fonts and their caches, as configured.
QByteArrayList fontFolders()
{
    QByteArrayList folders;
    FcConfig* config = FcConfigGetCurrent();
    for (FcStrList* list : {FcConfigGetFontDirs(config), FcConfigGetCacheDirs(config)}) {
        if (!list)
            continue;
        while (const FcChar8* folder = FcStrListNext(list))
            folders << QByteArray(reinterpret_cast<const char*>(folder));
        FcStrListDone(list);
    }
    return folders;
}

// The EMF's SVG as Qt reads it; null when the converter or Qt gives up.
std::unique_ptr<EmfDrawing> openEmf(const QByteArray& bytes)
{
    prepareQt();
    const QByteArray svg = withoutOutsideReferences(emfToSvg(bytes));
    if (svg.isEmpty())
        return nullptr;
    return EmfDrawing::open(bytes, svg);
}

Outcome drawEmf(EmfDrawing& drawing, const Request& request, Drawing* out)
{
    const QSize size = sizeToDraw(request, drawing.naturalTwips());
    if (size.isEmpty())
        return Outcome::Undrawable;
    const QImage image = drawing.draw(size);
    if (image.isNull())
        return Outcome::Undrawable;
    *out = Drawing{image, drawing.naturalTwips()};
    return Outcome::Drawn;
}

} // namespace

QByteArrayList prepareToDraw()
{
    prepareQt();
    // libemf2svg converts the EMF's text between UTF-16, UTF-32 and UTF-8
    // with iconv, whose converters the C library loads from files at first
    // use; converters that stay open while the process lives keep them
    // loaded.
    static const char* const conversions[][2] = {
        {"UTF-8", "UTF-16LE"}, {"UTF-32LE", "UTF-16LE"}, {"UTF-8", "UTF-32LE"}, {"UTF-32LE", "UTF-8"}};
    for (const auto& conversion : conversions)
        iconv_open(conversion[0], conversion[1]);
    return fontFolders();
}

Drawer::Drawer() = default;
Drawer::~Drawer() = default;

void Drawer::CloseWmf::operator()(WmfDrawing* drawing) const { wmfClose(drawing); }

void Drawer::setFile(const QByteArray& bytes)
{
    // libwmf reads the bytes as long as it has the file open.
    wmf_.reset();
    emf_.reset();
    emfOpened_ = false;
    bytes_ = bytes;
    hasFile_ = true;
}

Outcome Drawer::drawWmfAgain(const Request& request, Drawing* out)
{
    if (!wmf_)
        wmf_.reset(wmfOpen(reinterpret_cast<const unsigned char*>(bytes_.constData()), bytes_.size()));
    if (!wmf_)
        return Outcome::Undrawable;
    const Outcome outcome = drawWmf(*wmf_, bytes_, request, out);
    // A play that failed may have left libwmf's player halfway: the next
    // drawing opens the file afresh.
    if (outcome != Outcome::Drawn)
        wmf_.reset();
    return outcome;
}

Outcome Drawer::draw(const Request& request, Drawing* out)
{
    switch (platform::sniffPictureFormat(bytes_.left(platform::kPictureHeadBytes))) {
    case platform::PictureFormat::Wmf:
        return drawWmfAgain(request, out);
    case platform::PictureFormat::Emf:
        if (!emfOpened_) {
            emf_ = openEmf(bytes_);
            emfOpened_ = true;
        }
        return emf_ ? drawEmf(*emf_, request, out) : Outcome::Undrawable;
    default:
        return Outcome::NotAMetafile;
    }
}

} // namespace metafile_helper
