#include "platform/text/ansi_text.h"
#include "platform/text/text_invariants.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <iostream>
#include <random>

using namespace platform;

// GB2312's hanzi of rows `first` to `last` by the GBK decoder: B0-D7 is the first level, D8-F7 the second.
static QString gb2312Hanzi(int first, int last)
{
    QByteArray pairs;
    for (int cell = 0; cell < (last - first + 1) * 94; ++cell)
        pairs.append(char(first + cell / 94)).append(char(0xa1 + cell % 94));
    QString hanzi = decodeAnsi(pairs);
    hanzi.removeIf([](QChar c) { return c.category() != QChar::Letter_Other; });  // GB2312's empty cells
    return hanzi;
}

// Random characters of the pool; with `alsoUtf8`, only those that keep the GBK bytes valid UTF-8 (or
// a beginning of it), where the two readings compete. A trail F4 wants 80-8F next: a dead end.
static QString randomName(std::mt19937& rng, const QString& pool, int length, bool alsoUtf8)
{
    const auto canEndValid = [](const QByteArray& b) {
        return QByteArrayView(b).isValidUtf8() || QByteArrayView(b + "\x80").isValidUtf8() || QByteArrayView(b + "\x80\x80").isValidUtf8()
            || QByteArrayView(b + "\x80\x80\x80").isValidUtf8() || QByteArrayView(b + "\xa0\x80").isValidUtf8() || QByteArrayView(b + "\xa0\x80\x80").isValidUtf8();
    };
    QString name;
    for (int misses = 0; name.size() < length || (alsoUtf8 && !encodeAnsi(name).isValidUtf8());) {
        const QString longer = name + pool.at(rng() % pool.size());
        misses = !alsoUtf8 || canEndValid(encodeAnsi(longer)) ? 0 : misses + 1;
        name = misses ? name : longer;
        if (name.size() > length + 8 || misses > 1000)
            name.clear();
    }
    return name;
}

// The builder writes the catalogue, the reader reads it: titles of GB2312's hanzi read back as written,
// also when their GBK bytes are valid UTF-8 too (时瘛唤, where 瘛 is of the second level).
TEST(EncodingGuess, CataloguesOfRandomGb2312TitlesReadBackAsWritten)
{
    const QString level1 = gb2312Hanzi(0xb0, 0xd7), both = level1 + gb2312Hanzi(0xd8, 0xf7);
    const unsigned seed = qEnvironmentVariableIsSet("AURELIS_ENCODING_SEED")
                              ? qEnvironmentVariableIntValue("AURELIS_ENCODING_SEED") : std::random_device()();
    std::cout << "seed " << seed << " (AURELIS_ENCODING_SEED repeats it)" << std::endl;
    std::mt19937 rng(seed);
    testing_support::TempWorkDir dir;
    int alsoUtf8 = 0;
    for (int k = 0; k < 120; ++k) {  // each write waits for the disk: few catalogues, more rows
        QStringList lines;
        for (int row = 0; row <= k % 7; ++row) {
            const QString title = randomName(rng, k % 2 ? both : level1, 1 + int(rng() % 6), k % 4 < 2);
            lines << title + u'-' + title + QStringLiteral(".jpg-") + title + QStringLiteral(".rtf");
        }
        writeAnsiLines(dir.file(QStringLiteral("docitem.txt")), lines);
        alsoUtf8 += dir.read(QStringLiteral("docitem.txt")).isValidUtf8();
        AnsiTextReader reader = AnsiTextReader::open(dir.file(QStringLiteral("docitem.txt")), false);
        QStringList read;
        while (!reader.atEndOfLine())
            read << reader.readLine();
        ASSERT_EQ(read.join(u'|').toStdString(), lines.join(u'|').toStdString()) << "seed " << seed << ", catalogue " << k;
    }
    EXPECT_GT(alsoUtf8, 40) << "too few catalogues where the two readings compete";
}

// GBK text that happens to be valid UTF-8 must still read as GBK.
TEST(EncodingGuess, ShortGbkThatLooksLikeUtf8StaysGbk)
{
    for (const QString& text : {QStringLiteral("页1-p1.png-t1.txt"), QStringLiteral("页"), QStringLiteral("时瘛唤"),
                                QStringLiteral("页3-x.png-y.txt\r\n页4-a-b\r\n")}) {
        const QByteArray gbk = encodeAnsi(text);
        ASSERT_TRUE(QString::fromUtf8(gbk).toUtf8() == gbk) << "the case must be valid UTF-8 to mean anything";
        EXPECT_EQ(decodeTextFile(gbk), text);
    }
}

