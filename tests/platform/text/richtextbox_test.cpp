// The rich text box: loading rich and plain files, saving, exchanging RTF,
// plain text with CR LF, and the background colour.
#include "platform/core/error.h"
#include "platform/text/ansi_text.h"
#include "platform/text/richtextbox.h"
#include "platform/text/rtf.h"
#include "platform/text/rtf_table.h"
#include "support/test_support.h"

#include <QFile>
#include <QSet>
#include <QTextFrame>
#include <QTextTable>
#include <QTextBlock>
#include <QTextCursor>
#include <gtest/gtest.h>

using platform::RichTextBox;
using testing_support::TempWorkDir;

namespace {

const QByteArray kPage = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                         "\\pard\\qc\\f0\\fs32\\b \\'b5\\'da\\'d2\\'bb\\'d2\\'b3\\b0\\par"
                         "\\pard\\fs21 \\'d5\\'fd\\'ce\\'c4\\'a3\\'ac\\'bd\\'e1\\'ca\\'f8\\'a1\\'a3\\par}";

bool boldAt(const RichTextBox& box, const QString& needle)
{
    const QTextCursor found = box.document()->find(needle);
    if (found.isNull())
        return false;
    QTextCursor c(box.document());
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat().fontWeight() >= QFont::Bold;
}

} // namespace

TEST(RichTextBox, LoadsRichTextFiles)
{
    TempWorkDir dir;
    dir.write("page.rtf", kPage);
    RichTextBox box;
    box.LoadFile(QStringLiteral("page.rtf"));
    EXPECT_EQ(box.Text(), QStringLiteral("第一页\r\n正文，结束。"));
    EXPECT_TRUE(boldAt(box, QStringLiteral("第一页")));
    EXPECT_FALSE(boldAt(box, QStringLiteral("正文")));
    EXPECT_EQ(box.document()->begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

TEST(RichTextBox, LoadsPlainTextInGbkOrUtf8)
{
    TempWorkDir dir;
    dir.write("gbk.txt", QByteArray::fromHex("d6d0cec4") + "\r\nline two\r\n{\\rtf not at the start");
    dir.write("utf8.txt", QStringLiteral("中文\nline two").toUtf8());
    dir.write("mac.txt", "one\rtwo");
    RichTextBox box;
    box.LoadFile(dir.file("gbk.txt"));
    EXPECT_EQ(box.Text(), QStringLiteral("中文\r\nline two\r\n{\\rtf not at the start"));
    box.LoadFile(dir.file("utf8.txt"));
    EXPECT_EQ(box.Text(), QStringLiteral("中文\r\nline two"));
    box.LoadFile(dir.file("mac.txt"));
    EXPECT_EQ(box.Text(), QStringLiteral("one\r\ntwo"));
}

TEST(RichTextBox, MissingFileThrowsAndKeepsTheContent)
{
    TempWorkDir dir;
    RichTextBox box;
    box.setText(QStringLiteral("kept"));
    try {
        box.LoadFile(QStringLiteral("missing.rtf"));
        FAIL() << "no error for a missing file";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::errc::FileNotFound);
        EXPECT_FALSE(e.description().isEmpty());
    }
    EXPECT_EQ(box.Text(), QStringLiteral("kept"));
}

TEST(RichTextBox, SaveFileWritesRtfThatLoadsBack)
{
    TempWorkDir dir;
    dir.write("abc.rtf", "an older, longer file that must be replaced completely by the new one");
    RichTextBox box;
    box.setTextRTF(kPage);
    box.SaveFile(QStringLiteral("abc.rtf"));
    const QByteArray saved = dir.read("abc.rtf");
    EXPECT_TRUE(saved.startsWith("{\\rtf1\\ansi\\ansicpg936"));
    EXPECT_TRUE(saved.trimmed().endsWith('}'));

    RichTextBox other;
    other.LoadFile(QStringLiteral("abc.rtf"));
    EXPECT_EQ(other.Text(), box.Text());
    EXPECT_TRUE(boldAt(other, QStringLiteral("第一页")));
}

TEST(RichTextBox, SaveFileIntoAMissingFolderThrows)
{
    TempWorkDir dir;
    RichTextBox box;
    box.setText(QStringLiteral("x"));
    try {
        box.SaveFile(dir.file("no/such/folder/abc.rtf"));
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::errc::PathNotFound);
    }
}

