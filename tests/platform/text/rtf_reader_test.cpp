// Reading RTF as Windows editors write it: code pages, Unicode escapes,
// groups, destinations, tables, fields and pictures.
#include "rtf_test_util.h"

#include <QBuffer>
#include <QImage>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <gtest/gtest.h>

using namespace text_test;

namespace {

const QByteArray kChineseHeader = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
                                  "{\\f1\\fswiss\\fcharset0 Arial;}}";

QByteArray imageHex(const char* format)
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toHex();
}

struct ImageSeen {
    int count = 0;
    QSizeF shown;
    QSize natural;
};

ImageSeen imagesIn(const QTextDocument& document)
{
    ImageSeen seen;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat())
                continue;
            ++seen.count;
            const QTextImageFormat image = f.toImageFormat();
            seen.shown = QSizeF(image.width(), image.height());
            seen.natural =
                document.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>().size();
        }
    return seen;
}

} // namespace

TEST(RtfCodePages, ChineseAsChineseWordWritesIt)
{
    // Word 2003 writes GBK pairs under \dbch with the Chinese font selected.
    const QByteArray rtf = kChineseHeader
        + "\\pard\\plain\\f1\\fs21 {\\loch\\af1\\hich\\af1\\dbch\\f0 \\'d5\\'c5\\'c8\\'fd}{\\b\\f0 \\'b0\\'a1}\\par}";
    QTextDocument document;
    platform::readRtf(rtf, &document);
    EXPECT_EQ(document.toPlainText(), QStringLiteral("张三啊"));
    EXPECT_EQ(familyOf(formatOf(document, QStringLiteral("张"))), QStringLiteral("宋体"));
    EXPECT_TRUE(formatOf(document, QStringLiteral("啊")).fontWeight() >= QFont::Bold);
}

TEST(RtfCodePages, PairsSplitAcrossLinesStayOneCharacter)
{
    EXPECT_EQ(plainText(kChineseHeader + "\\f0 \\'d6\r\n\\'d0\\'ce\\'c4 end}"), QStringLiteral("中文 end"));
}

TEST(RtfCodePages, DbchMarksDoubleByteTextUnderALatinFont)
{
    const QByteArray rtf = kChineseHeader + "\\f1\\dbch \\'d6\\'d0\\loch  x}";
    EXPECT_EQ(plainText(rtf), QStringLiteral("中 x"));
}

TEST(RtfCodePages, FontCharsetWinsOverAnsiCodePage)
{
    // A4 A4 is 中 in Big5 and a kana in GBK.
    const QByteArray big5 = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset136 PMingLiU;}}\\f0 \\'a4\\'a4\\'a4\\'e5}";
    EXPECT_EQ(plainText(big5), QStringLiteral("中文"));
    // Big5 許 ends in a backslash byte, which the writer escapes.
    const QByteArray escapedTrail = "{\\rtf1\\ansi\\ansicpg950{\\fonttbl{\\f0\\fnil\\fcharset136 MingLiU;}}\\f0 \\'b3\\\\x}";
    EXPECT_EQ(plainText(escapedTrail), QStringLiteral("許x"));
}

TEST(RtfCodePages, ShiftJisWithHexAndLiteralTrailBytes)
{
    const QByteArray header = "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fnil\\fcharset128 MS Gothic;}}\\f0 ";
    EXPECT_EQ(plainText(header + "\\'93\\'fa\\'96\\'7b}"), QStringLiteral("日本"));
    // Riched20 writes a printable trail byte as it stands.
    EXPECT_EQ(plainText(header + "\\'83\\\\\\'93\\'fa}"), QStringLiteral("ソ日"));
}

TEST(RtfCodePages, SingleByteCharsets)
{
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial Cyr;}"
                           "{\\f2\\fcharset161 Arial Greek;}{\\f3\\fcharset238 Arial CE;}}"
                           "\\f0 caf\\'e9 \\f1 \\'cf\\'f0\\'e8 \\f2 \\'e1\\'e2 \\f3 \\'b9}";
    EXPECT_EQ(plainText(rtf), QStringLiteral("café При αβ ą"));
}

