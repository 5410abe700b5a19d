// Pictures made to cost far more than their files: a few bytes claiming a
// huge picture are invalid, and a huge picture that is real keeps only the
// pixels it is shown at.
#include "picture_test_support.h"
#include "platform/core/error.h"
#include "platform/picture/picture.h"
#include "support/test_support.h"

#include <QPainter>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace picture_testing;
using platform::Picture;

namespace {

QByteArray le32(qint64 v)
{
    QByteArray b(4, 0);
    qToLittleEndian<quint32>(quint32(v), b.data());
    return b;
}

// A bitmap's headers for `width` x `height` at `bits`, with the file header's
// sizes as a writer would put them, followed by `data`.
QByteArray bitmap(int width, int height, int bits, int compression, const QByteArray& data, int palette = 0)
{
    const qint64 offBits = 54 + qint64(palette) * 4;
    QByteArray b = "BM" + le32(offBits + data.size()) + le32(0) + le32(offBits) + le32(40) + le32(width)
                   + le32(height) + QByteArray("\x01\x00", 2) + char(bits) + char(0) + le32(compression)
                   + le32(data.size()) + le32(2835) + le32(2835) + le32(palette) + le32(0);
    for (int i = 0; i < palette; ++i)
        b += le32(i * 0x010101);
    return b + data;
}

} // namespace

TEST(HostilePictures, BitmapsShorterThanTheirHeadersSayAreInvalid)
{
    testing_support::TempWorkDir dir;
    const QByteArray whole = encode(quadrants(64, 48), "BMP");
    QByteArray rle;
    for (int i = 0; i < 100; ++i)
        rle += QByteArray("\xff") + char(i);
    rle += QByteArray("\x00\x01", 2); // the end of the picture, long before its rows
    QByteArray rows;
    for (int row = 0; row < 64; ++row)
        rows += QByteArray("\x40\x05\x00\x00", 4); // 64 pixels of colour 5, end of the row
    rows += QByteArray("\x00\x01", 2);
    const struct {
        const char* name;
        QByteArray file;
        bool valid;
    } cases[] = {
        {"a whole bitmap", whole, true},
        {"without the last row's padding", bitmap(63, 48, 24, 0, QByteArray(64 * 3 * 47 + 63 * 3, '\x40')), true},
        {"a row short", whole.left(whole.size() - 64 * 4), false},
        {"154 bytes claiming 10240 x 10240", bitmap(10240, 10240, 24, 0, QByteArray(100, '\x7f')), false},
        {"a kilobyte of runs claiming 10000 x 10000", bitmap(10000, 10000, 8, 1, rle, 256), false},
        {"runs for 64 x 64", bitmap(64, 64, 8, 1, rows, 256), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write(QStringLiteral("p.bmp"), c.file);
        int error = 0;
        try {
            Picture::load(dir.file(QStringLiteral("p.bmp")));
        } catch (const platform::Error& e) {
            error = e.number();
        }
        EXPECT_EQ(error, c.valid ? 0 : platform::errc::InvalidPicture);
    }
}

TEST(HostilePictures, AHugePictureKeepsNoMoreThanItShows)
{
    testing_support::TempWorkDir dir;
    // Grey and palette pictures are handed back whole by the decoder, colour
    // ones shrunk as read: both must end up kept at the size shown.
    QImage grey(6000, 4000, QImage::Format_Grayscale8);
    grey.fill(200);
    const struct {
        const char* name;
        QImage image;
    } cases[] = {{"grey", grey}, {"colour", quadrants(6000, 4000)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write(QStringLiteral("big.png"), encode(c.image, "PNG"));
        const Picture picture = Picture::load(dir.file(QStringLiteral("big.png")));
        ASSERT_EQ(picture.naturalPixels(), QSize(6000, 4000));
        const QSize shown(600, 400);
        const QImage image = picture.image(shown);
        EXPECT_EQ(image.size(), shown);
        QImage canvas(shown, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&canvas);
        picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(shown)));
        painter.end();
        EXPECT_TRUE(near(canvas.pixel(300, 200), c.image.pixelColor(3000, 2000)));
        // What a fitted page shows, a few times over at most: not 24 million pixels.
        const qint64 shownBytes = qint64(shown.width()) * shown.height() * 4;
        EXPECT_LE(picture.heldBytes(), 3 * shownBytes);
        EXPECT_GT(picture.heldBytes(), 0);
    }
}