TEST(RichTextBox, TextRtfCopiesFormattedContent)
{
    RichTextBox help;
    help.setTextRTF(kPage);
    RichTextBox page;
    page.setText(QStringLiteral("something else"));
    page.setTextRTF(help.TextRTF());
    EXPECT_EQ(page.Text(), help.Text());
    EXPECT_TRUE(boldAt(page, QStringLiteral("第一页")));
}

TEST(RichTextBox, TextUsesCrLfAndLeavesPicturesOut)
{
    RichTextBox box;
    box.setTextRTF("{\\rtf1 one\\line two\\par\\par three}");
    EXPECT_EQ(box.Text(), QStringLiteral("one\r\ntwo\r\n\r\nthree"));
    box.setText(QStringLiteral("a\r\nb\nc"));
    EXPECT_EQ(box.Text(), QStringLiteral("a\r\nb\r\nc"));
    EXPECT_EQ(box.document()->blockCount(), 3);
    box.setText(QString());
    EXPECT_EQ(box.Text(), QString());
}

TEST(RichTextBox, BackColorSurvivesLoading)
{
    TempWorkDir dir;
    dir.write("page.rtf", kPage);
    RichTextBox box;
    box.setBackColor(QColor(255, 255, 192));
    EXPECT_EQ(box.BackColor(), QColor(255, 255, 192));
    box.LoadFile(QStringLiteral("page.rtf"));
    box.setTextRTF("{\\rtf1{\\colortbl;\\red0\\green0\\blue0;}\\cb1 x}");
    EXPECT_EQ(box.BackColor(), QColor(255, 255, 192));
    EXPECT_EQ(box.viewport()->palette().color(QPalette::Base), QColor(255, 255, 192));
}

TEST(RichTextBox, ReadOnlyButSelectableWithTheChineseDefaultFont)
{
    RichTextBox box;
    EXPECT_TRUE(box.textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(box.textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_EQ(box.font().family(), QStringLiteral("宋体"));
    box.setText(QStringLiteral("abc"));
    box.selectAll();
    EXPECT_EQ(box.textCursor().selectedText(), QStringLiteral("abc"));
}

TEST(RichTextBox, PlainTextAfterRichTextTakesTheBoxFontAndColour)
{
    // A large bold dark-red title first: the cursor rests in it after loading.
    TempWorkDir dir;
    dir.write("title.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red128\\green0\\blue0;}"
                           "\\pard\\qc\\f0\\fs48\\cf1\\b\\i\\ul Title\\par\\pard\\b0\\i0\\ulnone\\cf0 body\\par}");
    dir.write("plain.txt", platform::encodeAnsi(QStringLiteral("第二页\r\n正文")));
    RichTextBox box;
    const QFont design = box.document()->defaultFont();
    const QColor text = box.palette().color(QPalette::Text);
    for (const bool viaFile : {true, false}) {
        SCOPED_TRACE(viaFile ? "LoadFile" : "setText");
        box.LoadFile(dir.file("title.rtf"));
        ASSERT_TRUE(boldAt(box, QStringLiteral("Title")));
        if (viaFile)
            box.LoadFile(dir.file("plain.txt"));
        else
            box.setText(QStringLiteral("第二页\r\n正文"));
        ASSERT_EQ(box.Text(), QStringLiteral("第二页\r\n正文"));
        int checked = 0;
        for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next()) {
            EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                const QFont shown = f.font().resolve(design);
                EXPECT_EQ(shown.family(), design.family()) << it.fragment().text().toStdString();
                EXPECT_EQ(shown.pointSizeF(), design.pointSizeF());
                EXPECT_FALSE(shown.bold());
                EXPECT_FALSE(shown.italic());
                EXPECT_FALSE(shown.underline());
                EXPECT_EQ((f.foreground().style() == Qt::NoBrush ? text : f.foreground().color()).name(), text.name());
                ++checked;
            }
        }
        EXPECT_EQ(checked, 2);
        // What the user types or pastes next is in the design format too.
        EXPECT_FALSE(box.currentCharFormat().font().resolve(design).bold());
    }
}

