#include "platform/text/ansi_text.h"
#include "platform/text/text_invariants.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace platform;

// GBK text that happens to be valid UTF-8 must still read as GBK: every
// Chinese character in UTF-8 takes three bytes, which such text never has.
TEST(EncodingGuess, ShortGbkThatLooksLikeUtf8StaysGbk)
{
    for (const QString& text : {QStringLiteral("页1-p1.png-t1.txt"), QStringLiteral("页"),
                                QStringLiteral("页3-x.png-y.txt\r\n页4-a-b\r\n")}) {
        const QByteArray gbk = encodeAnsi(text);
        ASSERT_TRUE(QString::fromUtf8(gbk).toUtf8() == gbk) << "the case must be valid UTF-8 to mean anything";
        EXPECT_EQ(decodeTextFile(gbk), text);
    }
}

TEST(EncodingGuess, RealUtf8StillReadsAsUtf8)
{
    for (const QString& text : {QStringLiteral("江南园林-a.jpg-b.rtf"), QStringLiteral("页"),
                                QStringLiteral("Café 页")}) {
        EXPECT_EQ(decodeTextFile(text.toUtf8()), text) << text.toStdString();
    }
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
    // An odd last byte is a broken character, not a reason to read the file as GBK.
    EXPECT_EQ(decodeTextFile(QByteArray("\xff\xfe" "a\0b", 5)), QStringLiteral("a") + QChar(0xfffd));
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
