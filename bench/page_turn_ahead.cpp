// A page turn whose picture was decoded ahead against one that reads and
// decodes the picture itself, for a book of large photos and one of screen-
// sized ones; and memory over 500 page turns with the decoding ahead.
#include "bench_util.h"

#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/speech/voice.h"
#include "platform/text/ansi_text.h"
#include "platform/text/richtextbox.h"
#include "reader/frmmain.h"
#include "reader/picture_prefetch.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <numeric>

namespace {

// A book of `pages` pages with pictures of the given size and a line of text each.
bool writeBook(const QString& folder, int pages, const QSize& size)
{
    QFile cat(QDir(folder).filePath(QStringLiteral("docitem.txt")));
    if (!cat.open(QIODevice::WriteOnly))
        return false;
    for (int i = 1; i <= pages; ++i) {
        const QString picture = QDir(folder).filePath(QStringLiteral("p%1.jpg").arg(i));
        bench::writePhoto(picture, size, i, {400, size.width() / 8, 85});
        QFile t(QDir(folder).filePath(QStringLiteral("t%1.txt").arg(i)));
        if (t.open(QIODevice::WriteOnly))
            t.write(platform::encodeAnsi(QStringLiteral("第%1页，园林是把自然山水浓缩在方寸之间的艺术。").arg(i)));
        cat.write(platform::encodeAnsi(QStringLiteral("第%1页-p%1.jpg-t%1.txt\r\n").arg(i)));
    }
    return true;
}

void waitIdle(reader::frmmain& w)
{
    while (!w.picturePrefetcher().isIdle()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    QApplication::processEvents();
}

// One page turn as the user sees it: the button, the picture and the text drawn.
double pageTurnMs(reader::frmmain& w)
{
    return bench::timeMs([&] {
        w.CmdPic_Click(5);
        w.ImgPic->repaint();
        w.RTBoxShow[0]->viewport()->repaint();
    });
}

struct Result {
    double cold = 0, ahead = 0, inFlight = 0;
    int turnsAhead = 0, hits = 0, turnsInFlight = 0, adopted = 0;
};

Result measure(reader::frmmain& w, int rounds, int turnsPerRound)
{
    reader::PicturePrefetcher& prefetcher = w.picturePrefetcher();
    std::vector<double> cold, ahead;
    Result r;
    for (int round = 0; round < rounds; ++round) {
        prefetcher.setEnabled(false);
        for (int i = 0; i < turnsPerRound; ++i)
            cold.push_back(pageTurnMs(w));
        prefetcher.setEnabled(true);
        prefetcher.schedule();
        for (int i = 0; i < turnsPerRound; ++i) {
            waitIdle(w);
            const int hits = prefetcher.hits();
            ahead.push_back(pageTurnMs(w));
            r.hits += prefetcher.hits() - hits;
            ++r.turnsAhead;
        }
    }
    r.cold = bench::median(cold);
    r.ahead = bench::median(ahead);
    return r;
}

// A reader who turns again before the next picture is decoded. The decode
// ahead starts as the page shows; the next turn comes at moments spread
// evenly over one cold turn's time after that, as a reader's would fall
// anywhere in the decode. The mean is what such a turn costs on average.
void measureInFlight(reader::frmmain& w, int turns, Result& r)
{
    reader::PicturePrefetcher& prefetcher = w.picturePrefetcher();
    prefetcher.setEnabled(true);
    std::vector<double> times;
    for (int i = 0; i < turns; ++i) {
        waitIdle(w);
        w.CmdPic_Click(5);
        // The decode ahead is asked for once the window has handled the turn.
        QApplication::processEvents();
        const double pauseMs = r.cold * (i + 0.5) / turns;
        QThread::usleep(static_cast<unsigned long>(pauseMs * 1000));
        const int adopted = prefetcher.adopted();
        times.push_back(pageTurnMs(w));
        r.adopted += prefetcher.adopted() - adopted;
        ++r.turnsInFlight;
    }
    r.inFlight = std::accumulate(times.begin(), times.end(), 0.0) / static_cast<double>(times.size());
}

void memoryOver500Turns(reader::frmmain& w, const char* name)
{
    w.picturePrefetcher().setEnabled(true);
    for (int i = 0; i < 50; ++i) {
        waitIdle(w);
        w.CmdPic_Click(5);
    }
    waitIdle(w);
    const long rss50 = bench::rssKb();
    for (int i = 0; i < 450; ++i) {
        waitIdle(w);
        w.CmdPic_Click(5);
    }
    waitIdle(w);
    const long rss500 = bench::rssKb();
    std::printf("%s: RSS after 50 page turns %ld KB, after 500 %ld KB, growth %.1f %% (goal: flat, <= 10 %%)\n", name,
                rss50, rss500, 100.0 * (rss500 - rss50) / rss50);
}

} // namespace

BENCH_PROGRAM(page_turn_ahead)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    platform::setUpChineseEnvironment(app);
    platform::MessageBoxRecorder quiet;
    platform::setScreenSizeOverride(QSizeF(1280 * 15, 1024 * 15));

    const struct {
        const char* name;
        QSize size;
        int pages, rounds, turns;
    } books[] = {
        {"4000x3000 JPEG", QSize(4000, 3000), 8, 3, 8},
        {"1024x768 JPEG", QSize(1024, 768), 20, 3, 20},
    };
    bool allMet = true;
    for (const auto& b : books) {
        QTemporaryDir folder;
        if (!writeBook(folder.path(), b.pages, b.size))
            return 1;
        QDir::setCurrent(folder.path());
        reader::frmmain w(reader::generalEdition(), [] { return std::unique_ptr<platform::SpVoice>(); });
        w.Form_Load();
        w.show();
        QApplication::processEvents();
        waitIdle(w);

        Result r = measure(w, b.rounds, b.turns);
        measureInFlight(w, 2 * b.turns, r);
        const double ratio = r.ahead / r.cold;
        const double inFlightRatio = r.inFlight / r.cold;
        allMet = allMet && ratio <= 0.3 && inFlightRatio <= 0.6;
        std::printf("%s: page turn, cold %7.2f ms, decoded ahead %6.2f ms (medians; %d of %d turns found "
                    "the picture ready)\n",
                    b.name, r.cold, r.ahead, r.hits, r.turnsAhead);
        std::printf("%s: ratio ahead/cold: %.3f (goal <= 0.3)\n", b.name, ratio);
        std::printf("%s: turn while the decode ahead runs: %6.2f ms (mean over moments 0..%.1f ms after it began; "
                    "%d of %d took its picture)\n",
                    b.name, r.inFlight, r.cold, r.adopted, r.turnsInFlight);
        std::printf("%s: ratio in flight/cold: %.3f (goal <= 0.6)\n", b.name, inFlightRatio);
        memoryOver500Turns(w, b.name);
        QDir::setCurrent(QDir::tempPath());
    }
    return allMet ? 0 : 2;
}
