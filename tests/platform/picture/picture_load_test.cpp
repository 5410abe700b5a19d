// Loading by path: what is a picture, what is an error, and the natural size.
#include "picture_test_support.h"
#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"
#include "support/test_support.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace picture_testing;
using platform::Picture;

namespace {

// The error number load() throws, or 0 when it loads.
int loadError(const QString& path)
{
    try {
        Picture::load(path);
        return 0;
    } catch (const platform::Error& e) {
        return e.number();
    }
}

} // namespace

TEST(PictureLoad, NaturalSizeIsPixelsInTwips)
{
    testing_support::TempWorkDir dir;
    dir.write(QStringLiteral("page.png"), encode(quadrants(300, 200), "PNG"));
    const Picture picture = Picture::load(dir.file(QStringLiteral("page.png")));
    EXPECT_EQ(picture.naturalPixels(), QSize(300, 200));
    EXPECT_DOUBLE_EQ(picture.naturalTwips().width(), 300 * platform::twipsPerPixel());
    EXPECT_DOUBLE_EQ(picture.naturalTwips().height(), 200 * platform::twipsPerPixel());
    if (platform::twipsPerPixel() == 15.0) {
        EXPECT_EQ(picture.naturalTwips(), QSizeF(4500, 3000));
    }
}

TEST(PictureLoad, MissingFilesAreFileNotFound)
{
    testing_support::TempWorkDir dir;
    EXPECT_EQ(loadError(dir.file(QStringLiteral("nothing.jpg"))), platform::errc::FileNotFound);
    EXPECT_EQ(loadError(QString()), platform::errc::FileNotFound);
    EXPECT_EQ(loadError(dir.path()), platform::errc::FileNotFound); // a folder is no picture file
}

// Devices, named pipes and files past the size limit are missing files, and
// loading one neither blocks nor eats the memory.
TEST(PictureLoad, OnlyRegularFilesOfBoundedSizeAreRead)
{
    testing_support::TempWorkDir dir;
    ASSERT_TRUE(testing_support::makeNamedPipe(dir.file(QStringLiteral("pipe.jpg"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.file(QStringLiteral("zero.jpg"))));
    {
        // A PNG signature, then nothing: sparse, so it costs no disk.
        QFile big(dir.file(QStringLiteral("big.png")));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write(encode(quadrants(8, 8), "PNG"));
        ASSERT_TRUE(big.resize(platform::kMaxPictureFileBytes + 1));
    }
    const struct {
        const char* what;
        QString path;
    } cases[] = {
        {"device", QStringLiteral("/dev/zero")},
        {"link to a device", dir.file(QStringLiteral("zero.jpg"))},
        {"named pipe", dir.file(QStringLiteral("pipe.jpg"))},
        {"one byte past the limit", dir.file(QStringLiteral("big.png"))},
    };
    for (const auto& c : cases)
        EXPECT_EQ(testing_support::inChildProcess([&] { return loadError(c.path); }), platform::errc::FileNotFound)
            << c.what;
}

TEST(PictureLoad, FilesThatAreNoPicturesAreInvalidPicture)
{
    testing_support::TempWorkDir dir;
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"text.jpg", "This is a page of text, not a picture.\r\n"},
        {"empty.bmp", QByteArray()},
        {"header-only.png", encode(quadrants(20, 20), "PNG").left(40)},
        {"half.bmp", encode(quadrants(64, 64), "BMP").left(30)},
        {"noise.gif", QByteArray("GIF89a") + QByteArray(40, '\x7F')},
        {"text.wmf", QByteArray(200, 'w')},
        {"truncated.emf", QByteArray("\x01\0\0\0", 4) + QByteArray(36, '\0') + QByteArray(" EMF")},
    };
    for (const Case& c : cases) {
        dir.write(QString::fromLatin1(c.name), c.bytes);
        EXPECT_EQ(loadError(dir.file(QString::fromLatin1(c.name))), platform::errc::InvalidPicture) << c.name;
    }
}

