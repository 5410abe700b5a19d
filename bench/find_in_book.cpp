// Find in the book: searching a 1000-page book of 20 KB texts against loading
// every text into a text box once (RichTextBox::LoadFile, the reader's own page
// text step), measured in the same run on the same files.
//
// The book mixes what catalogues hold: GBK rich text (Chinese as \'hh pairs and
// as \uN escapes, several fonts, sizes, colours), GBK plain text and UTF-8 text.
//
// Figures:
//   cold   first search of the book: every text read from disk, decoded, rich
//          text read as plain text, folded, and searched (fresh cache);
//   warm   a later search: each file's size and time looked up on disk, the
//          kept texts searched;
//   window a later search through the find window: the worker thread, the
//          hand-over of the hits and the list filled, typing pause not counted.
#include "bench_util.h"
#include "platform/text/ansi_text.h"
#include "platform/text/codepage.h"
#include "platform/text/richtextbox.h"
#include "reader/book_search.h"
#include "reader/frmfind.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kPages = 1000;
constexpr int kTextBytes = 20 * 1024;

const QString& pool()
{
    static const QString chars = QStringLiteral(
        "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而"
        "方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好应"
        "开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命"
        "此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求"
        "老头基资边流路级少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处队南给色光"
        "，。、；：？！");
    return chars;
}

QString chinese(QRandomGenerator& random, int length)
{
    QString text;
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text += pool().at(random.bounded(pool().size()));
    return text;
}

void appendEscaped(QByteArray& rtf, const QString& text, bool unicodeEscapes)
{
    static const char hex[] = "0123456789abcdef";
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            rtf += static_cast<char>(c.unicode());
            continue;
        }
        if (unicodeEscapes)
            rtf += "\\u" + QByteArray::number(c.unicode() > 32767 ? int(c.unicode()) - 65536 : int(c.unicode()));
        for (char b : platform::codepage::gbkDoubleByte(c.unicode())) {
            const auto byte = static_cast<unsigned char>(b);
            rtf += "\\'";
            rtf += hex[byte >> 4];
            rtf += hex[byte & 15];
        }
    }
}

QByteArray richPage(QRandomGenerator& random, int page)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
                     "{\\f1\\fnil\\fcharset134 \\'ba\\'da\\'cc\\'e5;}{\\f2\\fswiss\\fcharset0 Arial;}}"
                     "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green0\\blue192;}"
                     "\\viewkind4\\uc1\\pard\\qc\\f1\\fs36\\cf2 ";
    appendEscaped(rtf, QStringLiteral("第%1页").arg(page), false);
    rtf += "\\par\\pard\\qj\\f0\\fs24\\cf1 ";
    int paragraph = 0;
    while (rtf.size() < kTextBytes) {
        const int runs = 3 + random.bounded(5);
        for (int r = 0; r < runs; ++r) {
            const bool latin = random.bounded(6) == 0;
            rtf += "{\\f" + QByteArray::number(latin ? 2 : random.bounded(2)) + "\\fs"
                   + QByteArray::number(20 + 2 * random.bounded(6));
            if (random.bounded(4) == 0)
                rtf += "\\b";
            rtf += "\\cf" + QByteArray::number(1 + random.bounded(3)) + ' ';
            if (latin)
                rtf += "Latin words, page " + QByteArray::number(page) + ". ";
            else
                appendEscaped(rtf, chinese(random, 10 + random.bounded(50)), r % 2 == 1);
            rtf += "}";
        }
        rtf += "\\par\r\n";
        ++paragraph;
    }
    return rtf + "}";
}

QString plainPage(QRandomGenerator& random, int page)
{
    QString text = QStringLiteral("第%1页\r\n").arg(page);
    // GBK takes two bytes a Chinese character.
    while (text.size() * 2 < kTextBytes) {
        text += chinese(random, 40 + random.bounded(80));
        if (random.bounded(5) == 0)
            text += QStringLiteral(" Latin words, page %1.").arg(page);
        text += QStringLiteral("\r\n");
    }
    return text;
}

} // namespace