namespace {

// How deep tables nest in a document, 0 without tables.
int tableDepth(QTextFrame* frame)
{
    int deepest = 0;
    for (QTextFrame* child : frame->childFrames())
        deepest = std::max(deepest, tableDepth(child) + (qobject_cast<QTextTable*>(child) ? 1 : 0));
    return deepest;
}

struct Shown {
    qsizetype characters = 0;
    qsizetype longestParagraph = 0;
    int fonts = 0;
    int tableDepth = 0;
};

Shown measure(const RichTextBox& box)
{
    Shown shown;
    QSet<QString> families;
    for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next()) {
        shown.characters += b.length();
        shown.longestParagraph = std::max<qsizetype>(shown.longestParagraph, b.length());
        for (auto it = b.begin(); !it.atEnd(); ++it)
            for (const QString& f : it.fragment().charFormat().fontFamilies().toStringList())
                families.insert(f);
    }
    shown.fonts = int(families.size());
    shown.tableDepth = tableDepth(box.document()->rootFrame());
    return shown;
}

} // namespace

TEST(RichTextBox, PagesTooLargeToLayOutAreCutAndSaySo)
{
    const QByteArray line = platform::encodeAnsi(QStringLiteral("亭台楼阁与花木泉石相映成趣。"));
    const QByteArray oneLine = line.repeated(3'000'000 / line.size());
    const QByteArray manyLines = (line + "\r\n").repeated(3'000'000 / line.size());
    QByteArray fonts = "{\\rtf1\\ansi{\\fonttbl", nested = "{\\rtf1\\ansi\\trowd\\cellx9000 ";
    for (int f = 0; f < 2000; ++f)
        fonts += "{\\f" + QByteArray::number(f) + "\\fnil Face" + QByteArray::number(f) + ";}";
    fonts += "}";
    for (int f = 0; f < 2000; ++f)
        fonts += "\\f" + QByteArray::number(f) + " ab ";
    for (int level = 1; level <= 60; ++level)
        nested += "\\pard\\intbl\\itap" + QByteArray::number(level) + " x" + QByteArray::number(level) + "\\nestcell ";
    for (int level = 60; level >= 2; --level)
        nested += "{\\*\\nesttableprops\\trowd\\cellx" + QByteArray::number(9000 - level * 100) + "\\nestrow}";
    const QByteArray longRtf = "{\\rtf1\\ansi " + QByteArray("words in a long rich text\\par ").repeated(40000);

    const struct {
        const char* name;
        QByteArray file;
        const char* note; // a word the note must hold; empty: the page shows whole
    } cases[] = {
        {"a real page", kPage, ""},
        {"plain text on one line", oneLine, "长行已分段"},
        {"plain text in many lines", manyLines, "文字过长"},
        {"rich text using many fonts", fonts + "}", "字体过多"},
        {"tables nested sixty deep", nested + "\\cell\\row}", "嵌套过深"},
        {"a long rich text", longRtf + "}", "文字过长"},
    };
    TempWorkDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("page.txt", c.file);
        RichTextBox box;
        box.LoadFile(QStringLiteral("page.txt"));
        const Shown shown = measure(box);
        if (!*c.note) {
            EXPECT_TRUE(box.loadNote().isEmpty());
            EXPECT_EQ(box.Text(), QStringLiteral("第一页\r\n正文，结束。"));
            continue;
        }
        EXPECT_TRUE(box.loadNote().contains(QString::fromUtf8(c.note))) << box.loadNote().toStdString();
        // What a window can lay out at once: a few hundred thousand characters,
        // no paragraph of tens of thousands, a few dozen faces, a few levels of tables.
        EXPECT_LE(shown.characters, platform::kMaxShownChars * 11 / 10);
        EXPECT_LT(shown.longestParagraph, 10'000);
        EXPECT_LE(shown.fonts, 100);
        EXPECT_LE(shown.tableDepth, platform::rtf::kMaxTableDepth);
        // Loading a real page afterwards shows it whole, with no note left behind.
        box.setTextRTF(kPage);
        EXPECT_TRUE(box.loadNote().isEmpty());
    }
}
