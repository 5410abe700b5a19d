// Decoding at the size shown: how many pixels come back, when the file is
// decoded again, and how smooth the scaling is.
#include "picture_test_support.h"
#include "platform/picture/picture.h"
#include "support/test_support.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace picture_testing;
using platform::Picture;

namespace {

// A photo-sized JPEG with some texture, so it decodes like a real one.
QByteArray largeJpeg(int width, int height)
{
    QImage image = quadrants(width, height);
    QPainter painter(&image);
    for (int x = 0; x < width; x += 16)
        painter.fillRect(x, 0, 4, height, QColor(40, 40, 40, 60));
    painter.end();
    return encode(image, "JPEG", 85);
}

// One-pixel black and white checks.
QImage checkerboard(int size)
{
    QImage image(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return image;
}

class PictureDecode : public ::testing::Test {
protected:
    Picture write(const QString& name, const QByteArray& bytes)
    {
        dir.write(name, bytes);
        return Picture::load(dir.file(name));
    }
    testing_support::TempWorkDir dir;
};

} // namespace

TEST_F(PictureDecode, LoadingAPhotoReadsOnlyItsHeader)
{
    const Picture picture = write(QStringLiteral("photo.jpg"), largeJpeg(2400, 1600));
    EXPECT_EQ(picture.naturalPixels(), QSize(2400, 1600));
    EXPECT_EQ(picture.decodeCount(), 0);
}

TEST_F(PictureDecode, APhotoShownSmallIsDecodedSmall)
{
    const Picture picture = write(QStringLiteral("photo.jpg"), largeJpeg(2400, 1600));
    const QImage shown = picture.image(QSize(600, 400));
    EXPECT_EQ(shown.size(), QSize(600, 400));
    EXPECT_EQ(picture.decodeCount(), 1);
    EXPECT_TRUE(near(shown.pixel(10, 10), Qt::red, 60));
    EXPECT_TRUE(near(shown.pixel(590, 390), Qt::blue, 60));
}

TEST_F(PictureDecode, TheSameSizeAgainDoesNotDecodeAgain)
{
    const Picture picture = write(QStringLiteral("photo.jpg"), largeJpeg(2400, 1600));
    const QImage first = picture.image(QSize(600, 400));
    const QImage second = picture.image(QSize(600, 400));
    EXPECT_EQ(picture.decodeCount(), 1);
    EXPECT_EQ(first.cacheKey(), second.cacheKey());
    // A copy shares the decoded pixels.
    const Picture copy = picture;
    copy.image(QSize(600, 400));
    EXPECT_EQ(copy.decodeCount(), 1);
}

TEST_F(PictureDecode, ASmallerSizeIsScaledFromWhatWasDecoded)
{
    const Picture picture = write(QStringLiteral("photo.jpg"), largeJpeg(2400, 1600));
    picture.image(QSize(600, 400));
    const QImage smaller = picture.image(QSize(300, 200));
    EXPECT_EQ(smaller.size(), QSize(300, 200));
    EXPECT_EQ(picture.decodeCount(), 1);
}

TEST_F(PictureDecode, ALargerSizeThatNeedsMorePixelsDecodesAgain)
{
    const Picture picture = write(QStringLiteral("photo.jpg"), largeJpeg(2400, 1600));
    picture.image(QSize(300, 200));
    const QImage larger = picture.image(QSize(900, 600));
    EXPECT_EQ(larger.size(), QSize(900, 600));
    EXPECT_EQ(picture.decodeCount(), 2);
    // Past half the natural size the whole picture is decoded, and then
    // every further zoom is served from it.
    picture.image(QSize(1500, 1000));
    const int afterWhole = picture.decodeCount();
    picture.image(QSize(2000, 1333));
    picture.image(QSize(2400, 1600));
    EXPECT_EQ(picture.decodeCount(), afterWhole);
}

TEST_F(PictureDecode, ANearlyFullSizeIsLeftToThePainter)
{
    const Picture picture = write(QStringLiteral("page.png"), encode(quadrants(400, 300), "PNG"));
    EXPECT_EQ(picture.image(QSize(380, 250)).size(), QSize(400, 300));
    EXPECT_EQ(picture.image(QSize(290, 300)).size(), QSize(290, 300)); // more than a quarter narrower
    EXPECT_EQ(picture.image(QSize(200, 150)).size(), QSize(200, 150));
}

TEST_F(PictureDecode, RasterPicturesAreNeverBlownUpBeyondTheirPixels)
{
    const Picture picture = write(QStringLiteral("page.png"), encode(quadrants(300, 200), "PNG"));
    EXPECT_EQ(picture.image(QSize(3000, 2000)).size(), QSize(300, 200));
    EXPECT_EQ(picture.image(QSize(30000, 100)).size(), QSize(300, 100));
}

TEST_F(PictureDecode, PicturesTheDecoderCannotShrinkAreDecodedOnceAtLoad)
{
    const Picture picture = write(QStringLiteral("page.png"), encode(quadrants(300, 200), "PNG"));
    EXPECT_EQ(picture.decodeCount(), 1);
    picture.image(QSize(150, 100));
    picture.image(QSize(300, 200));
    picture.image(QSize(60, 40));
    EXPECT_EQ(picture.fullImage().size(), QSize(300, 200));
    EXPECT_EQ(picture.decodeCount(), 1);
}

TEST_F(PictureDecode, SmallPhotosAreDecodedWhole)
{
    const Picture picture = write(QStringLiteral("small.jpg"), largeJpeg(640, 480));
    picture.image(QSize(160, 120));
    picture.image(QSize(640, 480));
    EXPECT_EQ(picture.decodeCount(), 1);
}

TEST_F(PictureDecode, FullImageIsTheNaturalSizeAndLeavesTheShownPictureAlone)
{
    const Picture picture = write(QStringLiteral("photo.jpg"), largeJpeg(2400, 1600));
    const QImage shown = picture.image(QSize(300, 200));
    const QImage full = picture.fullImage();
    EXPECT_EQ(full.size(), QSize(2400, 1600));
    EXPECT_EQ(picture.decodeCount(), 2);
    EXPECT_EQ(picture.image(QSize(300, 200)).cacheKey(), shown.cacheKey());
    EXPECT_EQ(picture.decodeCount(), 2);
}

TEST_F(PictureDecode, StretchingFollowsTheTargetNotTheAspect)
{
    const Picture picture = write(QStringLiteral("page.png"), encode(quadrants(200, 200), "PNG"));
    const QImage wide = picture.image(QSize(200, 50));
    ASSERT_EQ(wide.size(), QSize(200, 50));
    EXPECT_TRUE(near(wide.pixel(5, 5), Qt::red));
    EXPECT_TRUE(near(wide.pixel(195, 45), Qt::blue));
}

TEST_F(PictureDecode, ShrinkingIsSmoothNotJagged)
{
    // Nearest-pixel scaling of fine checks gives pure black or white; a
    // smooth one averages them to grey.
    const Picture picture = write(QStringLiteral("checks.png"), encode(checkerboard(400), "PNG"));
    const QImage shown = picture.image(QSize(97, 97));
    ASSERT_EQ(shown.size(), QSize(97, 97));
    int grey = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            grey += std::abs(qGray(shown.pixel(x, y)) - 128) < 50;
    EXPECT_GT(grey, shown.width() * shown.height() * 9 / 10);
}

TEST_F(PictureDecode, EmptyTargetsGiveNothing)
{
    const Picture picture = write(QStringLiteral("page.png"), encode(quadrants(30, 20), "PNG"));
    EXPECT_TRUE(picture.image(QSize()).isNull());
    EXPECT_TRUE(picture.image(QSize(0, 10)).isNull());
    EXPECT_TRUE(picture.image(QSize(-5, -5)).isNull());
}

TEST_F(PictureDecode, MetafilesRenderAtTheSizeShownWithinABudget)
{
    const Picture picture = Picture::load(corpusFile(QStringLiteral("metafile/Pillow/drawing.emf")));
    EXPECT_EQ(picture.image(QSize(500, 500)).size(), QSize(500, 500)); // sharper than natural (110)
    const QImage huge = picture.image(QSize(40000, 40000));
    EXPECT_LE(qint64(huge.width()) * huge.height(), qint64(2048) * 2048);
    EXPECT_NEAR(double(huge.width()) / huge.height(), 1.0, 0.01);
    const int renders = picture.decodeCount();
    picture.image(QSize(200, 200)); // covered by the last rendering
    EXPECT_EQ(picture.decodeCount(), renders);
}

// Drawing decodes only the part that shows; on a photo taken turned or
// mirrored that part is found in the file where the camera stored it.
TEST_F(PictureDecode, APartOfAPhotoInEveryOrientationIsDecodedInItsPlace)
{
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const Picture picture =
            write(QStringLiteral("o%1.jpg").arg(orientation), jpegWithOrientation(quadrants(1600, 1000), orientation));
        const QImage full = picture.fullImage();
        const QSize natural = picture.naturalPixels();
        ASSERT_EQ(full.size(), natural);
        // Off the middle, where the four colours meet (a part placed
        // symmetrically would hide a mirrored one), and in a corner (where a
        // part looked for in the wrong place is missing): at the natural size
        // and at a quarter of it.
        for (const auto& [scale, corner] : {std::pair{1.0, false}, std::pair{1.0, true}, std::pair{0.25, false},
                                            std::pair{0.25, true}}) {
            SCOPED_TRACE(scale);
            SCOPED_TRACE(corner ? "corner" : "middle");
            const QSize shown = (QSizeF(natural) * scale).toSize();
            const QPoint middle(shown.width() / 2, shown.height() / 2);
            const QRect clip = corner ? QRect(1, 1, 60, 40) : QRect(middle - QPoint(90, 60), QSize(120, 80));
            QImage canvas(shown, QImage::Format_RGB32);
            canvas.fill(Qt::magenta);
            const int before = picture.decodeCount();
            {
                QPainter painter(&canvas);
                painter.setClipRect(clip);
                picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(shown)));
            }
            EXPECT_EQ(picture.decodeCount(), before + 1);
            // Every pixel but those blurred along the colour borders.
            int wrong = 0;
            for (int y = clip.top(); y <= clip.bottom(); ++y)
                for (int x = clip.left(); x <= clip.right(); ++x)
                    if (std::abs(x - middle.x()) > 3 && std::abs(y - middle.y()) > 3)
                        wrong += !near(canvas.pixel(x, y), QColor(full.pixel((QPointF(x, y) / scale).toPoint())), 60);
            EXPECT_EQ(wrong, 0);
            EXPECT_EQ(canvas.pixel(clip.topLeft() - QPoint(1, 1)), QColor(Qt::magenta).rgb()); // nothing outside
        }
    }
}
