// GBK text: decoding, encoding, file detection, line reading and writing.
#include "platform/core/error.h"
#include "platform/text/ansi_text.h"
#include "platform/text/richtextbox.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using platform::AnsiTextReader;
using testing_support::TempWorkDir;

namespace {

QByteArray hex(const char* digits)
{
    return QByteArray::fromHex(digits);
}

QStringList readAllLines(AnsiTextReader reader)
{
    QStringList lines;
    while (!reader.atEnd())
        lines << reader.readLine();
    return lines;
}

// The catalogue reading loop: one line per turn while the position is not at the end of a line.
QStringList catalogueLines(AnsiTextReader reader)
{
    QStringList lines;
    while (!reader.atEndOfLine())
        lines << reader.readLine();
    return lines;
}

} // namespace

TEST(GbkText, DecodesGbkAndAscii)
{
    EXPECT_EQ(platform::decodeAnsi(hex("b0a1")), QStringLiteral("啊"));
    EXPECT_EQ(platform::decodeAnsi(QByteArray("a-") + hex("d6d0cec4") + ".jpg"), QStringLiteral("a-中文.jpg"));
    EXPECT_EQ(platform::decodeAnsi(QByteArray()), QString());
}

TEST(GbkText, EncodesGbkCharactersAsGbk)
{
    EXPECT_EQ(platform::encodeAnsi(QStringLiteral("中文")), hex("d6d0cec4"));
    EXPECT_EQ(platform::encodeAnsi(QStringLiteral("宋体 abc")), hex("cbcecce5") + " abc");
    // The euro sign has a single CP936 byte.
    EXPECT_EQ(platform::encodeAnsi(QStringLiteral("€")), hex("80"));
}

TEST(GbkText, CharactersOutsideGbkSurviveTheRoundTrip)
{
    const QString samples[] = {
        QStringLiteral("€"),
        QString::fromUtf8("\xf0\x9f\x98\x80"), // U+1F600, an emoji
        QString::fromUtf8("\xf0\xa0\x80\x80"), // U+20000, CJK extension B
        QStringLiteral("中文 € ") + QString::fromUtf8("\xf0\x9f\x98\x80\xf0\xa0\x80\x80") + QStringLiteral(" 结束"),
        QStringLiteral("Ελληνικά кириллица ąę"),
    };
    for (const QString& text : samples)
        EXPECT_EQ(platform::decodeAnsi(platform::encodeAnsi(text)), text) << text.toStdString();
    // Outside GBK the bytes are GB18030's four-byte codes.
    EXPECT_EQ(platform::encodeAnsi(QString::fromUtf8("\xf0\xa0\x80\x80")), hex("95328236"));
}

TEST(GbkText, InvalidBytesDecodeToReplacementCharacters)
{
    // 0xff is never valid; a lead byte at the very end has no trail.
    EXPECT_EQ(platform::decodeAnsi(QByteArray("a") + hex("ff") + "b"), QStringLiteral("a\ufffdb"));
    EXPECT_EQ(platform::decodeAnsi(QByteArray("ab") + hex("d6")), QStringLiteral("ab\ufffd"));
    EXPECT_EQ(platform::decodeAnsi(hex("d6d0ff") + hex("cec4")), QStringLiteral("中\ufffd文"));
    // A lone surrogate cannot be encoded and becomes '?', not a crash.
    const QString lone = QString(QChar(0xd800)) + QStringLiteral("x");
    EXPECT_EQ(platform::encodeAnsi(lone), QByteArray("?x"));
}

TEST(TextFileDetection, ByteOrderMarkMeansUtf8)
{
    EXPECT_EQ(platform::decodeTextFile(QByteArray("\xef\xbb\xbf") + "abc"), QStringLiteral("abc"));
    EXPECT_EQ(platform::decodeTextFile(QByteArray("\xef\xbb\xbf") + QStringLiteral("中文").toUtf8()),
              QStringLiteral("中文"));
}

TEST(TextFileDetection, ValidUtf8WithNonAsciiIsUtf8)
{
    EXPECT_EQ(platform::decodeTextFile(QStringLiteral("第一行\r\n第二行").toUtf8()), QStringLiteral("第一行\r\n第二行"));
}