TEST(RtfCodePages, FontNamesAreDecodedInTheirCharset)
{
    QTextDocument document;
    platform::readRtf(kChineseHeader + "\\f1 abc\\f0 def}", &document);
    EXPECT_EQ(familyOf(formatOf(document, QStringLiteral("abc"))), QStringLiteral("Arial"));
    EXPECT_EQ(familyOf(formatOf(document, QStringLiteral("def"))), QStringLiteral("宋体"));
}

TEST(RtfCodePages, FontTableWithoutGroupsAndWithAlternateNames)
{
    QTextDocument document;
    platform::readRtf("{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\froman{\\*\\panose 0}Times{\\*\\falt Tms};}"
                      "\\f1 x\\f0 y}",
                      &document);
    EXPECT_EQ(familyOf(formatOf(document, QStringLiteral("x"))), QStringLiteral("Times"));
    EXPECT_EQ(familyOf(formatOf(document, QStringLiteral("y"))), QStringLiteral("Helvetica"));
}

TEST(RtfUnicode, UcCountsFallbacks)
{
    EXPECT_EQ(plainText(kChineseHeader + "\\uc0\\u20013\\u25991 x}"), QStringLiteral("中文x"));
    EXPECT_EQ(plainText(kChineseHeader + "\\uc1\\u20013?\\u25991?x}"), QStringLiteral("中文x"));
    EXPECT_EQ(plainText(kChineseHeader + "\\f0\\uc2\\u20013\\'d6\\'d0\\u25991\\'ce\\'c4x}"), QStringLiteral("中文x"));
    // Without \uc the fallback is one character.
    EXPECT_EQ(plainText("{\\rtf1 \\u21834?ok}"), QStringLiteral("啊ok"));
}

TEST(RtfUnicode, NegativeValuesAndSurrogatePairs)
{
    EXPECT_EQ(plainText("{\\rtf1\\uc1 \\u-28729?}"), QStringLiteral("过"));
    EXPECT_EQ(plainText("{\\rtf1\\uc1 \\u-10179?\\u-8704?}"), QString::fromUtf8("\xf0\x9f\x98\x80"));
}

TEST(RtfUnicode, FallbackEndsAtGroupEnd)
{
    // A group end stops the skipping: the next group's text is kept.
    EXPECT_EQ(plainText("{\\rtf1 {\\uc3\\u20013}abc}"), QStringLiteral("中abc"));
    // A control word counts as one fallback character.
    EXPECT_EQ(plainText("{\\rtf1\\uc2 \\u20013\\'3f\\'3fA}"), QStringLiteral("中A"));
}

TEST(RtfStructure, NestedGroupsRestoreFormatting)
{
    QTextDocument document;
    platform::readRtf("{\\rtf1\\ansi a{\\b b{\\i\\fs40 c}d}e{\\ul u\\ulnone n}{\\strike s\\strike0 t}}", &document);
    EXPECT_EQ(document.toPlainText(), QStringLiteral("abcdeunst"));
    const auto bold = [&](const char* s) { return formatOf(document, QString::fromLatin1(s)).fontWeight() >= QFont::Bold; };
    const auto italic = [&](const char* s) { return formatOf(document, QString::fromLatin1(s)).fontItalic(); };
    EXPECT_FALSE(bold("a"));
    EXPECT_TRUE(bold("b"));
    EXPECT_TRUE(bold("c"));
    EXPECT_TRUE(italic("c"));
    EXPECT_EQ(formatOf(document, QStringLiteral("c")).fontPointSize(), 20);
    EXPECT_EQ(formatOf(document, QStringLiteral("d")).fontPointSize(), 12);
    EXPECT_TRUE(bold("d"));
    EXPECT_FALSE(italic("d"));
    EXPECT_FALSE(bold("e"));
    EXPECT_TRUE(formatOf(document, QStringLiteral("u")).fontUnderline());
    EXPECT_FALSE(formatOf(document, QStringLiteral("n")).fontUnderline());
    EXPECT_TRUE(formatOf(document, QStringLiteral("s")).fontStrikeOut());
    EXPECT_FALSE(formatOf(document, QStringLiteral("t")).fontStrikeOut());
}

