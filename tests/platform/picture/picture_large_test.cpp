// Pictures near the budget: they load, show zoomed far in, and draw at their
// natural size onto any painter (a page being printed); and large pictures of
// every pixel kind show the colours of a whole decode.
#include "picture_test_support.h"
#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/picture/imageview.h"
#include "support/test_support.h"

#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace picture_testing;
using platform::ImageView;
using platform::Picture;

namespace {

// The colour a parent window shows at its centre with the view moved so
// that the view's point `at` lies there.
QRgb seenAt(QWidget& parent, ImageView& view, const QPoint& at)
{
    const QPoint centre(parent.width() / 2, parent.height() / 2);
    view.move(centre - at);
    QImage image(parent.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    parent.render(&image);
    return image.pixel(centre);
}

// The width and height of every picture a PDF file holds.
QList<QSize> pdfImageSizes(const QByteArray& pdf)
{
    QList<QSize> sizes;
    static const QRegularExpression image(QStringLiteral(
        "/Subtype\\s*/Image\\s*/Width\\s+(\\d+)\\s*/Height\\s+(\\d+)"));
    auto matches = image.globalMatch(QString::fromLatin1(pdf));
    while (matches.hasNext()) {
        const auto m = matches.next();
        sizes << QSize(m.captured(1).toInt(), m.captured(2).toInt());
    }
    return sizes;
}

// The share of the pixels inside areas of one colour (away from edges, which
// two ways of scaling blend differently) that differ from the reference by
// more than `tolerance` in a colour channel (both are drawn over white); 1
// when under a quarter of the pixels lie inside such areas.
double mismatchedShare(const QImage& seen, const QImage& reference, int tolerance)
{
    const auto at = [](const QImage& image, int x, int y) {
        return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
    };
    int inside = 0;
    int mismatched = 0;
    for (int y = 2; y < reference.height() - 2; ++y)
        for (int x = 2; x < reference.width() - 2; ++x) {
            const QColor r = QColor::fromRgba(at(reference, x, y));
            if (near(at(reference, x - 2, y), r, 6) && near(at(reference, x + 2, y), r, 6)
                && near(at(reference, x, y - 2), r, 6) && near(at(reference, x, y + 2), r, 6)) {
                ++inside;
                mismatched += !near(at(seen, x, y), r, tolerance);
            }
        }
    return inside * 4 < reference.width() * reference.height() ? 1.0 : double(mismatched) / inside;
}

} // namespace

// Every pixel kind of every raster format, below and just above a megapixel
// (where a photo turns to parts decoded at the shown size), shows the colours
// of the file decoded whole and scaled the same way: fitted into a window,
// zoomed step by step, scrolled, and printed on a 300 dpi page at 100 and 20 %.
TEST(LargePictures, EveryPixelKindShowsTheColoursOfAWholeDecode)
{
    using F = QImage;
    const auto im = [](const char* into, QStringList options = {}) { return options << QLatin1String(into); };
    const struct {
        const char* file;
        const char* kind;
        QImage::Format pixels;
        const char* qtWrites;  // else ImageMagick with `imageMagick`
        QStringList imageMagick;
        QImage::Format decodesAs;
    } cases[] = {
        {"png", "1-bit palette", F::Format_Mono, "PNG", {}, F::Format_Mono},
        {"png", "8-bit palette", F::Format_Indexed8, "PNG", {}, F::Format_Indexed8},
        {"png", "grey", F::Format_Grayscale8, "PNG", {}, F::Format_Grayscale8},
        {"png", "16-bit grey", F::Format_Grayscale16, "PNG", {}, F::Format_Grayscale16},
        {"png", "true colour", F::Format_RGB32, "PNG", {}, F::Format_RGB32},
        {"png", "alpha", F::Format_ARGB32, "PNG", {}, F::Format_ARGB32},
        {"png", "16-bit colour, alpha", F::Format_RGBA64, "PNG", {}, F::Format_RGBA64},
        {"bmp", "1-bit palette", F::Format_Mono, "BMP", {}, F::Format_Mono},
        {"bmp", "4-bit palette", F::Format_Indexed8, nullptr, im("BMP3:-", {"-colors", "16", "-type", "Palette"}),
         F::Format_Indexed8},
        {"bmp", "8-bit palette", F::Format_Indexed8, "BMP", {}, F::Format_Indexed8},
        {"bmp", "8-bit RLE", F::Format_Indexed8, nullptr, im("BMP3:-", {"-type", "Palette"}), F::Format_Indexed8},
        {"bmp", "16-bit", F::Format_RGB32, nullptr, im("BMP:-", {"-define", "bmp:subtype=RGB565"}), F::Format_RGB32},
        {"bmp", "true colour", F::Format_RGB32, "BMP", {}, F::Format_RGB32},
        {"gif", "1-bit palette", F::Format_Mono, nullptr, im("GIF:-"), F::Format_RGB32},
        {"gif", "4-bit palette", F::Format_Indexed8, nullptr, im("GIF:-", {"-colors", "16"}), F::Format_RGB32},
        {"gif", "8-bit palette", F::Format_Indexed8, nullptr, im("GIF:-"), F::Format_RGB32},
        {"gif", "transparent", F::Format_ARGB32, nullptr, im("GIF:-"), F::Format_ARGB32},
        {"jpg", "grey", F::Format_Grayscale8, "JPEG", {}, F::Format_Grayscale8},
        {"jpg", "true colour", F::Format_RGB32, "JPEG", {}, F::Format_RGB32},
        {"jpg", "progressive", F::Format_RGB32, "JPEG progressive", {}, F::Format_RGB32},
        {"jpg", "CMYK", F::Format_RGB32, nullptr, im("JPEG:-", {"-colorspace", "CMYK"}), F::Format_RGB32},
        {"ico", "alpha", F::Format_ARGB32, "ICO", {}, F::Format_ARGB32_Premultiplied},
        {"ico", "4-bit palette", F::Format_Indexed8, nullptr, im("ICO:-", {"-colors", "16"}),
         F::Format_ARGB32_Premultiplied},
    };
    testing_support::TempWorkDir dir;
    QStringList unchecked;
    for (const auto& c : cases)
        for (const QSize size : {QSize(250, 190), QSize(1050, 1000)}) {
            if (QByteArray(c.file) == "ico" && size.width() > 256)
                continue;  // an icon holds at most 256 x 256 pixels
            const QString name =
                QStringLiteral("%1 %2 x %3.%4").arg(c.kind).arg(size.width()).arg(size.height()).arg(c.file);
            SCOPED_TRACE(name.toStdString());
            const QImage pixels = quadrants(size.width(), size.height(), c.pixels);
            const QByteArray bytes = c.qtWrites ? encode(pixels, QByteArray(c.qtWrites).split(' ').first(), 90,
                                                         QByteArray(c.qtWrites).contains(' '))
                                                : convertWithImageMagick(encode(pixels, "PNG"), c.imageMagick);
            if (bytes.isEmpty()) {
                unchecked << name;
                continue;
            }
            dir.write(name, bytes);
            const QImage whole(dir.file(name));
            ASSERT_EQ(whole.format(), c.decodesAs);
            const QImage reference = whole.convertToFormat(QImage::Format_ARGB32);
            const Picture picture = Picture::load(dir.file(name));

            // Views as (dots per unit, target): a 160 x 120 window, then a 240 x 240 page in twips.
            const QSizeF natural(size);
            const double fit = std::min(160 / natural.width(), 120 / natural.height());
            const auto around = [&](double zoom, double x, double y) {
                return QRectF(QPointF(80 - x * natural.width() * zoom, 60 - y * natural.height() * zoom),
                              natural * zoom);
            };
            QList<QPair<double, QRectF>> views{{1, QRectF(QPointF(0, 0), natural * fit)}};
            for (double zoom = fit * 1.25; zoom < 2.5; zoom *= 1.25)
                views.append({1, around(zoom, 0.4, 0.6)});
            for (const QPointF at : {QPointF(0.15, 0.15), QPointF(0.85, 0.2), QPointF(0.8, 0.85), QPointF(0.2, 0.8)})
                views.append({1, around(std::max(fit * 2, 0.3), at.x(), at.y())});
            const QSizeF twips = picture.naturalTwips();
            for (const double dotsPerTwip : {300.0 / 1440, 300.0 / 1440 / 5})
                views.append({dotsPerTwip, QRectF(QPointF(-twips.width() * 0.3, -twips.height() * 0.25), twips)});
            for (int i = 0; i < views.size(); ++i) {
                SCOPED_TRACE(testing::Message() << "view " << i << " (fitted, zoomed, scrolled, printed)");
                const double dotsPerUnit = views[i].first;
                const QRectF target = views[i].second;
                const auto drawn = [&](const std::function<void(QPainter&)>& draw) {
                    QImage canvas(dotsPerUnit == 1 ? QSize(160, 120) : QSize(240, 240),
                                  QImage::Format_ARGB32_Premultiplied);
                    canvas.fill(Qt::white);
                    QPainter painter(&canvas);
                    painter.scale(dotsPerUnit, dotsPerUnit);
                    painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(canvas.size()) / dotsPerUnit));
                    painter.setRenderHint(QPainter::SmoothPixmapTransform);
                    draw(painter);
                    return canvas;
                };
                const QImage expected = drawn([&](QPainter& p) { p.drawImage(target, reference); });
                const QImage seen = drawn([&](QPainter& p) { picture.draw(p, target); });
                EXPECT_LE(mismatchedShare(seen, expected, 24), 0.005);
                if (i == 0) {  // the pixels made ready for a fitted picture
                    const QImage ready = picture.image(target.size().toSize());
                    EXPECT_LE(mismatchedShare(drawn([&](QPainter& p) { p.drawImage(target, ready); }), expected, 24),
                              0.005);
                }
            }
        }
    if (!unchecked.isEmpty())
        GTEST_SKIP() << "ImageMagick's convert (/usr/bin/convert) is missing or failed; not checked: "
                     << unchecked.join(QStringLiteral(", ")).toStdString();
}

