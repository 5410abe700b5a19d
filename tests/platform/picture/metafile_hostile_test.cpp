// Metafiles that once brought the whole program down: the foreign decoders
// behind them may fail, but the program goes on.
#include "picture_test_support.h"
#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/picture/imageview.h"
#include "platform/picture/picture.h"
#include "support/test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QDataStream>
#include <QProcess>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>
#include <linux/landlock.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace picture_testing;
using platform::Picture;

namespace {

// The corpus file with the options of its first EMR_EXTTEXTOUTW record
// marked ETO_GLYPH_INDEX: its characters are glyph numbers of the font,
// as office programs and printer drivers write them.
QByteArray withGlyphIndexText(const QByteArray& emf)
{
    constexpr quint32 kExtTextOutW = 84;
    constexpr int kOptionsOffset = 52; // type, size, bounds, mode, scales, reference, count, offset
    constexpr quint32 kGlyphIndex = 0x10;
    QByteArray out = emf;
    for (qsizetype at = 0; at + 8 <= out.size();) {
        const quint32 type = qFromLittleEndian<quint32>(out.constData() + at);
        const quint32 size = qFromLittleEndian<quint32>(out.constData() + at + 4);
        if (size < 8 || at + qsizetype(size) > out.size())
            break;
        if (type == kExtTextOutW && size >= kOptionsOffset + 4) {
            const quint32 options = qFromLittleEndian<quint32>(out.constData() + at + kOptionsOffset);
            qToLittleEndian(options | kGlyphIndex, out.data() + at + kOptionsOffset);
            return out;
        }
        at += size;
    }
    return {};
}

// Qt still draws text, which needs its font machinery in working order.
bool qtStillDrawsText()
{
    QImage image(120, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 16));
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("文字 text"));
    painter.end();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                return true;
    return false;
}

} // namespace

TEST(HostileMetafiles, GlyphIndexTextFailsCleanlyOrDrawsAndTheProgramGoesOn)
{
    testing_support::TempWorkDir dir;
    const char* sources[] = {"metafile/poi/SimpleEMF_windows.emf", "metafile/libemf2svg/emf/test-001.emf",
                             "metafile/libUEMF/test_mm_text_ref.emf"};
    for (const char* source : sources) {
        SCOPED_TRACE(source);
        QFile file(corpusFile(QString::fromLatin1(source)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray glyphs = withGlyphIndexText(file.readAll());
        ASSERT_FALSE(glyphs.isEmpty()) << "no text record to mark";
        dir.write(QStringLiteral("glyphs.emf"), glyphs);
        try {
            const Picture picture = Picture::load(dir.file(QStringLiteral("glyphs.emf")));
            const QImage shown = picture.image(QSize(200, 150));
            EXPECT_FALSE(shown.isNull());
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), platform::errc::InvalidPicture);
        }
        EXPECT_TRUE(qtStillDrawsText());
    }
}

TEST(HostileMetafiles, AWmfClaimingHugeRecordsFailsQuicklyWithinItsMemory)
{
    testing_support::TempWorkDir dir;
    // A standard header whose largest record claims 0x6E6E6E6E words (3.7 GB),
    // then two small records and the end record.
    QByteArray wmf(18, '\0');
    auto put16 = [&wmf](int at, quint16 v) { qToLittleEndian(v, wmf.data() + at); };
    auto put32 = [&wmf](int at, quint32 v) { qToLittleEndian(v, wmf.data() + at); };
    put16(0, 1);      // in memory
    put16(2, 9);      // header words
    put16(4, 0x0300); // version
    put16(10, 1);     // objects
    put32(12, 0x6E6E6E6E);
    const quint16 records[] = {5, 0, 0x020B, 0, 0, // SetWindowOrg 0, 0
                               5, 0, 0x020C, 100, 100, // SetWindowExt 100, 100
                               3, 0, 0};              // end
    for (quint16 word : records) {
        char bytes[2];
        qToLittleEndian(word, bytes);
        wmf.append(bytes, 2);
    }
    put32(6, quint32(wmf.size() / 2));
    dir.write(QStringLiteral("huge.wmf"), wmf);

    const long before = testing_support::peakAddressSpaceKb();
    QElapsedTimer timer;
    timer.start();
    try {
        const Picture picture = Picture::load(dir.file(QStringLiteral("huge.wmf")));
        picture.image(QSize(100, 100));
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::errc::InvalidPicture);
    }
    EXPECT_LT(timer.elapsed(), 10000);
    // Asked for, whether or not it was ever touched.
    EXPECT_LT(testing_support::peakAddressSpaceKb() - before, 512 * 1024);
}

