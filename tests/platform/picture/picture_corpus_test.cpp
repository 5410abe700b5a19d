// Every real-world picture and metafile we hold either loads or fails with a
// platform error, never a crash; the known-good ones load with their sizes.
#include "picture_test_support.h"
#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"
#include "support/test_support.h"

#include <QDirIterator>
#include <QImageReader>
#include <QSet>
#include <gtest/gtest.h>
#include <cmath>

using picture_testing::corpusFile;
using platform::Picture;

namespace {

QStringList corpusPictures(const QString& folder)
{
    QStringList files;
    QDirIterator it(corpusFile(folder), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString suffix = QFileInfo(path).suffix().toLower();
        // Expected outputs that ship beside the inputs.
        if (suffix == u"png" || suffix == u"svg" || suffix == u"txt")
            continue;
        files << path;
    }
    files.sort();
    return files;
}

QString relative(const QString& path) { return path.mid(testing_support::corpusDir().size() + 1); }

// Loads every file; returns the ones that failed. Anything but a platform
// error escaping is a test failure.
QSet<QString> failures(const QStringList& files)
{
    QSet<QString> failed;
    for (const QString& path : files) {
        try {
            const Picture picture = Picture::load(path);
            EXPECT_FALSE(picture.isNull()) << relative(path).toStdString();
            EXPECT_FALSE(picture.naturalPixels().isEmpty()) << relative(path).toStdString();
            EXPECT_GT(picture.naturalTwips().width(), 0) << relative(path).toStdString();
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), platform::errc::InvalidPicture) << relative(path).toStdString();
            failed.insert(relative(path));
        }
    }
    return failed;
}

// Share of pixels that are clearly not white, sampled on a grid.
double inkShare(const QImage& image)
{
    int ink = 0;
    int total = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2, ++total)
            if (!picture_testing::near(image.pixel(x, y), Qt::white, 30))
                ++ink;
    return total ? double(ink) / total : 0;
}

double aspect(const QSizeF& s) { return s.width() / s.height(); }

} // namespace

TEST(PictureCorpus, ImagesLoadOrFailCleanly)
{
    const QStringList files = corpusPictures(QStringLiteral("image"));
    ASSERT_GE(files.size(), 60);
    const QSet<QString> failed = failures(files);
    // Broken on purpose, or beyond what the decoders accept.
    const QSet<QString> expected = {
        QStringLiteral("image/Pillow/decompression_bomb.gif"),
        QStringLiteral("image/Pillow/zero_width.gif"),
        QStringLiteral("image/Pillow/hopper_unexpected.ico"),
        QStringLiteral("image/bmpsuite-via-Pillow/b/badbitcount.bmp"),
        QStringLiteral("image/bmpsuite-via-Pillow/b/badwidth.bmp"),
        QStringLiteral("image/bmpsuite-via-Pillow/b/reallybig.bmp"),
        QStringLiteral("image/bmpsuite-via-Pillow/q/pal2.bmp"),
        // Ends before its rows do: shown, it would be black where the file is missing.
        QStringLiteral("image/bmpsuite-via-Pillow/b/shortfile.bmp"),
    };
    EXPECT_EQ(failed, expected);
}

TEST(PictureCorpus, EveryGoodBitmapOfTheSuiteLoadsAtItsSize)
{
    const QStringList files = corpusPictures(QStringLiteral("image/bmpsuite-via-Pillow/g"));
    ASSERT_EQ(files.size(), 23);
    for (const QString& path : files) {
        const Picture picture = Picture::load(path);
        QImageReader reference(path);
        const QSize declared = reference.size();
        EXPECT_EQ(picture.naturalPixels(), QSize(declared.width(), std::abs(declared.height())))
            << relative(path).toStdString();
        EXPECT_EQ(picture.format(), "bmp");
        EXPECT_EQ(picture.fullImage().size(), picture.naturalPixels());
    }
}

TEST(PictureCorpus, KnownPicturesHaveTheirSizes)
{
    struct Case {
        const char* file;
        QByteArray format;
        QSize pixels;
    };
    const Case cases[] = {
        {"image/Pillow/hopper.jpg", "jpeg", {128, 128}},
        {"image/Pillow/pil_sample_cmyk.jpg", "jpeg", {100, 100}},
        {"image/Pillow/python.ico", "ico", {48, 48}},      // the largest of 16, 32, 48
        {"image/Pillow/pillow.ico", "ico", {256, 256}},
        {"image/Pillow/iss634.gif", "gif", {245, 245}},    // animated: the first frame
        {"image/tika/testGIF.gif", "gif", {100, 75}},
        {"image/tika/testBMP.bmp", "bmp", {100, 75}},
        {"image/bmpsuite-via-Pillow/g/pal8topdown.bmp", "bmp", {127, 64}},
    };
    for (const Case& c : cases) {
        const Picture picture = Picture::load(corpusFile(QString::fromLatin1(c.file)));
        EXPECT_EQ(picture.format(), c.format) << c.file;
        EXPECT_EQ(picture.naturalPixels(), c.pixels) << c.file;
        EXPECT_EQ(picture.fullImage().size(), c.pixels) << c.file;
    }
}

TEST(PictureCorpus, DecompressionBombIsRejectedWithoutDecoding)
{
    try {
        Picture::load(corpusFile(QStringLiteral("image/Pillow/decompression_bomb.gif")));
        FAIL() << "the bomb loaded";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::errc::InvalidPicture);
    }
}

