// The book markup, its layout as rich text, and the books compiled into the
// title editions, checked for the structure every entry document must have.
#include "editions/books/book.h"
#include "support/test_support.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>

using namespace books;
using testing_support::blockTexts;

namespace {
QStringList headings(const BookDocument& b)
{
    QStringList out;
    for (const BookSection& s : b.sections)
        out << s.heading;
    return out;
}

QTextCharFormat firstFormat(const QTextBlock& b) { return b.begin().fragment().charFormat(); }

const QString kEntry = QStringLiteral(
    "# 某篇\n> 〔唐〕某人\n## 原文\n甲乙，丙丁。\n戊己。\n## 注释\n〔1〕甲乙：解释。\n〔2〕戊（wù）：又一解释。\n"
    "## 译文\n第一段译文。\n第二段译文。\n");
}

TEST(BookMarkup, ParsesTitleBylinesSectionsAndParagraphs)
{
    struct Case {
        const char* name;
        QString text;
        QString title;
        QStringList bylines, headings;
        int paragraphs;  // over all sections
    };
    const Case cases[] = {
        {"entry", kEntry, "某篇", {"〔唐〕某人"}, {"原文", "注释", "译文"}, 6},
        {"CR LF, BOM and blank lines", QChar(0xFEFF) + QString(kEntry).replace("\n", "\r\n\r\n"), "某篇",
         {"〔唐〕某人"}, {"原文", "注释", "译文"}, 6},
        {"introduction with free sections", "# 书名\n> 甲\n> 乙\n## 本书简介\n一段。\n## 使用说明\n二段。\n三段。\n",
         "书名", {"甲", "乙"}, {"本书简介", "使用说明"}, 3},
        {"no title: text before a section is kept", "无题的一段。\n## 原文\n正文。\n", "", {}, {"", "原文"}, 2},
        {"a second title line and late byline are paragraphs", "# 一\n## 原文\n# 二\n> 三\n", "一", {}, {"原文"}, 2},
        {"markup needs its space", "#一\n##二\n>三\n### 四\n", "", {}, {""}, 4},
        {"empty", "", "", {}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BookDocument b = parseBookMarkup(c.text);
        EXPECT_EQ(b.title, c.title);
        EXPECT_EQ(b.bylines, c.bylines);
        EXPECT_EQ(headings(b), c.headings);
        int paragraphs = 0;
        for (const BookSection& s : b.sections) {
            paragraphs += static_cast<int>(s.paragraphs.size());
            for (const QString& p : s.paragraphs)
                EXPECT_FALSE(p.endsWith('\r') || p.trimmed().isEmpty()) << p.toStdString();
        }
        EXPECT_EQ(paragraphs, c.paragraphs);
    }
}

TEST(BookMarkup, LaysAnEntryOutAsFormattedRichText)
{
    QTextDocument doc;
    doc.setPlainText("old content");
    renderBookDocument(parseBookMarkup(kEntry), &doc);
    ASSERT_EQ(blockTexts(doc), QStringList({"某篇", "〔唐〕某人", "原文", "甲乙，丙丁。", "戊己。", "注释", "〔1〕甲乙：解释。",
                                            "〔2〕戊（wù）：又一解释。", "译文", "第一段译文。", "第二段译文。"}));
    auto block = [&](int n) { return doc.findBlockByNumber(n); };
    auto points = [&](int n) { return firstFormat(block(n)).fontPointSize(); };
    const QTextBlock title = block(0), byline = block(1), heading = block(2), original = block(3), note = block(6),
                     translation = block(9);

    EXPECT_TRUE(title.blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(byline.blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_EQ(firstFormat(title).fontWeight(), QFont::Bold);
    EXPECT_NE(firstFormat(title).foreground().color(), QColor(Qt::black));
    EXPECT_EQ(firstFormat(heading).fontWeight(), QFont::Bold);
    // The title is the largest type; the notes the smallest.
    for (int n = 1; n < doc.blockCount(); ++n)
        EXPECT_GT(points(0), points(n)) << n;
    EXPECT_GT(points(3), points(9));  // original above the translation
    EXPECT_LT(points(6), points(9));  // notes below it
    EXPECT_LT(points(7), points(9));
    // The original stands apart: its own typeface and indented on both sides.
    EXPECT_NE(firstFormat(original).fontFamilies(), firstFormat(translation).fontFamilies());
    EXPECT_GT(original.blockFormat().leftMargin(), translation.blockFormat().leftMargin());
    EXPECT_GT(original.blockFormat().rightMargin(), translation.blockFormat().rightMargin());
    EXPECT_EQ(firstFormat(block(4)), firstFormat(original));
    EXPECT_EQ(firstFormat(block(10)), firstFormat(translation));
    // A note's number stands out from its text.
    QTextBlock::iterator part = note.begin();
    const QColor markColor = part.fragment().charFormat().foreground().color();
    EXPECT_EQ(part.fragment().text(), "〔1〕");
    ++part;
    ASSERT_FALSE(part.atEnd());
    EXPECT_NE(part.fragment().charFormat().foreground().color(), markColor);
}

TEST(BuiltInBookFolder, EntriesRunFromZeroOneToTheFirstGap)
{
    testing_support::TempWorkDir dir;
    dir.write("intro.txt", "# 书\n## 简介\n一段。\n");
    dir.write("01.txt", "# 一\n");
    dir.write("02.txt", "# 二\n");
    dir.write("04.txt", "# 四\n");
    const BuiltInBook book = loadBuiltInBook(dir.path());
    EXPECT_EQ(book.introduction.title, "书");
    ASSERT_EQ(book.entries.size(), 2);
    EXPECT_EQ(book.entries[1].title, "二");

    const BuiltInBook none = loadBuiltInBook(dir.file("no such folder"));
    EXPECT_TRUE(none.entries.isEmpty());
    EXPECT_TRUE(none.introduction.title.isEmpty());
}

// The books the programs carry. Their texts are edited by hand, so every entry is
// checked for the shape the reader and the format promise.
TEST(CompiledInBooks, EveryEntryHasTheOriginalNotesAndTranslationInShape)
{
    struct Book {
        const char* folder;
        int entries;
        const char* lastTitle;
    };
    for (const Book& expected : {Book{":/books/varnholt", 14, "史记·孙子列传"}, Book{":/books/meriton", 6, "小石潭记"}}) {
        SCOPED_TRACE(expected.folder);
        const BuiltInBook book = loadBuiltInBook(expected.folder);
        EXPECT_FALSE(book.introduction.title.isEmpty());
        EXPECT_FALSE(book.introduction.sections.isEmpty());
        ASSERT_EQ(book.entries.size(), expected.entries);
        EXPECT_EQ(book.entries.last().title, QString::fromUtf8(expected.lastTitle));

        for (const BookDocument& entry : book.entries) {
            SCOPED_TRACE(entry.title.toStdString());
            EXPECT_FALSE(entry.title.isEmpty());
            EXPECT_FALSE(entry.bylines.isEmpty());
            ASSERT_EQ(headings(entry), QStringList({kSectionOriginal, kSectionNotes, kSectionTranslation}));
            const QStringList& original = entry.sections[0].paragraphs;
            const QStringList& notes = entry.sections[1].paragraphs;
            const QStringList& translation = entry.sections[2].paragraphs;
            EXPECT_FALSE(original.isEmpty());
            EXPECT_FALSE(notes.isEmpty());
            // The translation follows the original paragraph for paragraph.
            EXPECT_EQ(translation.size(), original.size());
            // Paragraphed as an annotated edition prints the text, not a chapter run into one
            // block. A modern rendering is longer than the classical paragraph it stands beside:
            // a shorter one has lost text or was split in the wrong place.
            for (int k = 0; k < original.size(); ++k) {
                EXPECT_LE(original[k].size(), 400) << original[k].left(12).toStdString();
                if (k < translation.size()) {
                    EXPECT_GT(translation[k].size(), original[k].size()) << translation[k].left(12).toStdString();
                }
            }
            // The classical text as printed: full-width punctuation, nothing added.
            for (const QString& p : original)
                for (const QChar c : p)
                    EXPECT_TRUE(c.unicode() >= 0x80 && !c.isSpace() && c != QChar(0x3014))
                        << "original holds U+" << std::hex << c.unicode() << " in " << p.toStdString();
            // Notes numbered in reading order: 〔n〕word：explanation.
            for (int n = 0; n < notes.size(); ++n) {
                const QString mark = QStringLiteral("〔%1〕").arg(n + 1);
                EXPECT_TRUE(notes[n].startsWith(mark)) << notes[n].toStdString();
                EXPECT_GT(notes[n].indexOf(QChar(0xFF1A)), mark.size()) << notes[n].toStdString();
            }
        }
    }
}
