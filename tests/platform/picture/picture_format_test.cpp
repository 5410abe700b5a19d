// Telling picture kinds from their first bytes, and the natural sizes that
// metafile headers declare.
#include "platform/picture/picture_format.h"

#include <QtEndian>
#include <gtest/gtest.h>

using platform::PictureFormat;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

void put16(QByteArray& head, int offset, qint16 value) { qToLittleEndian(value, head.data() + offset); }
void put32(QByteArray& head, int offset, qint32 value) { qToLittleEndian(value, head.data() + offset); }

QByteArray placeableHeader(qint16 left, qint16 top, qint16 right, qint16 bottom, quint16 unitsPerInch)
{
    QByteArray head(22, '\0');
    put32(head, 0, qint32(0x9AC6CDD7u));
    put16(head, 6, left);
    put16(head, 8, top);
    put16(head, 10, right);
    put16(head, 12, bottom);
    put16(head, 14, qint16(unitsPerInch));
    return head;
}

struct EmfHeader {
    QRect bounds;     // device pixels, as (left, top, right, bottom)
    QRect frame;      // 0.01 mm
    QSize devicePixels{1000, 800};
    QSize deviceMm{250, 200}; // 4 pixels per millimetre
};

QByteArray emfHeader(const EmfHeader& h)
{
    QByteArray head(88, '\0');
    put32(head, 0, 1);
    put32(head, 8, h.bounds.left());
    put32(head, 12, h.bounds.top());
    put32(head, 16, h.bounds.right());
    put32(head, 20, h.bounds.bottom());
    put32(head, 24, h.frame.left());
    put32(head, 28, h.frame.top());
    put32(head, 32, h.frame.right());
    put32(head, 36, h.frame.bottom());
    head.replace(40, 4, " EMF");
    put32(head, 72, h.devicePixels.width());
    put32(head, 76, h.devicePixels.height());
    put32(head, 80, h.deviceMm.width());
    put32(head, 84, h.deviceMm.height());
    return head;
}

// QRect's right() is left + width - 1; the header stores the corners themselves.
QRect corners(int left, int top, int right, int bottom) { return QRect(QPoint(left, top), QPoint(right, bottom)); }

} // namespace