TEST(TextFileDetection, EverythingElseIsGbk)
{
    EXPECT_EQ(platform::decodeTextFile(hex("d6d0cec4") + "\r\n"), QStringLiteral("中文\r\n"));
    EXPECT_EQ(platform::decodeTextFile("plain ascii"), QStringLiteral("plain ascii"));
    // Chinese GBK text is not valid UTF-8, so it is never mistaken for it.
    EXPECT_EQ(platform::decodeTextFile(hex("b0a1") + hex("d6d0cec4")), QStringLiteral("啊中文"));
}

// A UTF-16 catalogue one byte too long: the half unit at its end is no
// character, so the text gains none and the catalogue no row.
TEST(TextFileDetection, HalfAUtf16UnitAtTheEndIsDropped)
{
    const QString text = QStringLiteral("第一页-a.png-a.txt\r\n第二页-b.png-b.txt\r\n");
    for (const bool bigEndian : {false, true}) {
        for (const char stray : {'\x00', 'A', '\xd8', '\x0d'}) {
            const QByteArray bytes = testing_support::notepadUnicode(text, bigEndian) + stray;
            EXPECT_EQ(platform::decodeTextFile(bytes), text) << bigEndian << int(stray);
            EXPECT_EQ(readAllLines(AnsiTextReader::fromBytes(bytes)),
                      (QStringList{QStringLiteral("第一页-a.png-a.txt"), QStringLiteral("第二页-b.png-b.txt")}));
        }
    }
}

TEST(AnsiTextReader, ReadsAllThreeLineEnds)
{
    EXPECT_EQ(readAllLines(AnsiTextReader(QStringLiteral("a\r\nb\nc\rd"))),
              (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(readAllLines(AnsiTextReader(QStringLiteral("a\r\n\r\nb\r\n"))), (QStringList{"a", "", "b"}));
    // CR CR LF is an empty line between two ends, not one end.
    EXPECT_EQ(readAllLines(AnsiTextReader(QStringLiteral("a\r\r\nb"))), (QStringList{"a", "", "b"}));
}

TEST(AnsiTextReader, AtEndOfLineDrivesTheCatalogueLoop)
{
    // An empty file and a file whose first line is empty give nothing.
    EXPECT_TRUE(AnsiTextReader(QString()).atEndOfLine());
    EXPECT_TRUE(catalogueLines(AnsiTextReader(QString())).isEmpty());
    EXPECT_TRUE(catalogueLines(AnsiTextReader(QStringLiteral("\r\na-b.jpg-c.txt\r\n"))).isEmpty());
    // Reading stops at the first empty line.
    EXPECT_EQ(catalogueLines(AnsiTextReader(QStringLiteral("1\r\n2\r\n3\r\n\r\n5\r\n"))),
              (QStringList{"1", "2", "3"}));
    EXPECT_EQ(catalogueLines(AnsiTextReader(QStringLiteral("1\n2\n\n5"))), (QStringList{"1", "2"}));
    EXPECT_EQ(catalogueLines(AnsiTextReader(QStringLiteral("1\r2\r\r5"))), (QStringList{"1", "2"}));
    // The last line needs no line end.
    EXPECT_EQ(catalogueLines(AnsiTextReader(QStringLiteral("a\r\nlast"))), (QStringList{"a", "last"}));
}

TEST(AnsiTextReader, AtEndOfLineStates)
{
    AnsiTextReader reader(QStringLiteral("x\r\n\r\ny"));
    EXPECT_FALSE(reader.atEndOfLine());
    EXPECT_EQ(reader.readLine(), QStringLiteral("x"));
    EXPECT_TRUE(reader.atEndOfLine());
    EXPECT_FALSE(reader.atEnd());
    EXPECT_EQ(reader.readLine(), QString());
    EXPECT_FALSE(reader.atEndOfLine());
    EXPECT_EQ(reader.readLine(), QStringLiteral("y"));
    EXPECT_TRUE(reader.atEnd());
    EXPECT_TRUE(reader.atEndOfLine());
    EXPECT_EQ(reader.readLine(), QString());
}

TEST(AnsiTextFiles, OpenCreatesAMissingFileEmpty)
{
    TempWorkDir dir;
    AnsiTextReader reader = AnsiTextReader::open(QStringLiteral("DocItem.txt"), true);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_TRUE(reader.atEndOfLine());
    EXPECT_TRUE(QFile::exists(dir.file("DocItem.txt")));
    EXPECT_EQ(QFile(dir.file("DocItem.txt")).size(), 0);
}

TEST(AnsiTextFiles, OpenKeepsAnExistingFile)
{
    TempWorkDir dir;
    dir.write("docitem.txt", QByteArray("a-") + hex("d6d0cec4") + ".jpg-c.txt\r\n");
    AnsiTextReader reader = AnsiTextReader::open(dir.file("docitem.txt"), true);
    EXPECT_EQ(reader.readLine(), QStringLiteral("a-中文.jpg-c.txt"));
    EXPECT_TRUE(reader.atEnd());
}

TEST(AnsiTextFiles, OpenFailuresCarryTheirNumbers)
{
    TempWorkDir dir;
    try {
        AnsiTextReader::open(dir.file("missing.txt"), false);
        FAIL() << "no error for a missing file";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::errc::FileNotFound);
    }
    try {
        AnsiTextReader::open(dir.file("no-such-folder/docitem.txt"), true);
        FAIL() << "no error for a missing folder";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::errc::PathNotFound);
    }
    EXPECT_THROW(platform::readFileBytes(dir.file("missing.txt")), platform::Error);
}