// Whatever goes wrong in the helper, the metafile is a picture that failed
// to load. Stand-ins for the helper show each way it can go wrong.
TEST(HostileMetafiles, AHelperThatFailsInAnyWayMeansAnInvalidPicture)
{
    testing_support::TempWorkDir dir;
    QFile wmf(corpusFile(QStringLiteral("metafile/Pillow/drawing.wmf")));
    ASSERT_TRUE(wmf.open(QIODevice::ReadOnly));
    // Longer than a pipe holds, so a helper that ends early leaves the writer stranded.
    const QByteArray page = wmf.readAll() + QByteArray(256 * 1024, '\0');
    dir.write(QStringLiteral("page.wmf"), page);
    // The stand-ins that reply take the whole request first: its header and the file.
    const QByteArray takeRequest = "head -c " + QByteArray::number(20 + page.size()) + " > /dev/null; ";
    // Drawn, then magic, 2 x 2 pixels, nothing, natural size 1 x 1 twip.
    const QByteArray header = takeRequest + "printf '\\000\\000\\000\\000"
                              "AMF1\\002\\000\\000\\000\\002\\000\\000\\000\\000\\000\\000\\000"
                              "\\350\\003\\000\\000\\350\\003\\000\\000'";
    const struct {
        const char* what;
        QByteArray script; // empty: no helper at all
    } cases[] = {
        {"crashes", "kill -SEGV $$"},
        {"fails", "exit 4"},
        {"replies garbage", takeRequest + "echo garbage; exec sleep 60"},
        {"replies too few pixels", header + "; printf abcd"},
        {"replies too many pixels", header + "; printf %020d 0; exec sleep 60"},
        {"claims a huge picture",
         takeRequest + "printf '\\000\\000\\000\\000AMF1\\377\\377\\000\\000\\377\\377\\000\\000'"},
        {"never ends", "exec sleep 60"},
        {"is missing", ""},
    };
    struct RestoreHelper {
        ~RestoreHelper() { platform::setHelperProgramFolder(QStringLiteral(AURELIS_HELPER_DIR)); }
    } restore;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = dir.file(QStringLiteral("helper%1").arg(++n));
        ASSERT_TRUE(QDir().mkpath(folder));
        if (!c.script.isEmpty()) {
            QFile script(folder + QStringLiteral("/aurelis-metafile"));
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\n" + c.script + "\n");
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        platform::setHelperProgramFolder(folder);
        QElapsedTimer timer;
        timer.start();
        try {
            Picture::load(dir.file(QStringLiteral("page.wmf")));
            ADD_FAILURE() << "loaded";
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), platform::errc::InvalidPicture);
        }
        EXPECT_LT(timer.elapsed(), 7000); // a helper that never ends is ended
    }
}