TEST(EncodingGuess, RealUtf8StillReadsAsUtf8)
{
    for (const QString& text :
         {QStringLiteral("江南园林-a.jpg-b.rtf"), QStringLiteral("页"), QStringLiteral("Café 页"), QStringLiteral("中文"),
          QStringLiteral("第一页"), QStringLiteral("Chapter 1 第一章"), QStringLiteral("《孙子兵法》全注全译"),
          QStringLiteral("学而时习之，不亦说乎？有朋自远方来，不亦乐乎？"),
          QStringLiteral("第一页-图1.jpg-说明1.rtf\r\n第二页-图2.jpg-说明2.rtf\r\n"),
          QStringLiteral("“鹅，鹅，鹅，曲项向天歌。”——骆宾王《咏鹅》")})
        EXPECT_EQ(decodeTextFile(text.toUtf8()).toStdString(), text.toStdString());
    // Random texts of 1-12 common hanzi among ASCII and Chinese punctuation. A few of two to four
    // hanzi are, byte for byte, GB2312 hanzi in GBK too (UTF-8 山水 is GBK 灞辨按) and read so.
    const QString common = gb2312Hanzi(0xb0, 0xd7), others = QStringLiteral("，。、：？！《》“”- a1.\r\n");
    std::mt19937 rng(2003);
    int misread = 0;
    for (int k = 0; k < 4000; ++k) {
        QString text;
        for (int hanzi = 0; hanzi <= k % 12;) {
            const bool isHanzi = rng() % 3;
            text += isHanzi ? common.at(rng() % common.size()) : others.at(rng() % others.size());
            hanzi += isHanzi;
        }
        const bool asUtf8 = decodeTextFile(text.toUtf8()) == text;
        ASSERT_TRUE(asUtf8 || k % 12 < 4) << text.toStdString();
        misread += !asUtf8;
    }
    EXPECT_LE(misread, 40);  // of the 1,336 texts of up to four hanzi: 3%
    EXPECT_EQ(decodeTextFile("\xef\xbb\xbf" + QStringLiteral("Café").toUtf8()), QStringLiteral("Café"));
    // Without a mark, text of two-byte UTF-8 sequences only is also well-formed GBK; for
    // this Chinese program GBK is the likelier reading.
    EXPECT_EQ(decodeTextFile(QStringLiteral("Café").toUtf8()), decodeAnsi(QStringLiteral("Café").toUtf8()));
}

// The two-byte table and the four-byte path must agree with GB18030 itself.
TEST(GbkDecoding, TableAndFourByteSequencesAndBadBytes)
{
    EXPECT_EQ(decodeAnsi("\xb5\xda"), QStringLiteral("第"));
    EXPECT_EQ(decodeAnsi("a\xb0\xa1z"), QStringLiteral("a啊z"));
    EXPECT_EQ(decodeAnsi(QByteArray("\x81\x30\x81\x30", 4)), QString(QChar(0x80)));  // four bytes
    EXPECT_EQ(decodeAnsi("\x80"), QString(QChar(0x20ac)));                           // CP936's euro
    EXPECT_EQ(decodeAnsi("x\xb5"), QStringLiteral("x") + QChar(0xfffd));             // cut-off pair
    EXPECT_EQ(decodeAnsi("\xff" "a"), QString(QChar(0xfffd)) + QStringLiteral("a"));
    // A digit after a lead byte that does not make a four-byte sequence: one bad byte, then the digit.
    const QString cut = decodeAnsi("\x81\x30zz");
    EXPECT_EQ(cut.at(0), QChar(0xfffd));
    EXPECT_TRUE(cut.endsWith(QStringLiteral("zz")));

    // Every character survives a round trip, whichever path decodes it.
    const QString text = QStringLiteral("园林 € ÿ 𠀀 鿐 ㄅ ①") + QString(QChar(0xe000));
    EXPECT_EQ(decodeAnsi(encodeAnsi(text)), text);
}

TEST(AnsiTextReader, LinesAreFoundWithoutDecodingAndDecodedInTheFilesEncoding)
{
    const QByteArray gbk = encodeAnsi(QStringLiteral("甲-乙\r\n丙\r\n\r\n丁"));
    AnsiTextReader r = AnsiTextReader::fromBytes(gbk);
    const auto first = r.readLineSpan();
    EXPECT_EQ(r.decodeSpan(first), QStringLiteral("甲-乙"));
    EXPECT_EQ(r.readLine(), QStringLiteral("丙"));
    EXPECT_TRUE(r.atEndOfLine());

    AnsiTextReader u = AnsiTextReader::fromBytes("\xef\xbb\xbf" + QStringLiteral("园林\n").toUtf8());
    EXPECT_EQ(u.readLine(), QStringLiteral("园林"));
    EXPECT_TRUE(u.atEnd());
    EXPECT_EQ(u.decodeSpan({100, 5}), QString());  // outside the file: nothing, never a crash
}

// What Windows Notepad saves as "Unicode" (little-endian) and "Unicode big endian".
TEST(EncodingGuess, Utf16WithAByteOrderMarkInBothByteOrders)
{
    const QString text = QStringLiteral("页1-图一.png-说明.txt\r\n页2-b.png-c.txt\r\n\r\n页3-x-y\r\n");
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        const QByteArray bytes = testing_support::notepadUnicode(text, bigEndian);
        EXPECT_EQ(decodeTextFile(bytes), text);
        // The catalogue loop: lines up to the first empty one.
        AnsiTextReader reader = AnsiTextReader::fromBytes(bytes);
        QStringList lines;
        while (!reader.atEndOfLine())
            lines << reader.readLine();
        EXPECT_EQ(lines, (QStringList{QStringLiteral("页1-图一.png-说明.txt"), QStringLiteral("页2-b.png-c.txt")}));
    }
    // An odd last byte is half a character, not a reason to read the file as GBK.
    EXPECT_EQ(decodeTextFile(QByteArray("\xff\xfe" "a\0b", 5)), QStringLiteral("a"));
}

// Every input the text fuzzer was seeded with or found a fault with reads
// alike whole and line by line, and survives being written back.
TEST(TextFuzzSeeds, KeepTheTextInvariants)
{
    const QDir seeds(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/fuzz-seeds-text"));
    const QStringList files = seeds.entryList(QDir::Files);
    EXPECT_GE(files.size(), 10) << seeds.path().toStdString();
    for (const QString& name : files) {
        QFile file(seeds.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QString broken = text_invariants::check(file.readAll());
        EXPECT_TRUE(broken.isEmpty()) << name.toStdString() << ": " << broken.toStdString();
    }
}
