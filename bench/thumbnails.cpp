// The thumbnails window on a book of large photographs: its first screen of 24
// thumbnails against 24 cold page changes to the same pages, and the memory
// held after scrolling through 5000 pages against after the first screen.
#include "bench_util.h"

#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/speech/voice.h"
#include "platform/text/ansi_text.h"
#include "reader/frmmain.h"
#include "reader/frmthumbs.h"
#include "reader/picture_prefetch.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {
constexpr int kFiles = 48;   // distinct photographs; the rows repeat them
constexpr int kRows = 5000;
constexpr int kFirstScreen = 24;

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    // The window's thread sleeps between events, as in the program: a loop
    // that polls would take a core from the decoding threads.
    QTimer wake;
    wake.start(5);
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
} // namespace

BENCH_PROGRAM(thumbnails)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    platform::setUpChineseEnvironment(app);
    bench::useThisBuildsHelpers();
    platform::MessageBoxRecorder quiet;

    QTemporaryDir book;
    std::printf("writing %d photographs of 4000 x 3000...\n", kFiles);
    for (int i = 1; i <= kFiles; ++i)
        bench::writePhoto(book.filePath(QStringLiteral("p%1.jpg").arg(i)), QSize(4000, 3000), i, {600, 400, 88});
    QByteArray lines;
    for (int row = 1; row <= kRows; ++row)
        lines += platform::encodeAnsi(QStringLiteral("第%1页-p%2.jpg-\r\n").arg(row).arg((row - 1) % kFiles + 1));
    QFile cat(book.filePath(QStringLiteral("docitem.txt")));
    if (!cat.open(QIODevice::WriteOnly) || cat.write(lines) != lines.size())
        return 1;
    cat.close();
    QDir::setCurrent(book.path());
    platform::setScreenSizeOverride(QSizeF(1280 * 15, 1024 * 15));

    reader::frmmain w(reader::generalEdition(), [] { return std::unique_ptr<platform::SpVoice>(); });
    w.Form_Load();
    w.show();
    QApplication::processEvents();
    // Cold: nothing decoded ahead, every page read from its file.
    w.picturePrefetcher().setEnabled(false);
    const double pageChanges = bench::timeMs([&] {
        for (int row = 2; row <= kFirstScreen + 1; ++row) {
            w.listVW_ItemClick(row);
            QApplication::processEvents();
        }
    });

    w.menuThumbs->trigger();
    reader::FrmThumbs* thumbs = w.thumbsWindow();
    reader::ThumbnailModel* model = thumbs->model();
    thumbs->resize(6 * 184 + 30, 4 * 164 + 10);  // a screen of 24
    QElapsedTimer firstScreen;
    firstScreen.start();
    QApplication::processEvents();
    const bool ready = waitUntil([&] {
        for (int row = 0; row < kFirstScreen; ++row)
            if (model->data(model->index(row), Qt::DecorationRole).value<QImage>().pixel(80, 60)
                == model->data(model->index(kRows - 1), Qt::DecorationRole).value<QImage>().pixel(80, 60))
                return false;
        return true;
    }, 120000);
    const double screenMs = firstScreen.nsecsElapsed() / 1e6;
    waitUntil([&] { return model->isIdle(); }, 120000);
    const long afterFirst = bench::rssKb();

    QScrollBar* bar = thumbs->listThumbs->verticalScrollBar();
    constexpr int kStops = 60;
    for (int stop = 1; stop <= kStops; ++stop) {
        bar->setValue(static_cast<int>(qint64(bar->maximum()) * stop / kStops));
        QApplication::processEvents();
        waitUntil([&] { return model->isIdle(); }, 120000);
    }
    const long afterAll = bench::rssKb();

    std::printf("24 cold page changes: %.0f ms\n", pageChanges);
    std::printf("first screen of 24 thumbnails: %.0f ms%s\n", screenMs, ready ? "" : " (not all ready)");
    std::printf("ratio first screen / page changes: %.2f (goal <= 0.5)\n", screenMs / pageChanges);
    std::printf("memory after the first screen: %ld KB, after scrolling through %d pages: %ld KB\n", afterFirst, kRows,
                afterAll);
    std::printf("ratio memory: %.2f (goal <= 1.2)\n", double(afterAll) / double(afterFirst));
    return 0;
}