TEST(PictureCorpus, TruncatedJpegShowsWhatIsThere)
{
    const Picture picture = Picture::load(corpusFile(QStringLiteral("image/Pillow/truncated_jpeg.jpg")));
    const QImage image = picture.image(QSize(50, 50));
    EXPECT_EQ(image.size(), QSize(50, 50));
}

TEST(PictureCorpus, MetafilesLoadOrFailCleanly)
{
    const QStringList files = corpusPictures(QStringLiteral("metafile"));
    ASSERT_GE(files.size(), 80);
    const QSet<QString> failed = failures(files);
    const QSet<QString> expected = {
        // Deliberately corrupt.
        QStringLiteral("metafile/libemf2svg/emf-corrupted/bad_corrupted_2014-12-02-215338.emf"),
        QStringLiteral("metafile/libemf2svg/emf-corrupted/bad_corrupted_2014-12-02-215400.emf"),
        // Records the converters give up on.
        QStringLiteral("metafile/poi/61294.emf"),
        QStringLiteral("metafile/poi/61338.wmf"),
        QStringLiteral("metafile/libUEMF/test_libuemf_ref.wmf"),
        QStringLiteral("metafile/wmf2svg/wmf/fulltest.wmf"),
    };
    EXPECT_EQ(failed, expected);
}

TEST(PictureCorpus, LoadedMetafilesRenderSomethingAtTheirAspect)
{
    int drawn = 0;
    for (const QString& path : corpusPictures(QStringLiteral("metafile"))) {
        Picture picture;
        try {
            picture = Picture::load(path);
        } catch (const platform::Error&) {
            continue;
        }
        const QSize target = picture.naturalTwips().scaled(QSizeF(300, 300), Qt::KeepAspectRatio).toSize();
        if (target.isEmpty())
            continue;
        const QImage image = picture.image(target);
        ASSERT_EQ(image.size(), target) << relative(path).toStdString();
        if (inkShare(image) > 0.001)
            ++drawn;
    }
    // A few files draw only white or draw outside their frame; nearly all show ink.
    EXPECT_GE(drawn, 70);
}

TEST(PictureCorpus, PillowDrawingMatchesItsReference)
{
    struct Case {
        const char* metafile;
        const char* reference;
    };
    const Case cases[] = {
        {"metafile/Pillow/drawing.wmf", "metafile/Pillow/drawing_wmf_ref.png"},
        {"metafile/Pillow/drawing.emf", "metafile/Pillow/drawing_emf_ref.png"},
    };
    for (const Case& c : cases) {
        const Picture picture = Picture::load(corpusFile(QString::fromLatin1(c.metafile)));
        const QImage reference(corpusFile(QString::fromLatin1(c.reference)));
        ASSERT_FALSE(reference.isNull()) << c.reference;
        EXPECT_NEAR(aspect(picture.naturalTwips()), aspect(reference.size()), 0.02) << c.metafile;

        // A red disc with a black outline filling the picture: the same share
        // of red, and red in the middle, as the reference.
        const QImage image = picture.image(QSize(100, 100));
        const QImage expected = reference.scaled(100, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        auto redShare = [](const QImage& img) {
            int red = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    red += picture_testing::near(img.pixel(x, y), Qt::red, 60);
            return double(red) / (img.width() * img.height());
        };
        EXPECT_NEAR(redShare(image), redShare(expected), 0.08) << c.metafile;
        EXPECT_TRUE(picture_testing::near(image.pixel(50, 50), Qt::red)) << c.metafile;
        EXPECT_TRUE(picture_testing::near(image.pixel(1, 1), Qt::white)) << c.metafile;
    }
}

TEST(PictureCorpus, MetafileNaturalSizesComeFromTheirHeaders)
{
    // drawing.wmf: placeable box of 1/1440-inch units; drawing.emf: frame 0..2899 (0.01 mm).
    const Picture wmf = Picture::load(corpusFile(QStringLiteral("metafile/Pillow/drawing.wmf")));
    EXPECT_EQ(wmf.format(), "wmf");
    EXPECT_NEAR(wmf.naturalTwips().width(), 1643, 2);
    const Picture emf = Picture::load(corpusFile(QStringLiteral("metafile/Pillow/drawing.emf")));
    EXPECT_EQ(emf.format(), "emf");
    EXPECT_NEAR(emf.naturalTwips().width(), 28.99 / 25.4 * 1440, 1);
    EXPECT_NEAR(emf.naturalPixels().width(), emf.naturalTwips().width() / platform::twipsPerPixel(), 1);
}

TEST(PictureCorpus, StandardWmfWithoutPlaceableHeaderIsMeasuredByLibwmf)
{
    const char* files[] = {"metafile/libwmf/p0000001.wmf", "metafile/libwmf/text.wmf", "metafile/RtfPipe/test.wmf",
                           "metafile/tika/testWMF_charset.wmf"};
    for (const char* name : files) {
        const QString path = corpusFile(QString::fromLatin1(name));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_NE(file.read(4), QByteArray("\xD7\xCD\xC6\x9A", 4)) << name;
        const Picture picture = Picture::load(path);
        EXPECT_EQ(picture.format(), "wmf");
        EXPECT_GT(picture.naturalTwips().width(), 15) << name;
        EXPECT_GT(picture.naturalTwips().height(), 15) << name;
        EXPECT_GT(inkShare(picture.image(QSize(120, 120))), 0.001) << name;
    }
}
