// The writer: what it emits for WordPad-style readers, and that our reader
// gets the same text and formatting back.
#include "rtf_test_util.h"

#include <QImage>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>
#include <gtest/gtest.h>

using namespace text_test;

namespace {

QTextCharFormat chars(const QString& family, double points)
{
    QTextCharFormat format;
    format.setFontFamilies({family});
    format.setFontPointSize(points);
    return format;
}

// A small formatted page: a centred red bold title in 黑体, a justified indented
// paragraph with italic, underline and strike-out, and characters outside GBK.
void buildSample(QTextDocument& document)
{
    document.setDefaultFont(QFont(QStringLiteral("宋体"), 9));
    QTextCursor cursor(&document);
    QTextBlockFormat title;
    title.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(title);
    QTextCharFormat heading = chars(QStringLiteral("黑体"), 16);
    heading.setFontWeight(QFont::Bold);
    heading.setForeground(QColor(200, 0, 0));
    cursor.insertText(QStringLiteral("标题 Title"), heading);

    QTextBlockFormat body;
    body.setAlignment(Qt::AlignJustify);
    body.setLeftMargin(48);
    body.setRightMargin(24);
    body.setTextIndent(-12);
    body.setTopMargin(8);
    body.setBottomMargin(4);
    body.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    cursor.insertBlock(body);
    cursor.insertText(QStringLiteral("正文 "), chars(QStringLiteral("宋体"), 10.5));
    QTextCharFormat italic = chars(QStringLiteral("Arial"), 12);
    italic.setFontItalic(true);
    cursor.insertText(QStringLiteral("italic "), italic);
    QTextCharFormat underline = chars(QStringLiteral("宋体"), 12);
    underline.setFontUnderline(true);
    underline.setBackground(QColor(255, 255, 0));
    cursor.insertText(QStringLiteral("下划线"), underline);
    QTextCharFormat strike = chars(QStringLiteral("Arial"), 12);
    strike.setFontStrikeOut(true);
    cursor.insertText(QStringLiteral(" strike"), strike);

    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    cursor.insertBlock(right);
    cursor.insertText(QStringLiteral("€ ") + QString::fromUtf8("\xf0\x9f\x98\x80 \xf0\xa0\x80\x80")
                          + QStringLiteral(" a\\b{c}\ttab\u00a0nbsp"),
                      chars(QStringLiteral("宋体"), 9));
    cursor.insertBlock(QTextBlockFormat());
}

} // namespace

TEST(RtfWriter, EmitsWhatWordPadExpects)
{
    QTextDocument document;
    buildSample(document);
    const QByteArray rtf = platform::writeRtf(&document);
    EXPECT_TRUE(platform::looksLikeRtf(rtf));
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936\\deff0"));
    // Chinese font names in GBK in a charset-134 entry; Latin fonts as they are.
    EXPECT_TRUE(rtf.contains("\\fcharset134 \\'cb\\'ce\\'cc\\'e5;")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\fcharset134 \\'ba\\'da\\'cc\\'e5;"));
    EXPECT_TRUE(rtf.contains("\\fcharset0 Arial;"));
    EXPECT_TRUE(rtf.contains("{\\colortbl ;\\red200\\green0\\blue0;"));
    // Chinese as \uN with the GBK bytes as fallback; outside GBK with '?'.
    EXPECT_TRUE(rtf.contains("\\uc2\\u26631\\'b1\\'ea\\u-26472\\'cc\\'e2"));
    EXPECT_TRUE(rtf.contains("\\u-10179?\\u-8704?"));
    EXPECT_TRUE(rtf.contains("a\\\\b\\{c\\}\\tab tab\\~nbsp"));
    EXPECT_TRUE(rtf.contains("\\fs32\\b\\cf1 "));
    EXPECT_TRUE(rtf.contains("\\pard\\qc "));
    EXPECT_TRUE(rtf.contains("\\pard\\qj\\li720\\ri360\\fi-180\\sb120\\sa60\\sl360\\slmult1 "));
    // Pure 7-bit output, balanced braces.
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        EXPECT_LT(static_cast<unsigned char>(rtf[i]), 0x80);
        if (rtf[i] == '\\')
            ++i;
        else if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}')
            --depth;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
}

