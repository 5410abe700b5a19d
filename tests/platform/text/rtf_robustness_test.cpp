// Damaged and hostile RTF: every input finishes, and the text before the
// damage is kept.
#include "rtf_test_util.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTextFrame>
#include <QTextTable>
#include <gtest/gtest.h>

#include <functional>

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

// The non-empty paragraphs, and the number of tables and of their grid gridSlots.
struct TablesRead {
    QStringList texts;
    int tables = 0;
    qint64 gridSlots = 0;
};

TablesRead readTables(const QByteArray& rtf)
{
    QTextDocument document;
    platform::readRtf(rtf, &document);
    TablesRead read;
    for (const QString& text : blockTexts(document))
        if (!text.isEmpty())
            read.texts << text;
    std::function<void(QTextFrame*)> walk = [&](QTextFrame* frame) {
        for (QTextFrame* child : frame->childFrames()) {
            if (const auto* table = qobject_cast<QTextTable*>(child)) {
                ++read.tables;
                read.gridSlots += qint64(table->rows()) * table->columns();
                for (const QTextLength& width : table->format().columnWidthConstraints())
                    EXPECT_TRUE(width.rawValue() >= 0 && width.rawValue() <= 2112) << width.rawValue(); // 22 inches
            }
            walk(child);
        }
    };
    walk(document.rootFrame());
    // What the writer makes of it reads back to the same text.
    QTextDocument again;
    platform::readRtf(platform::writeRtf(&document), &again);
    QStringList texts;
    for (const QString& text : blockTexts(again))
        if (!text.isEmpty())
            texts << text;
    EXPECT_EQ(texts, read.texts);
    return read;
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

TEST(RtfRobustness, MalformedTablesKeepTheirText)
{
    struct Case {
        const char* what;
        const char* rtf;
        QStringList texts;
        int tables;
    };
    const Case cases[] = {
        {"cell outside any row", "{\\rtf1 a\\cell b}", {"a", "b"}, 1},
        {"row without cellx", "{\\rtf1\\trowd\\pard\\intbl x\\cell y\\cell\\row z}", {"x", "y", "z"}, 1},
        {"more cells than cellx", "{\\rtf1\\trowd\\cellx1000\\pard\\intbl x\\cell y\\cell w\\cell\\row}", {"x", "y", "w"}, 1},
        {"rows without cells", "{\\rtf1 a\\par\\trowd\\cellx100\\row\\nestrow\\row b}", {"a", "b"}, 0},
        {"nesting deeper than declared",
         "{\\rtf1\\trowd\\cellx5000\\pard\\intbl\\itap9 deep\\nestcell{\\*\\nesttableprops\\trowd\\cellx100\\nestrow}"
         "{\\nonesttables fallback\\par}\\pard\\intbl\\itap1 out\\cell\\row}",
         {"deep", "out"}, 2},
        {"absurd nesting levels", "{\\rtf1\\pard\\intbl\\itap99999999999 x\\nestcell\\nestrow\\itap-5 y\\cell\\row}",
         {"x", "y"}, 2},
        {"unclosed groups", "{\\rtf1\\trowd\\cellx1000{\\pard\\intbl a\\cell{\\b b\\cell{\\itap2 c", {"a", "b", "c"}, 2},
        {"absurd cellx",
         "{\\rtf1\\trowd\\trleft-99999999999\\trgaph99999999\\cellx99999999999\\cellx-99999999999\\cellx5"
         "\\pard\\intbl a\\cell b\\cell c\\cell\\row}",
         {"a", "b", "c"}, 1},
        {"table marks in the font table and a table only in the header",
         "{\\rtf1{\\fonttbl\\cell\\row}{\\header \\trowd\\cellx100\\pard\\intbl h\\cell\\row}"
         "\\trowd\\cellx1000\\pard\\intbl\\cell\\row}",
         {"h"}, 1},
        {"no \\intbl and formatting inside cells",
         "{\\rtf1\\trowd\\cellx1000\\cellx2000 {\\b A}{\\i B}\\cell {\\i x} y\\cell\\row\\pard after}",
         {"AB", "x y", "after"}, 1},
        {"marks and nothing else", "{\\rtf1\\row\\cell\\nestcell\\nestrow\\intbl\\itap3\\cell}", {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TablesRead read = readTables(c.rtf);
        EXPECT_EQ(read.texts, c.texts);
        EXPECT_EQ(read.tables, c.tables);
    }
}

TEST(RtfRobustness, HugeTablesStayLinear)
{
    const int n = 10000;
    QByteArray oneRow = "{\\rtf1\\trowd\\cellx100\\pard\\intbl ";
    QByteArray ownWidths = "{\\rtf1 ";
    QByteArray merged = "{\\rtf1 ";
    QByteArray nested = "{\\rtf1\\trowd\\cellx9000 ";
    QByteArray separate = "{\\rtf1 ";
    for (int i = 0; i < n; ++i) {
        oneRow += "c\\cell ";
        // Every row cut differently: one shared grid would have n * n gridSlots.
        ownWidths += "\\trowd\\cellx" + QByteArray::number(100 + i) + "\\pard\\intbl r\\cell\\row ";
        separate += "\\trowd\\cellx100\\pard\\intbl t\\cell\\row\\pard p\\par ";
        // Every second row merged into the one above, every row's first cells merged across.
        if (i < n / 2)
            merged += QByteArray("\\trowd\\clmgf") + (i % 2 ? "\\clvmrg" : "\\clvmgf") + "\\cellx1000\\clmrg"
            + (i % 2 ? "\\clvmrg" : "\\clvmgf") + "\\cellx" + QByteArray::number(2000 + i % 7)
            + "\\cellx3000\\pard\\intbl m\\cell\\cell x\\cell\\row ";
        if (i < n / 4)
            nested += "\\pard\\intbl\\itap2 n\\nestcell{\\*\\nesttableprops\\trowd\\cellx500\\nestrow}"
                      "\\pard\\intbl\\itap1\\cell\\row ";
    }
    oneRow += "\\row}";

    const TablesRead row = readTables(oneRow);
    EXPECT_EQ(row.texts.size(), n);
    EXPECT_LE(row.gridSlots, 2 * n);

    const TablesRead rows = readTables(ownWidths + "}");
    EXPECT_EQ(rows.texts.size(), n);
    EXPECT_LE(rows.gridSlots, 10 * n + 4096);

    const TablesRead merges = readTables(merged + "}");
    EXPECT_EQ(merges.texts.count(QStringLiteral("x")), n / 2);
    EXPECT_GE(merges.texts.count(QStringLiteral("m")), n / 4);

    // Qt's frames cost the square of their number: past a thousand tables, cells read as paragraphs.
    const TablesRead nests = readTables(nested + "}");
    EXPECT_EQ(nests.texts.size(), n / 4);
    EXPECT_EQ(nests.tables, 1000);

    const TablesRead tables = readTables(separate + "}");
    EXPECT_EQ(tables.texts.count(QStringLiteral("t")), n);
    EXPECT_EQ(tables.texts.count(QStringLiteral("p")), n);
    EXPECT_EQ(tables.tables, 1000);
}