TEST(PictureLoad, KindComesFromTheContentNotTheName)
{
    testing_support::TempWorkDir dir;
    dir.write(QStringLiteral("photo.jpg"), encode(quadrants(40, 30), "PNG"));
    dir.write(QStringLiteral("PAGE.BMP"), encode(quadrants(40, 30), "JPEG"));
    dir.write(QStringLiteral("noextension"), encode(quadrants(40, 30), "BMP"));
    EXPECT_EQ(Picture::load(dir.file(QStringLiteral("photo.jpg"))).format(), "png");
    EXPECT_EQ(Picture::load(dir.file(QStringLiteral("PAGE.BMP"))).format(), "jpeg");
    EXPECT_EQ(Picture::load(dir.file(QStringLiteral("noextension"))).format(), "bmp");
}

TEST(PictureLoad, HeadersClaimingHugeSizesAreRejectedBeforeDecoding)
{
    testing_support::TempWorkDir dir;
    // A bitmap header of 30000 x 30000 at 24 bits (2.7 GB) followed by nothing.
    QByteArray bmp = encode(quadrants(4, 4), "BMP");
    auto put32 = [&bmp](int offset, qint32 v) {
        for (int i = 0; i < 4; ++i)
            bmp[offset + i] = char((v >> (8 * i)) & 0xFF);
    };
    put32(18, 30000);
    put32(22, 30000);
    dir.write(QStringLiteral("huge.bmp"), bmp);
    EXPECT_EQ(loadError(dir.file(QStringLiteral("huge.bmp"))), platform::errc::InvalidPicture);

    // A photo whose frame header claims 65000 x 65000 pixels (4.2 billion),
    // far past what any page shows, even decoded at an eighth.
    QByteArray jpeg = encode(quadrants(16, 16), "JPEG");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    for (int at : {5, 7}) { // height, then width, big-endian
        jpeg[frame + at] = char(65000 >> 8);
        jpeg[frame + at + 1] = char(65000 & 0xFF);
    }
    dir.write(QStringLiteral("huge.jpg"), jpeg);
    EXPECT_EQ(loadError(dir.file(QStringLiteral("huge.jpg"))), platform::errc::InvalidPicture);
}

TEST(PictureLoad, OrientationSixTurnsThePicture)
{
    testing_support::TempWorkDir dir;
    // Stored 80 wide and 40 high; the camera was held upright.
    dir.write(QStringLiteral("turned.jpg"), jpegWithOrientation(quadrants(80, 40), 6));
    const Picture picture = Picture::load(dir.file(QStringLiteral("turned.jpg")));
    EXPECT_EQ(picture.naturalPixels(), QSize(40, 80));
    EXPECT_EQ(picture.naturalTwips(), QSizeF(40, 80) * platform::twipsPerPixel());
    const QImage full = picture.fullImage();
    ASSERT_EQ(full.size(), QSize(40, 80));
    // Turned clockwise: the stored bottom-left (yellow) is now top-left.
    EXPECT_TRUE(near(full.pixel(5, 5), Qt::yellow)) << std::hex << full.pixel(5, 5);
    EXPECT_TRUE(near(full.pixel(34, 5), Qt::red));
    // The same at a reduced size.
    const QImage small = picture.image(QSize(20, 40));
    ASSERT_EQ(small.size(), QSize(20, 40));
    EXPECT_TRUE(near(small.pixel(3, 3), Qt::yellow));
}

TEST(PictureLoad, OrientationSixTurnsALargePhotoDecodedSmall)
{
    testing_support::TempWorkDir dir;
    dir.write(QStringLiteral("turned.jpg"), jpegWithOrientation(quadrants(1600, 1000), 6));
    const Picture picture = Picture::load(dir.file(QStringLiteral("turned.jpg")));
    EXPECT_EQ(picture.naturalPixels(), QSize(1000, 1600));
    const QImage small = picture.image(QSize(100, 160));
    ASSERT_EQ(small.size(), QSize(100, 160));
    EXPECT_TRUE(near(small.pixel(10, 10), Qt::yellow));
    EXPECT_TRUE(near(small.pixel(90, 150), Qt::green));
}

TEST(PictureLoad, ANullPictureHasNothing)
{
    const Picture picture;
    EXPECT_TRUE(picture.isNull());
    EXPECT_TRUE(picture.naturalPixels().isEmpty());
    EXPECT_TRUE(picture.image(QSize(10, 10)).isNull());
    EXPECT_TRUE(picture.fullImage().isNull());
    EXPECT_EQ(picture.decodeCount(), 0);
}