TEST(RtfWriter, RoundTripKeepsTextAndFormatting)
{
    QTextDocument original;
    buildSample(original);
    QTextDocument copy;
    platform::readRtf(platform::writeRtf(&original), &copy);

    EXPECT_EQ(blockTexts(copy), blockTexts(original));

    const QTextCharFormat title = formatOf(copy, QStringLiteral("标题"));
    EXPECT_EQ(familyOf(title), QStringLiteral("黑体"));
    EXPECT_EQ(title.fontPointSize(), 16);
    EXPECT_GE(title.fontWeight(), QFont::Bold);
    EXPECT_EQ(title.foreground().color(), QColor(200, 0, 0));
    EXPECT_EQ(blockFormatOf(copy, QStringLiteral("标题")).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    const QTextCharFormat body = formatOf(copy, QStringLiteral("正文"));
    EXPECT_EQ(familyOf(body), QStringLiteral("宋体"));
    EXPECT_EQ(body.fontPointSize(), 10.5);
    EXPECT_LT(body.fontWeight(), QFont::DemiBold);
    EXPECT_FALSE(body.fontItalic());

    const QTextCharFormat italic = formatOf(copy, QStringLiteral("italic"));
    EXPECT_EQ(familyOf(italic), QStringLiteral("Arial"));
    EXPECT_TRUE(italic.fontItalic());
    EXPECT_EQ(italic.fontPointSize(), 12);

    const QTextCharFormat underline = formatOf(copy, QStringLiteral("下划线"));
    EXPECT_TRUE(underline.fontUnderline());
    EXPECT_EQ(underline.background().color(), QColor(255, 255, 0));
    EXPECT_TRUE(formatOf(copy, QStringLiteral("strike")).fontStrikeOut());
    EXPECT_FALSE(formatOf(copy, QStringLiteral("italic")).fontStrikeOut());

    const QTextBlockFormat paragraph = blockFormatOf(copy, QStringLiteral("正文"));
    EXPECT_EQ(paragraph.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    EXPECT_DOUBLE_EQ(paragraph.leftMargin(), 48);
    EXPECT_DOUBLE_EQ(paragraph.rightMargin(), 24);
    EXPECT_DOUBLE_EQ(paragraph.textIndent(), -12);
    EXPECT_DOUBLE_EQ(paragraph.topMargin(), 8);
    EXPECT_DOUBLE_EQ(paragraph.bottomMargin(), 4);
    EXPECT_EQ(paragraph.lineHeightType(), QTextBlockFormat::ProportionalHeight);
    EXPECT_DOUBLE_EQ(paragraph.lineHeight(), 150);
    EXPECT_EQ(blockFormatOf(copy, QStringLiteral("tab")).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST(RtfWriter, WritingTwiceGivesTheSameBytes)
{
    QTextDocument original;
    buildSample(original);
    const QByteArray first = platform::writeRtf(&original);
    QTextDocument copy;
    copy.setDefaultFont(original.defaultFont());
    platform::readRtf(first, &copy);
    EXPECT_EQ(platform::writeRtf(&copy), first);
}

TEST(RtfWriter, ImagesRoundTrip)
{
    QTextDocument original;
    QImage image(5, 7, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    original.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:blue")), image);
    QTextCursor cursor(&original);
    cursor.insertText(QStringLiteral("x"));
    QTextImageFormat format;
    format.setName(QStringLiteral("mem:blue"));
    format.setWidth(10);
    format.setHeight(14);
    cursor.insertImage(format);
    cursor.insertText(QStringLiteral("y"));

    QTextDocument copy;
    platform::readRtf(platform::writeRtf(&original), &copy);
    int images = 0;
    for (auto it = copy.begin().begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        if (!f.isImageFormat())
            continue;
        ++images;
        const QTextImageFormat read = f.toImageFormat();
        EXPECT_DOUBLE_EQ(read.width(), 10);
        EXPECT_DOUBLE_EQ(read.height(), 14);
        const QImage back = copy.resource(QTextDocument::ImageResource, QUrl(read.name())).value<QImage>();
        EXPECT_EQ(back.size(), QSize(5, 7));
        EXPECT_EQ(back.pixelColor(2, 3), QColor(Qt::blue));
    }
    EXPECT_EQ(images, 1);
    EXPECT_EQ(copy.begin().text().remove(QChar::ObjectReplacementCharacter), QStringLiteral("xy"));
}

TEST(RtfWriter, EmptyDocumentRoundTrips)
{
    QTextDocument empty;
    QTextDocument copy;
    copy.setPlainText(QStringLiteral("old"));
    platform::readRtf(platform::writeRtf(&empty), &copy);
    EXPECT_EQ(blockTexts(copy), QStringList{QString()});
}
