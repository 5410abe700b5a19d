// Finding text in a book's pages, below the find window: matching, the words
// around a hit, and a book of rich and plain texts in GBK and UTF-8 on disk.
#include "platform/text/ansi_text.h"
#include "reader/book_search.h"
#include "support/gbk_rtf.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace reader;

using testing_support::gbkRtf;
using testing_support::s;

TEST(BookSearch, MatchesFoldCaseAndWidthAndDoNotOverlap)
{
    struct Case {
        const char16_t* text;
        const char16_t* query;
        std::vector<int> hits;
    } const cases[] = {
        {u"孙子曰：兵者，国之大事", u"兵者", {4}},
        {u"Qt and QT and qt", u"qt", {0, 7, 14}},
        {u"Qt and QT and qt", u"QT", {0, 7, 14}},
        {u"ＡＢＣ全角abc", u"abc", {0, 5}},
        {u"ＡＢＣ全角abc", u"ａＢｃ", {0, 5}},
        {u"Ça va, ÇA VA", u"ça", {0, 7}},
        {u"东风　夜放花千树", u"风 夜", {1}},   // ideographic space typed as a plain one
        {u"aaaa", u"aa", {0, 2}},
        {u"第一页\n第二页", u"页\n第", {2}},
        {u"没有这个词", u"词语", {}},
        {u"", u"词", {}},
        {u"有文字", u"", {}},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const QString query = QString::fromUtf16(c.query);
        EXPECT_EQ(findAll(foldForSearch(text), foldForSearch(query)), c.hits) << s(text) << " / " << s(query);
        // Folding keeps every position: the hit is found again in the unfolded text.
        const int last = c.hits.empty() ? -1 : c.hits.back();
        EXPECT_EQ(nthHit(text, query, 99), last) << s(text);
        if (!c.hits.empty()) {
            EXPECT_EQ(nthHit(text, query, 0), c.hits.front()) << s(text);
        }
    }
    // Text without anything to fold is not copied.
    const QString chinese = QString::fromUtf8("床前明月光");
    EXPECT_TRUE(foldForSearch(chinese).isSharedWith(chinese));
}

TEST(BookSearch, ContextIsTheWordsAroundTheHitOnOneLine)
{
    struct Case {
        const char16_t* text;
        int offset, length, before, after;
        const char16_t* context;
    } const cases[] = {
        {u"一二三四五六七八九十", 4, 1, 2, 2, u"…三四五六七…"},
        {u"一二三四五六七八九十", 0, 2, 2, 2, u"一二三四…"},
        {u"一二三四五六七八九十", 8, 2, 3, 5, u"…六七八九十"},
        {u"甲\n\n乙丙\t丁", 3, 1, 5, 5, u"甲 乙丙 丁"},
        {u"𠀀𠀁X", 4, 1, 1, 0, u"…𠀁X"},     // a surrogate pair is never cut
        {u"短", 5, 3, 2, 2, u"短"},              // a position past the end is held to the text
    };
    for (const Case& c : cases)
        EXPECT_EQ(s(hitContext(QString::fromUtf16(c.text), c.offset, c.length, c.before, c.after)),
                  s(QString::fromUtf16(c.context)))
            << s(QString::fromUtf16(c.text)) << " at " << c.offset;
}