// A metafile the helper draws for its first showing but not larger (it
// fails, or would run out of time, when zoomed): the larger size is asked
// for once, and the first drawing is stretched from then on.
TEST(HostileMetafiles, ASizeTheHelperFailedAtIsNotAskedForAgain)
{
    testing_support::TempWorkDir dir;
    QFile wmf(corpusFile(QStringLiteral("metafile/Pillow/drawing.wmf")));
    ASSERT_TRUE(wmf.open(QIODevice::ReadOnly));
    dir.write(QStringLiteral("page.wmf"), wmf.readAll());
    const QString folder = dir.file(QStringLiteral("helper"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile script(folder + QStringLiteral("/aurelis-metafile"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    // Each request that fits the picture goes to a real helper of its own,
    // which ends at the end of that request; any other is not drawn.
    const QByteArray request = QFile::encodeName(dir.file(QStringLiteral("request")));
    script.write("#!/bin/sh\n"
                 "while head -c 20 > '" + request + "' && [ -s '" + request + "' ]; do\n"
                 "  set -- $(od -An -tu4 --endian=little -j4 -N16 '" + request + "')\n"
                 "  if [ $(($1 & 1)) = 1 ]; then\n"
                 "    { cat '" + request + "'; head -c $4; } | '" AURELIS_HELPER_DIR "/aurelis-metafile'\n"
                 "  else\n"
                 "    head -c $4 > /dev/null; printf '\\004\\000\\000\\000'\n"
                 "  fi\n"
                 "done\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    struct RestoreHelper {
        ~RestoreHelper() { platform::setHelperProgramFolder(QStringLiteral(AURELIS_HELPER_DIR)); }
    } restore;
    platform::setHelperProgramFolder(folder);

    const Picture picture = Picture::load(dir.file(QStringLiteral("page.wmf")), QSize(200, 200));
    EXPECT_EQ(picture.decodeCount(), 1);
    const QImage zoomed = picture.image(QSize(900, 900));
    EXPECT_EQ(zoomed.size(), QSize(200, 200)); // the first drawing, for the painter to stretch
    EXPECT_EQ(picture.decodeCount(), 2);
    picture.image(QSize(1000, 1000));
    picture.image(QSize(900, 900));
    EXPECT_EQ(picture.decodeCount(), 2);
    EXPECT_EQ(picture.image(QSize(100, 100)).size(), QSize(100, 100)); // smaller sizes still come from it

    // A view drawing new sizes later keeps what it showed at once, stretched,
    // and asks no more. (Another file: the helper holds this one's bytes.)
    const Picture again = Picture::load(corpusFile(QStringLiteral("metafile/poi/wrench.emf")), QSize(200, 200));
    platform::ImageView view;
    view.setPicture(again);
    view.drawNewSizesLater();
    view.resize(600, 600);
    const QImage atOnce = view.grab().toImage();
    ASSERT_TRUE(testing_support::waitUntil([&] { return !view.drawingPending(); }));
    EXPECT_EQ(view.grab().toImage(), atOnce);
    EXPECT_FALSE(view.drawingPending());
    EXPECT_EQ(again.decodeCount(), 2);
}

namespace {

// An EMF of one line of text at the top left, as an office program writes it.
QByteArray emfWithText(const QString& text)
{
    QByteArray out;
    QDataStream put(&out, QIODevice::WriteOnly);
    put.setByteOrder(QDataStream::LittleEndian);
    put.setFloatingPointPrecision(QDataStream::SinglePrecision);
    const quint32 chars = quint32(text.size()), padded = (chars * 2 + 3) / 4 * 4, record = 76 + padded + 4 * chars;
    put << 1u << 88u << 0u << 0u << 200u << 100u << 0u << 0u << 5200u << 2600u << 0x464D4520u << 0x10000u
        << 88 + record + 20 << 3u << quint16(1) << quint16(0) << 0u << 0u << 0u << 1024u << 768u << 320u << 240u;
    put << 84u << record << 0u << 0u << 200u << 100u << 1u << 1.0f << 1.0f << 10u << 50u << chars << 76u << 0u
        << 0u << 0u << 200u << 100u << 76 + padded;
    for (QChar c : text + QString(int(padded / 2 - chars), QChar()))
        put << c.unicode();
    for (quint32 k = 0; k < chars; ++k)
        put << 8u;
    put << 14u << 20u << 0u << 16u << 20u;
    return out;
}

int countPixels(const QImage& image, const std::function<bool(QColor)>& kind)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += kind(image.pixelColor(x, y));
    return count;
}

} // namespace

// libemf2svg copies text into the SVG without escaping "]]>", so a text
// record can add an <image> naming any picture file; Qt's SVG renderer would
// load it. The page draws its own text and never a pixel of such a file.
TEST(HostileMetafiles, TextThatNamesAPictureFileDrawsNothingOfIt)
{
    testing_support::TempWorkDir dir;
    QImage secret(300, 300, QImage::Format_RGB32);
    secret.fill(Qt::red);
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("book")));
    ASSERT_TRUE(secret.save(dir.file(QStringLiteral("outside-secret.png"))));
    ASSERT_TRUE(secret.save(dir.file(QStringLiteral("book/secret.png"))));
    const QString absolute = dir.file(QStringLiteral("outside-secret.png"));
    for (const QString& href : {QStringLiteral("../outside-secret.png"), QStringLiteral("secret.png"), absolute,
                                QStringLiteral(" ") + absolute, QStringLiteral("file://") + absolute}) {
        for (const QString& attribute : {QStringLiteral("xlink:href"), QStringLiteral("href")}) {
            SCOPED_TRACE((attribute + u'=' + href).toStdString());
            dir.write(QStringLiteral("book/page.emf"),
                      emfWithText(QStringLiteral("]]></text><image %1=\"%2\" x=\"0\" y=\"0\" width=\"200\" "
                                                 "height=\"100\"/><text><![CDATA[")
                                      .arg(attribute, href)));
            try {
                const QImage shown = Picture::load(dir.file(QStringLiteral("book/page.emf"))).image(QSize(200, 100));
                EXPECT_EQ(countPixels(shown, [](QColor c) { return c.red() > 200 && c.green() < 60; }), 0);
            } catch (const platform::Error& e) {
                EXPECT_EQ(e.number(), platform::errc::InvalidPicture);
            }
        }
    }
}

// Once set up for a metafile, the helper opens no file but fonts: not the
// book's, not the user's, not the system's; and it still has the fonts its
// text needs. Where it cannot give up opening files, this says so.
TEST(HostileMetafiles, TheHelperOpensNoFileButFontsOnceSetUp)
{
    testing_support::TempWorkDir dir;
    dir.write(QStringLiteral("page.txt"), "the user's file");
    for (const QString& name :
         {QStringLiteral("metafile/libwmf/text.wmf"), QStringLiteral("metafile/libUEMF/test_mm_text_ref.emf")}) {
        SCOPED_TRACE(name.toStdString());
        const QImage drawn = Picture::load(corpusFile(name)).image(QSize(400, 400));
        EXPECT_GT(countPixels(drawn, [](QColor c) { return qGray(c.rgb()) < 100; }), 200) << "its text";
        QFile metafile(corpusFile(name));
        ASSERT_TRUE(metafile.open(QIODevice::ReadOnly));
        const QByteArray bytes = metafile.readAll();
        for (const QString& file : {dir.file(QStringLiteral("page.txt")), QStringLiteral("/etc/passwd"),
                                    QStringLiteral(AURELIS_HELPER_DIR "/aurelis-metafile")}) {
            QProcess helper;
            helper.start(QStringLiteral(AURELIS_HELPER_DIR "/aurelis-metafile"), {QStringLiteral("probe-open"), file});
            ASSERT_TRUE(helper.waitForStarted());
            helper.write(bytes);
            helper.closeWriteChannel();
            ASSERT_TRUE(helper.waitForFinished(10000) && helper.exitStatus() == QProcess::NormalExit);
            // 9: the sanitizer build, whose runtime writes its reports to files; 8: no Landlock.
            const long landlock = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
            if (helper.exitCode() == 9 || (helper.exitCode() == 8 && landlock < 1))
                GTEST_SKIP() << "the helper can open files here: " << helper.exitCode();
            EXPECT_EQ(helper.exitCode(), 0) << file.toStdString() << " was opened";
        }
    }
}