TEST(LargePictures, SixThousandSquareLoadsZoomsFarInAndPrints)
{
    testing_support::TempWorkDir dir;
    const QImage source = quadrants(6000, 6000);
    const struct {
        const char* name;
        const char* format;
    } cases[] = {{"big.png", "PNG"}, {"big.jpg", "JPEG"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write(QString::fromLatin1(c.name), encode(source, c.format));
        Picture picture;
        try {
            picture = Picture::load(dir.file(QString::fromLatin1(c.name)));
        } catch (const platform::Error& e) {
            FAIL() << "refused: " << e.description().toStdString();
        }
        EXPECT_EQ(picture.naturalPixels(), QSize(6000, 6000));

        // Twelve zoom steps from a 600-pixel fit, seen through a small window.
        QWidget parent;
        parent.resize(300, 200);
        auto* view = new ImageView(&parent);
        view->setPicture(picture);
        const int side = int(600 * std::pow(1.2, 12));
        view->resize(side, side);
        EXPECT_TRUE(near(seenAt(parent, *view, {side / 4, side / 4}), Qt::red));
        EXPECT_TRUE(near(seenAt(parent, *view, {side * 3 / 4, side / 4}), Qt::green));
        EXPECT_TRUE(near(seenAt(parent, *view, {side * 3 / 4, side * 3 / 4}), Qt::blue));
        EXPECT_TRUE(near(seenAt(parent, *view, {side / 4, side * 3 / 4}), Qt::yellow));

        // At its natural size on a 600 dpi page, 10 twips in: the page shows
        // the picture's top-left corner, which is red.
        const double dotsPerTwip = 600.0 / 1440.0;
        QImage page(1200, 1200, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            picture.draw(painter, QRectF(QPointF(10, 10) * dotsPerTwip, picture.naturalTwips() * dotsPerTwip));
        }
        EXPECT_TRUE(near(page.pixel(1, 1), Qt::white));
        EXPECT_TRUE(near(page.pixel(600, 600), Qt::red));
        EXPECT_TRUE(near(page.pixel(1199, 1199), Qt::red));

        // The same on a PDF page: the page holds the part that shows, not the whole picture.
        const QString pdfName = dir.file(QStringLiteral("%1.pdf").arg(QString::fromLatin1(c.name)));
        {
            QPdfWriter pdf(pdfName);
            pdf.setResolution(300);
            QPainter painter(&pdf);
            const double pdfDotsPerTwip = pdf.resolution() / 1440.0;
            picture.draw(painter, QRectF(QPointF(10, 10) * pdfDotsPerTwip, picture.naturalTwips() * pdfDotsPerTwip));
        }
        QFile pdf(pdfName);
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
        const QList<QSize> images = pdfImageSizes(pdf.readAll());
        ASSERT_EQ(images.size(), 1);
        EXPECT_GE(images.first().width(), 100);
        EXPECT_LT(images.first().width(), 3000);

        // The whole picture, for whoever still asks for it.
        EXPECT_EQ(picture.fullImage().size(), QSize(6000, 6000));
    }
}