TEST(PictureFormatSniffing, TellsEachKindFromItsMagicBytes)
{
    struct Case {
        const char* name;
        QByteArray head;
        PictureFormat expected;
    };
    QByteArray standardWmf = bytes({1, 0, 9, 0, 0, 3});
    standardWmf.append(QByteArray(12, '\0'));
    QByteArray emf(44, '\0');
    emf[0] = 1;
    emf.replace(40, 4, " EMF");
    const Case cases[] = {
        {"jpeg", bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}), PictureFormat::Jpeg},
        {"png", QByteArray("\x89PNG\r\n\x1A\n\0\0", 10), PictureFormat::Png},
        {"gif87", QByteArray("GIF87a.."), PictureFormat::Gif},
        {"gif89", QByteArray("GIF89a.."), PictureFormat::Gif},
        {"bmp", QByteArray("BM\0\0\0\0", 6), PictureFormat::Bmp},
        {"ico", bytes({0, 0, 1, 0, 3, 0}), PictureFormat::Ico},
        {"cursor", bytes({0, 0, 2, 0, 1, 0}), PictureFormat::Ico},
        {"placeable wmf", placeableHeader(0, 0, 100, 100, 1440), PictureFormat::Wmf},
        {"standard wmf", standardWmf, PictureFormat::Wmf},
        {"emf", emf, PictureFormat::Emf},
        {"text", QByteArray("hello, this is text"), PictureFormat::Unknown},
        {"empty", QByteArray(), PictureFormat::Unknown},
        {"icon without entries", bytes({0, 0, 1, 0, 0, 0}), PictureFormat::Unknown},
        {"short jpeg marker", bytes({0xFF, 0xD8}), PictureFormat::Unknown},
        {"wmf with a bad header size", bytes({1, 0, 8, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
         PictureFormat::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::sniffPictureFormat(c.head), c.expected) << c.name;
}

TEST(PictureFormatSniffing, NamesAreTheShortLowerCaseOnes)
{
    EXPECT_EQ(platform::pictureFormatName(PictureFormat::Jpeg), "jpeg");
    EXPECT_EQ(platform::pictureFormatName(PictureFormat::Wmf), "wmf");
    EXPECT_TRUE(platform::pictureFormatName(PictureFormat::Unknown).isEmpty());
}

TEST(PlaceableWmfSize, ConvertsTheBoxFromUnitsPerInchToTwips)
{
    struct Case {
        QByteArray head;
        QSizeF expected;
    };
    const Case cases[] = {
        {placeableHeader(0, 0, 1440, 720, 1440), {1440, 720}},
        {placeableHeader(0, 0, 576, 288, 576), {1440, 720}},    // 576 units per inch
        {placeableHeader(-100, -50, 100, 50, 100), {2880, 1440}},
        {placeableHeader(100, 200, 0, 0, 1000), {144, 288}},     // corners given the other way round
    };
    for (const Case& c : cases) {
        const auto size = platform::placeableWmfTwips(c.head);
        ASSERT_TRUE(size.has_value());
        EXPECT_NEAR(size->width(), c.expected.width(), 1e-6);
        EXPECT_NEAR(size->height(), c.expected.height(), 1e-6);
    }
}

TEST(PlaceableWmfSize, IsAbsentForDegenerateOrMissingHeaders)
{
    EXPECT_FALSE(platform::placeableWmfTwips(placeableHeader(0, 0, 100, 100, 0)));   // no units per inch
    EXPECT_FALSE(platform::placeableWmfTwips(placeableHeader(5, 0, 5, 100, 1440)));  // zero width
    EXPECT_FALSE(platform::placeableWmfTwips(bytes({1, 0, 9, 0, 0, 3})));
    EXPECT_FALSE(platform::placeableWmfTwips(placeableHeader(0, 0, 10, 10, 1440).left(12)));
}

TEST(EmfLayout, FrameGivesTheSizeAndThePictureArea)
{
    // A frame of 50 x 25 mm at 4 pixels per millimetre: 200 x 100 pixels,
    // drawn a little inside it.
    EmfHeader h;
    h.frame = corners(0, 0, 5000, 2500);
    h.bounds = corners(10, 10, 190, 90);
    const auto layout = platform::emfLayout(emfHeader(h));
    ASSERT_TRUE(layout);
    EXPECT_NEAR(layout->twips.width(), 50 / 25.4 * 1440, 1e-6);
    EXPECT_NEAR(layout->twips.height(), 25 / 25.4 * 1440, 1e-6);
    // Relative to the bounds' corner, where the converter's canvas starts.
    EXPECT_NEAR(layout->picture.left(), -10, 1e-9);
    EXPECT_NEAR(layout->picture.top(), -10, 1e-9);
    EXPECT_NEAR(layout->picture.width(), 200, 1e-9);
    EXPECT_NEAR(layout->picture.height(), 100, 1e-9);
}

TEST(EmfLayout, ADrawingThatSpillsOverTheFrameStillShowsTheFrame)
{
    EmfHeader h;
    h.frame = corners(0, 0, 2500, 2500);       // 100 x 100 pixels
    h.bounds = corners(-20, -20, 100, 100);    // pen overhang around it
    const auto layout = platform::emfLayout(emfHeader(h));
    ASSERT_TRUE(layout);
    EXPECT_NEAR(layout->picture.left(), 20, 1e-9);
    EXPECT_NEAR(layout->picture.width(), 100, 1e-9);
    EXPECT_NEAR(layout->twips.width(), 25 / 25.4 * 1440, 1e-6);
}

TEST(EmfLayout, AFrameThatMissesTheDrawingGivesWayToTheBounds)
{
    // The frame lies below the y axis while everything is drawn above it.
    EmfHeader h;
    h.frame = corners(0, 0, 5000, 5000);
    h.bounds = corners(0, -190, 200, 10);
    const auto layout = platform::emfLayout(emfHeader(h));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->picture, QRectF(0, 0, 200, 200));
    EXPECT_NEAR(layout->twips.width(), 50 / 25.4 * 1440, 1e-6);
}

TEST(EmfLayout, WithoutAReferenceDeviceOnlyTheFrameSizeIsKnown)
{
    EmfHeader h;
    h.frame = corners(0, 0, 2540, 1270);
    h.bounds = corners(0, 0, 50, 50);
    h.devicePixels = QSize(0, 0);
    const auto layout = platform::emfLayout(emfHeader(h));
    ASSERT_TRUE(layout);
    EXPECT_NEAR(layout->twips.width(), 1440, 1e-6);
    EXPECT_NEAR(layout->twips.height(), 720, 1e-6);
    EXPECT_TRUE(layout->picture.isEmpty());
}

TEST(EmfLayout, NothingUsableIsNoLayout)
{
    EmfHeader h;
    h.frame = corners(0, 0, 0, 0);
    h.bounds = corners(0, 0, -1, -1);
    EXPECT_FALSE(platform::emfLayout(emfHeader(h)));
    EXPECT_FALSE(platform::emfLayout(emfHeader(h).left(60)));
    EXPECT_FALSE(platform::emfLayout(QByteArray("not an emf at all, just some words to fill the header")));
}