TEST(BookSearch, BookOfRichAndPlainTextsInGbkAndUtf8)
{
    testing_support::TempWorkDir dir;
    dir.write("p1.rtf", gbkRtf(QStringLiteral("春眠不觉晓，\nSpring sleep knows no dawn.")));
    dir.write("p2.txt", platform::encodeAnsi(QStringLiteral("处处闻啼鸟。\r\n处处。")));
    dir.write("p3.txt", QStringLiteral("昨夜来风雨声，花落知多少。SPRING").toUtf8());
    QDir(dir.path()).mkdir("p5.txt");  // a folder where a text should be
    const auto page = [&](int n, const char* title, const char* file) {
        BookPage p;
        p.number = n;
        p.title = QString::fromUtf8(title);
        if (*file)
            p.textFile = QDir(dir.path()).absoluteFilePath(QString::fromUtf8(file));
        return p;
    };
    BookPage builtIn;
    builtIn.number = 7;
    builtIn.title = QStringLiteral("内置");
    builtIn.text = QStringLiteral("spring 在书里");
    const std::vector<BookPage> book = {page(1, "春晓", "p1.rtf"), page(2, "啼鸟", "p2.txt"),
                                        page(3, "风雨", "p3.txt"), page(4, "缺页", "p4.txt"),
                                        page(5, "文件夹", "p5.txt"), page(6, "无文字", ""), builtIn,
                                        page(8, "设备", "/dev/zero")};  // never ends: not read at all
    PageTextCache cache;

    const SearchResult spring = searchBook(book, QStringLiteral("spring"), cache);
    ASSERT_EQ(spring.hits.size(), 3u);
    EXPECT_EQ(spring.total, 3);
    EXPECT_EQ(spring.pagesWithHits, 3);
    EXPECT_EQ(spring.pagesUnreadable, 3);  // missing file, folder, device; a page without a file is no fault
    EXPECT_FALSE(spring.cancelled);
    const SearchHit& rich = spring.hits[0];
    EXPECT_EQ(rich.page, 1);
    EXPECT_EQ(s(rich.title), "春晓");
    EXPECT_EQ(rich.offset, 7);  // after "春眠不觉晓，" and the paragraph end
    EXPECT_EQ(s(rich.context), "春眠不觉晓， Spring sleep knows no dawn.");
    EXPECT_EQ(spring.hits[1].page, 3);
    EXPECT_EQ(s(spring.hits[1].context), "…夜来风雨声，花落知多少。SPRING");
    EXPECT_EQ(spring.hits[2].page, 7);

    const SearchResult twice = searchBook(book, QStringLiteral("处处"), cache, {}, 1);
    EXPECT_EQ(twice.total, 2);
    ASSERT_EQ(twice.hits.size(), 1u);  // listing stops at the limit, counting does not
    EXPECT_EQ(twice.hits[0].page, 2);
    EXPECT_EQ(twice.hits[0].ordinal, 0);
    EXPECT_EQ(s(searchBook(book, QStringLiteral("处。"), cache).hits.at(0).context), "处处闻啼鸟。 处处。");

    // Texts are read once; a file changed on disk is read again.
    EXPECT_EQ(cache.reads(), 6);
    dir.write("p2.txt", platform::encodeAnsi(QStringLiteral("改过的第二页，处处不同")));
    const SearchResult changed = searchBook(book, QStringLiteral("处处"), cache);
    EXPECT_EQ(cache.reads(), 7);
    ASSERT_EQ(changed.hits.size(), 1u);
    EXPECT_EQ(s(changed.hits[0].context), "改过的第二页，处处不同");

    // A file that appears later is found; pages no longer in the book are forgotten.
    dir.write("p4.txt", QByteArray("spring again"));
    EXPECT_EQ(searchBook(book, QStringLiteral("spring"), cache).total, 4);
    cache.keepOnly({dir.file("p1.rtf")});
    EXPECT_EQ(cache.size(), 1);

    const SearchResult stopped = searchBook(book, QStringLiteral("spring"), cache, [] { return true; });
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.hits.empty());
}

TEST(BookSearch, TheCacheKeepsWithinItsBytesWhateverTheBookHolds)
{
    testing_support::TempWorkDir dir;
    // A page text of a megabyte with one hit at its end: 2 MB as characters.
    const auto bigText = [](char tag) { return QByteArray(1 << 20, tag) + " needle"; };
    dir.write("big.txt", bigText('a'));
    for (int k = 0; k < 12; ++k)
        dir.write(QStringLiteral("own%1.txt").arg(k), bigText(char('b' + k)));
    std::vector<BookPage> links, distinct;
    for (int k = 0; k < 30; ++k) {
        const QString link = dir.file(QStringLiteral("link%1.txt").arg(k));
        ASSERT_TRUE(QFile::link(dir.file("big.txt"), link));
        BookPage page;
        page.number = k + 1;
        page.textFile = link;
        links.push_back(page);
    }
    for (int k = 0; k < 12; ++k) {
        BookPage page;
        page.number = k + 1;
        page.textFile = dir.file(QStringLiteral("own%1.txt").arg(k));
        distinct.push_back(page);
    }

    struct Case {
        const char* name;
        const std::vector<BookPage>* pages;
        qint64 budget;
        int readsFirst;   // files read by the first search
        int readsSecond;  // and by the same search again
    };
    const Case cases[] = {
        // Thirty names of one text: read once, kept once.
        {"links to one text", &links, 3 << 20, 1, 0},
        // Texts that do not fit together: the oldest go, so each is read again.
        {"texts beyond the budget", &distinct, 3 << 20, 12, 12},
        // A text larger than the budget is searched and let go, never kept.
        {"a text beyond the whole budget", &links, 1 << 20, 30, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PageTextCache cache(c.budget);
        qint64 mostHeld = 0;
        const auto watch = [&] {
            mostHeld = std::max(mostHeld, cache.heldBytes());
            return false;
        };
        for (int round = 0; round < 2; ++round) {
            const SearchResult found = searchBook(*c.pages, QStringLiteral("NEEDLE"), cache, watch);
            mostHeld = std::max(mostHeld, cache.heldBytes());
            EXPECT_EQ(found.total, static_cast<int>(c.pages->size()));
            EXPECT_EQ(found.pagesUnreadable, 0);
            EXPECT_EQ(cache.reads(), c.readsFirst + (round == 1 ? c.readsSecond : 0));
        }
        EXPECT_LE(mostHeld, c.budget);
        // Something is kept whenever a text fits at all.
        EXPECT_EQ(cache.size() > 0, c.budget > (2 << 20));
    }
}