BENCH_PROGRAM(find_in_book)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);

    QTemporaryDir folder;
    QDir dir(folder.path());
    QRandomGenerator random(936);
    std::vector<reader::BookPage> pages;
    qint64 bytes = 0;
    int rich = 0, gbk = 0, utf8 = 0;
    for (int k = 1; k <= kPages; ++k) {
        QByteArray content;
        QString name;
        if (k % 2 == 0) {
            content = richPage(random, k);
            name = QStringLiteral("t%1.rtf").arg(k);
            ++rich;
        } else if (k % 10 == 1) {
            content = plainPage(random, k).toUtf8();
            name = QStringLiteral("t%1.txt").arg(k);
            ++utf8;
        } else {
            content = platform::encodeAnsi(plainPage(random, k));
            name = QStringLiteral("t%1.txt").arg(k);
            ++gbk;
        }
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return 1;
        bytes += content.size();
        reader::BookPage page;
        page.number = k;
        page.title = QStringLiteral("第%1页").arg(k);
        page.textFile = dir.filePath(name);
        pages.push_back(page);
    }
    std::printf("book: %d pages, %d GBK rich text, %d GBK plain, %d UTF-8 plain, %.1f MB, %.1f KB a page\n", kPages,
                rich, gbk, utf8, bytes / 1048576.0, bytes / 1024.0 / kPages);

    // Baseline: every page text into the reader's text box, once.
    platform::RichTextBox box;
    box.resize(600, 400);
    box.show();
    QApplication::processEvents();
    const double loadMs = bench::timeMs([&] {
        for (const reader::BookPage& page : pages)
            box.LoadFile(page.textFile);
    });

    // Cold: a fresh cache, as the first search after the book is opened.
    const QString queries[] = {QStringLiteral("天下"), QStringLiteral("latin WORDS"), QStringLiteral("国家"),
                               QStringLiteral("的"), QStringLiteral("没有这几个字")};
    std::vector<double> cold;
    int coldHits = 0;
    for (int run = 0; run < 3; ++run) {
        reader::PageTextCache cache;
        cold.push_back(bench::timeMs([&] { coldHits = reader::searchBook(pages, queries[0], cache).total; }));
    }

    reader::PageTextCache cache;
    reader::searchBook(pages, queries[0], cache);  // reads every text into the cache
    std::vector<double> warm;
    for (int run = 0; run < 3; ++run)
        for (const QString& query : queries)
            warm.push_back(bench::timeMs([&] { reader::searchBook(pages, query, cache); }));

    // Through the window: its worker thread, the result handed back, the list filled.
    reader::FindTarget target;
    target.pages = [&] { return pages; };
    reader::FrmFind window(target);
    window.show();
    std::vector<double> throughWindow;
    // Round 0 reads the texts into the window's own cache and is not counted.
    for (int run = 0; run < 4; ++run) {
        for (const QString& query : queries) {
            bool shown = false;
            const auto connection = QObject::connect(&window, &reader::FrmFind::resultShown, [&] { shown = true; });
            const double ms = bench::timeMs([&] {
                window.TxtFind->setText(query);
                window.TxtFind_Enter();  // now, without the typing pause
                while (!shown)
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            });
            if (run > 0)
                throughWindow.push_back(ms);
            QObject::disconnect(connection);
        }
    }

    const double coldMs = bench::median(cold);
    const double warmMs = bench::median(warm);
    const double windowMs = bench::median(throughWindow);
    std::printf("load every text into a text box once:  %9.1f ms\n", loadMs);
    std::printf("search, cold cache (median of 3):       %9.1f ms  (%d hits of \"%s\")\n", coldMs, coldHits,
                queries[0].toUtf8().constData());
    std::printf("search, warm cache (median of %zu):      %9.1f ms\n", warm.size(), warmMs);
    std::printf("search through the find window, warm:   %9.1f ms\n", windowMs);
    std::printf("ratio cold/load   %.3f   (target < 0.30)\n", coldMs / loadMs);
    std::printf("ratio warm/load   %.3f   (target < 0.30)\n", warmMs / loadMs);
    std::printf("ratio window/load %.3f   (target < 0.30)\n", windowMs / loadMs);
    return 0;
}