TEST(RtfStructure, PlainResetsCharacterFormatting)
{
    QTextDocument document;
    platform::readRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}}\\deff0\\f1\\b\\fs40 x\\plain y}", &document);
    EXPECT_EQ(familyOf(formatOf(document, QStringLiteral("x"))), QStringLiteral("Courier"));
    EXPECT_EQ(familyOf(formatOf(document, QStringLiteral("y"))), QStringLiteral("Arial"));
    EXPECT_LT(formatOf(document, QStringLiteral("y")).fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(document, QStringLiteral("y")).fontPointSize(), 12);
}

TEST(RtfStructure, IgnorableAndKnownNonTextDestinations)
{
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}"
                           "{\\stylesheet{\\s1 Heading;}}{\\info{\\title The title}{\\author Someone}}"
                           "{\\*\\generator Writer 1.0;}{\\header page header}{\\footer page footer}"
                           "a{\\*\\unknownthing dropped {nested} text}b{\\*\\bkmkstart mark}c"
                           "{\\*\\themedata 0123456789abcdef}{\\nonshppict{\\pict\\wmetafile8 0100}}d"
                           "{\\v hidden}e{\\upr{ansi name}{\\*\\ud{\\uc0 \\u20013}}}}";
    EXPECT_EQ(plainText(rtf), QStringLiteral("abcde中"));
}

TEST(RtfStructure, StarInsideAGroupDoesNotDropIt)
{
    // Only \* at a group's start marks the group; elsewhere the text stays.
    EXPECT_EQ(plainText("{\\rtf1 {\\f0 x\\*\\cs7 y}z}"), QStringLiteral("xyz"));
}

TEST(RtfStructure, HeaderTextShownOnlyWhenTheBodyHasNone)
{
    EXPECT_EQ(plainText("{\\rtf1{\\header Clinic\\par}body}"), QStringLiteral("body"));
    EXPECT_EQ(plainText("{\\rtf1{\\header Clinic\\par (555)\\par}}"), QStringLiteral("Clinic\n(555)"));
}