TEST(AnsiTextFiles, WriteAnsiLinesWritesGbkWithCrLf)
{
    TempWorkDir dir;
    dir.write("docitem.txt", "old content that is longer than the new one\r\n");
    platform::writeAnsiLines(dir.file("docitem.txt"),
                             {QStringLiteral("中文-a.jpg-a.rtf"), QStringLiteral("b-b.gif-b.txt")});
    EXPECT_EQ(dir.read("docitem.txt"), hex("d6d0cec4") + "-a.jpg-a.rtf\r\nb-b.gif-b.txt\r\n");

    platform::writeAnsiLines(dir.file("empty.txt"), {});
    EXPECT_TRUE(QFile::exists(dir.file("empty.txt")));
    EXPECT_EQ(dir.read("empty.txt"), QByteArray());
}

TEST(AnsiTextFiles, WrittenLinesReadBack)
{
    TempWorkDir dir;
    const QStringList lines{QStringLiteral("€ 价格"), QString::fromUtf8("\xf0\xa0\x80\x80-x.jpg-y.rtf"), QString()};
    platform::writeAnsiLines(dir.file("lines.txt"), lines);
    EXPECT_EQ(readAllLines(AnsiTextReader(platform::decodeAnsi(dir.read("lines.txt")))), lines);
}

TEST(AnsiTextFiles, WritingIntoAMissingFolderThrows)
{
    TempWorkDir dir;
    try {
        platform::writeAnsiLines(dir.file("nowhere/docitem.txt"), {QStringLiteral("a")});
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::errc::PathNotFound);
    }
}

// A book may name anything. What is no regular file, or lies past the size
// limit, is a missing file; reading it neither blocks nor eats the memory.
TEST(AnsiTextFiles, OnlyRegularFilesOfBoundedSizeAreRead)
{
    TempWorkDir dir;
    ASSERT_TRUE(testing_support::makeNamedPipe(dir.file("pipe.txt")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.file("zero.txt")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.txt")));
    for (const auto& [name, size] : {std::pair{"big.txt", platform::kMaxTextFileBytes + 1},
                                     std::pair{"limit.txt", platform::kMaxTextFileBytes}}) {
        QFile file(dir.file(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(size)); // sparse: costs no disk
    }
    const struct {
        const char* what;
        QString path;
    } cases[] = {
        {"device", QStringLiteral("/dev/zero")},
        {"link to a device", dir.file("zero.txt")},
        {"named pipe", dir.file("pipe.txt")},
        {"folder", dir.file("folder.txt")},
        {"one byte past the limit", dir.file("big.txt")},
    };
    // The error number a read ends with, 0 when it succeeds.
    auto errorOf = [](const std::function<void()>& read) {
        return testing_support::inChildProcess([&] {
            try {
                read();
                return 0;
            } catch (const platform::Error& e) {
                return e.number();
            }
        });
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(errorOf([&] { platform::RichTextBox().LoadFile(c.path); }), platform::errc::FileNotFound);
        EXPECT_EQ(errorOf([&] { AnsiTextReader::open(c.path, true); }), platform::errc::FileNotFound);
    }
    EXPECT_EQ(errorOf([&] { AnsiTextReader::open(dir.file("limit.txt"), false); }), 0);
}
