// Damaged and hostile RTF: every input finishes, and the text before the
// damage is kept.
#include "rtf_test_util.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace text_test;

namespace {

// Reads the bytes, writes the result and reads that again: none of it may crash.
QString readWriteRead(const QByteArray& rtf)
{
    QTextDocument document;
    platform::readRtf(rtf, &document);
    const QByteArray written = platform::writeRtf(&document);
    QTextDocument again;
    platform::readRtf(written, &again);
    return blockTexts(document).join(QLatin1Char('\n'));
}

} // namespace

TEST(RtfRobustness, UnbalancedBraces)
{
    // Truncated: groups never closed.
    EXPECT_EQ(readWriteRead("{\\rtf1 abc{\\b def{\\i ghi"), QStringLiteral("abcdefghi"));
    // Extra closing braces end the document where the outer group ends.
    EXPECT_EQ(readWriteRead("{\\rtf1 abc}}}}xyz"), QStringLiteral("abc"));
    EXPECT_EQ(readWriteRead("}}}{\\rtf1 abc}"), QString());
    EXPECT_EQ(readWriteRead("{\\rtf1 {{{{x}}}}y"), QStringLiteral("xy"));
}

TEST(RtfRobustness, TruncatedAnywhere)
{
    const QByteArray full = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                            "{\\colortbl;\\red255\\green0\\blue0;}\\f0 \\'d6\\'d0\\'ce\\'c4 start\\par"
                            "{\\pict\\pngblip 89504e47}\\uc1\\u20013? {\\field{\\*\\fldinst x}{\\fldrslt y}}\\bin3 abc end}";
    for (qsizetype cut = 0; cut <= full.size(); ++cut) {
        const QString text = readWriteRead(full.left(cut));
        // Once the Chinese pair is complete it is in the text whatever comes after.
        if (cut >= full.indexOf(" start")) {
            EXPECT_TRUE(text.startsWith(QStringLiteral("中文"))) << cut;
        }
    }
}

TEST(RtfRobustness, MegabyteDeepNesting)
{
    const int depth = 1000000;
    QByteArray rtf = "{\\rtf1 before ";
    rtf += QByteArray(depth, '{');
    rtf += "deep";
    rtf += QByteArray(depth, '}');
    rtf += " after}";
    const QString text = readWriteRead(rtf);
    EXPECT_EQ(text, QStringLiteral("before deep after"));

    // Unclosed, and with formatting at every level.
    QByteArray open = "{\\rtf1 x";
    for (int i = 0; i < 200000; ++i)
        open += "{\\b\\i\\fs30 ";
    open += "y";
    EXPECT_EQ(readWriteRead(open), QStringLiteral("xy"));
}

TEST(RtfRobustness, DeepIgnorableGroupsAreSkippedWithoutStack)
{
    QByteArray rtf = "{\\rtf1 a{\\*\\unknown ";
    rtf += QByteArray(500000, '{');
    rtf += QByteArray(500000, '}');
    rtf += "}b}";
    EXPECT_EQ(readWriteRead(rtf), QStringLiteral("ab"));
}

TEST(RtfRobustness, GiantNumbers)
{
    const QByteArray rtf = "{\\rtf1 \\fs99999999999999999999999 big \\fs-5 small \\u99999999999999 \\uc99999999999 "
                           "\\u20013 abcdefghijklmnopqrstuvwxyz\\li-99999999999 \\cf99999999 \\f-2147483649 ok"
                           "\\ansicpg99999999999 \\'41\\deff99999999 end}";
    QTextDocument document;
    platform::readRtf(rtf, &document);
    const QString text = blockTexts(document).join(QLatin1Char('\n'));
    EXPECT_TRUE(text.startsWith(QStringLiteral("big small "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("ok"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("Aend"))) << text.toStdString();
    const double size = formatOf(document, QStringLiteral("big")).fontPointSize();
    EXPECT_GT(size, 0);
    EXPECT_LE(size, 1638);
    EXPECT_EQ(formatOf(document, QStringLiteral("small")).fontPointSize(), 12);
    platform::writeRtf(&document);
}

TEST(RtfRobustness, BinWithHugeCount)
{
    EXPECT_EQ(readWriteRead("{\\rtf1 abc\\bin999999999999 xyz}"), QStringLiteral("abc"));
    EXPECT_EQ(readWriteRead("{\\rtf1 abc\\bin-5 xyz}"), QStringLiteral("abcxyz"));
    EXPECT_EQ(readWriteRead("{\\rtf1 a{\\*\\x \\bin4 }}}}}b}"), QStringLiteral("ab"));
}

TEST(RtfRobustness, BadHexEscapes)
{
    EXPECT_EQ(readWriteRead("{\\rtf1 a\\'zzb\\'4xc\\'}"), QStringLiteral("azzbxc"));
    EXPECT_EQ(readWriteRead("{\\rtf1\\ansicpg936 \\'d6"), QStringLiteral("\ufffd"));
    EXPECT_EQ(readWriteRead("{\\rtf1\\ansicpg936 \\'d6 x\\'d6\\'d0"), QStringLiteral("\ufffd x中"));
}

TEST(RtfRobustness, EndsInTheMiddleOfAToken)
{
    for (const char* rtf : {"{\\rtf1 a\\", "{\\rtf1 a\\*", "{\\rtf1 a\\u", "{\\rtf1 a\\u-", "{\\rtf1 a\\uc",
                            "{\\rtf1 a{\\*", "{\\rtf1 a\\bin", "{\\rtf1 a{\\fonttbl{\\f0 Ari", "{\\rtf1 a{\\pict"})
        EXPECT_EQ(readWriteRead(rtf), QStringLiteral("a")) << rtf;
}

TEST(RtfRobustness, BinaryGarbage)
{
    QRandomGenerator random(20240611);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(20000, Qt::Uninitialized);
        for (char& c : bytes)
            c = static_cast<char>(random.bounded(256));
        if (round % 2 == 0)
            bytes.prepend("{\\rtf1\\ansi\\ansicpg936 ");
        readWriteRead(bytes);
    }
    // Control characters and Qt's own marker code points never reach the document.
    const QString text = readWriteRead(QByteArray("{\\rtf1 a\x01\x02") + "\\u65532?\\u-1?\\u64976?b\\u8233?c}");
    EXPECT_EQ(text, QStringLiteral("ab\nc"));
}

TEST(RtfRobustness, ControlBytesInALongRunStayLinear)
{
    // Each piece adds a stray control byte to the same run; cleaning the whole run
    // every time would take hours here.
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 0; i < 200000; ++i)
        rtf += "a\x01\\foo ";
    rtf += "}";
    EXPECT_EQ(readWriteRead(rtf), QString(200000, QLatin1Char('a')));
}

TEST(RtfRobustness, PicturesCannotExhaustMemory)
{
    // A tiny PNG that claims to be 100000 x 100000 pixels is refused before decoding.
    const QByteArray header = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000186a0000186a00806000000");
    const QByteArray rtf = "{\\rtf1 a{\\pict\\pngblip " + header.toHex() + "}b}";
    QTextDocument document;
    platform::readRtf(rtf, &document);
    EXPECT_EQ(blockTexts(document), QStringList{QStringLiteral("ab")});
}

TEST(RtfRobustness, FuzzSeedsLoad)
{
    const QDir seeds(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/fuzz-seeds"));
    const QStringList files = seeds.entryList(QDir::Files);
    EXPECT_FALSE(files.isEmpty()) << seeds.path().toStdString();
    for (const QString& name : files) {
        QFile file(seeds.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        readWriteRead(file.readAll());
    }
}
