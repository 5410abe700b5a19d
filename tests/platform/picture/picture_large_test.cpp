// Pictures near the budget: they load, show zoomed far in, and draw at their
// natural size onto any painter (a page being printed).
#include "picture_test_support.h"
#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"
#include "support/test_support.h"

#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <cmath>
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

} // namespace

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