TEST(RtfStructure, ColourTable)
{
    QTextDocument document;
    platform::readRtf("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                      "\\cf1 red\\cf2 blue\\cf0 auto\\highlight1 marked\\cb2 back\\cb0 none\\cf9 bad}",
                      &document);
    EXPECT_EQ(formatOf(document, QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(document, QStringLiteral("blue")).foreground().color(), QColor(0, 0, 255));
    EXPECT_FALSE(formatOf(document, QStringLiteral("auto")).hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(formatOf(document, QStringLiteral("marked")).background().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(document, QStringLiteral("back")).background().color(), QColor(0, 0, 255));
    EXPECT_FALSE(formatOf(document, QStringLiteral("none")).hasProperty(QTextFormat::BackgroundBrush));
    EXPECT_FALSE(formatOf(document, QStringLiteral("bad")).hasProperty(QTextFormat::ForegroundBrush));
}

TEST(RtfStructure, ParagraphsAndTheirFormats)
{
    QTextDocument document;
    platform::readRtf("{\\rtf1\\pard\\qc\\li720\\ri360\\fi-360\\sb120\\sa240 centred\\par"
                      "\\pard\\qr right\\par\\qj justified\\par\\pard left\\line second\\tab tabbed\\page next\\par}",
                      &document);
    EXPECT_EQ(blockTexts(document),
              (QStringList{"centred", "right", "justified", QStringLiteral("left\u2028second\ttabbed"), "next"}));
    const QTextBlockFormat centred = blockFormatOf(document, QStringLiteral("centred"));
    EXPECT_EQ(centred.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(centred.leftMargin(), 48);
    EXPECT_DOUBLE_EQ(centred.rightMargin(), 24);
    EXPECT_DOUBLE_EQ(centred.textIndent(), -24);
    EXPECT_DOUBLE_EQ(centred.topMargin(), 8);
    EXPECT_DOUBLE_EQ(centred.bottomMargin(), 16);
    EXPECT_EQ(blockFormatOf(document, QStringLiteral("right")).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(blockFormatOf(document, QStringLiteral("justified")).alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignJustify);
    const QTextBlockFormat left = blockFormatOf(document, QStringLiteral("second"));
    EXPECT_EQ(left.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_DOUBLE_EQ(left.leftMargin(), 0);
}

TEST(RtfStructure, TheLastParDoesNotAddAnEmptyParagraph)
{
    QTextDocument document;
    platform::readRtf("{\\rtf1 one\\par two\\par}", &document);
    EXPECT_EQ(blockTexts(document), (QStringList{"one", "two"}));
    platform::readRtf("{\\rtf1 one\\par\\par}", &document);
    EXPECT_EQ(blockTexts(document), (QStringList{"one", ""}));
}

TEST(RtfStructure, SpecialCharacters)
{
    EXPECT_EQ(plainText("{\\rtf1 a\\~b\\-c\\_d\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote "
                        "\\\\\\{\\}}"),
              QStringLiteral("a\u00a0b\u00adc\u2011d\u2014\u2013\u2022\u2018\u2019\u201c\u201d\\{}"));
}

TEST(RtfStructure, FieldsShowTheirResult)
{
    const QByteArray rtf = "{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"http://example.com\"}"
                           "{\\fldrslt {\\ul\\cf1 the link}}} now {\\field{\\fldinst PAGE}{\\fldrslt 7}}}";
    EXPECT_EQ(plainText(rtf), QStringLiteral("see the link now 7"));
}

TEST(RtfStructure, TablesReadAsTablesBetweenTheirParagraphs)
{
    const QByteArray rtf = "{\\rtf1 before\\par\\trowd\\cellx1000\\cellx2000\\cellx3000"
                           "\\pard\\intbl a\\cell b\\cell c\\cell\\row"
                           "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl \\cell e\\cell f\\cell\\row"
                           "\\pard after\\par}";
    QTextDocument document;
    platform::readRtf(rtf, &document);
    // One paragraph a cell, the empty cell included, and no empty line around the table.
    EXPECT_EQ(blockTexts(document), (QStringList{"before", "a", "b", "c", "", "e", "f", "after"}));
    const QList<QTextFrame*> frames = document.rootFrame()->childFrames();
    ASSERT_EQ(frames.size(), 1);
    const auto* table = qobject_cast<QTextTable*>(frames.front());
    ASSERT_TRUE(table);
    EXPECT_EQ(table->rows(), 2);
    EXPECT_EQ(table->columns(), 3);
    EXPECT_EQ(table->cellAt(1, 2).firstCursorPosition().block().text(), QStringLiteral("f"));
}

TEST(RtfPictures, PngAndJpegBlipsBecomeImages)
{
    for (const char* format : {"png", "jpeg"}) {
        const QByteArray blip = QByteArray(format) == "png" ? "\\pngblip" : "\\jpegblip";
        const QByteArray rtf = "{\\rtf1 a{\\*\\shppict{\\pict" + blip + "\\picw4\\pich3\\picwgoal600\\pichgoal450 "
            + imageHex(format) + "}}{\\nonshppict{\\pict\\wmetafile8 0100090000}}b}";
        QTextDocument document;
        platform::readRtf(rtf, &document);
        const ImageSeen seen = imagesIn(document);
        EXPECT_EQ(seen.count, 1) << format;
        EXPECT_EQ(seen.shown, QSizeF(40, 30)) << format;
        EXPECT_EQ(seen.natural, QSize(4, 3)) << format;
        EXPECT_EQ(document.toPlainText().remove(QChar::ObjectReplacementCharacter), QStringLiteral("ab"));
    }
}

TEST(RtfPictures, ScaledAndUnsizedPictures)
{
    QTextDocument document;
    platform::readRtf("{\\rtf1{\\pict\\pngblip\\picscalex50\\picscaley200 " + imageHex("png") + "}}", &document);
    EXPECT_EQ(imagesIn(document).shown, QSizeF(2, 6));
}

TEST(RtfPictures, OtherPictureDataIsSkippedCleanly)
{
    const QByteArray rtf = "{\\rtf1 a{\\pict\\wmetafile8\\picw100\\pich100 0100090000037a00000000{}}b"
                           "{\\pict\\dibitmap0 28000000}c{\\pict\\pngblip 00112233}d"
                           "{\\pict\\pngblip\\bin6 {}{}{}}e}";
    QTextDocument document;
    platform::readRtf(rtf, &document);
    EXPECT_EQ(imagesIn(document).count, 0);
    EXPECT_EQ(blockTexts(document), QStringList{QStringLiteral("abcde")});
}
