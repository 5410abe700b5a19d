// A page change to a metafile page (WMF and EMF from the shared corpus)
// against the same page change to a PNG of the size the window shows; and a
// zoom step on a page just shown, on the metafile page against the PNG page:
// what the window shows at the step, and apart from the ratio, how long until
// the metafile's exact drawing at the new size shows.
#include "bench_util.h"

#include "platform/core/listview.h"
#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"
#include "platform/speech/voice.h"
#include "platform/text/ansi_text.h"
#include "reader/frmmain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

// Everyday drawings and diagrams, with and without text.
const char* const kMetafiles[] = {
    "metafile/Pillow/drawing.emf",
    "metafile/poi/wrench.emf",
    "metafile/tika/testEMF.emf",
    "metafile/libemf2svg/emf/test-001.emf",
    "metafile/rtf.js/emf-test-files/image-1/source.emf",
    "metafile/poi/SimpleEMF_windows.emf",
    "metafile/Pillow/drawing.wmf",
    "metafile/libwmf/text.wmf",
    "metafile/libwmf/p0000016.wmf",
    "metafile/libwmf/sample2.wmf",
    "metafile/poi/64716_image2.wmf",
    "metafile/libwmf/formula1.wmf",
};

QString corpusFile(const char* relative)
{
    return QStringLiteral(AURELIS_CORPUS_DIR "/") + QString::fromLatin1(relative);
}

// Writes a book of one page per file; returns false when a file is missing.
bool writeBook(const QString& folder, const QStringList& pictures)
{
    QFile cat(QDir(folder).filePath(QStringLiteral("docitem.txt")));
    if (!cat.open(QIODevice::WriteOnly))
        return false;
    for (int i = 0; i < pictures.size(); ++i) {
        const QString text = QStringLiteral("t%1.txt").arg(i + 1);
        QFile t(QDir(folder).filePath(text));
        if (!t.open(QIODevice::WriteOnly))
            return false;
        t.write(platform::encodeAnsi(QStringLiteral("第%1页的说明。").arg(i + 1)));
        cat.write(platform::encodeAnsi(QStringLiteral("第%1页-%2-%3\r\n").arg(i + 1).arg(pictures[i], text)));
    }
    return true;
}

// Processor time of this process's children still running (the metafile
// helpers stay running between drawings), from the scheduler's nanoseconds.
double runningChildrenMs()
{
    double ms = 0;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(QStringLiteral("/proc/self/task/%1/children").arg(task));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& child : children.readAll().split(' ')) {
            QFile schedule(QStringLiteral("/proc/%1/schedstat").arg(QString::fromLatin1(child.trimmed())));
            if (!child.trimmed().isEmpty() && schedule.open(QIODevice::ReadOnly))
                ms += schedule.readAll().split(' ').value(0).toDouble() / 1e6;
        }
    }
    return ms;
}

// Processor time of this process and of its children, ended or running: on
// a busy machine the clock also counts the waits.
double cpuMs()
{
    const double running = runningChildrenMs();
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return running + ms(self.ru_utime) + ms(self.ru_stime) + ms(children.ru_utime) + ms(children.ru_stime);
}

struct Cost {
    double wallMs;
    double cpuMs;
    double exactMs; // until the exact drawing is shown
};

// Waits for the exact drawing the window asked for, if any, and paints it.
void showExact(reader::frmmain& w)
{
    while (w.ImgPic->drawingPending())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    w.ImgPic->repaint();
}

// Medians of `step` over every page of the book, with the page painted
// after it; `before` runs untimed ahead of each step.
Cost timeSteps(const QString& folder, int rounds, const std::function<void(reader::frmmain&)>& before,
               const std::function<void(reader::frmmain&)>& step)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    reader::frmmain w(reader::generalEdition(), [] { return std::unique_ptr<platform::SpVoice>(); });
    w.Form_Load();
    w.show();
    QApplication::processEvents();
    const int pages = w.listVW->count();
    for (int i = 0; i < pages; ++i) // once round the book first: plugins, fonts, file cache
        w.CmdPic_Click(5);
    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<double> exact;
    for (int r = 0; r < rounds * pages; ++r) {
        before(w);
        const double start = cpuMs();
        QElapsedTimer clock;
        clock.start();
        step(w);
        w.ImgPic->repaint();
        wall.push_back(double(clock.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMs() - start);
        showExact(w);
        exact.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    QDir::setCurrent(previous);
    return {bench::median(wall), bench::median(cpu), bench::median(exact)};
}

// A next-page click.
Cost pageChange(const QString& folder, int rounds)
{
    return timeSteps(folder, rounds, [](reader::frmmain&) {}, [](reader::frmmain& w) { w.CmdPic_Click(5); });
}

// One step larger on the page just turned to, fitted to the window: the
// picture is wanted at a size not drawn yet.
Cost zoomStep(const QString& folder, int rounds)
{
    return timeSteps(
        folder, rounds,
        [](reader::frmmain& w) {
            w.CmdPic_Click(5);
            showExact(w);
        },
        [](reader::frmmain& w) { w.menuPicLarge_Click(); });
}

void report(const char* what, const Cost& png, const Cost& metafile)
{
    std::printf("%s on a PNG page:      %7.2f ms, processor %7.2f ms (medians)\n", what, png.wallMs, png.cpuMs);
    std::printf("%s on a metafile page: %7.2f ms, processor %7.2f ms (medians, %zu WMF and EMF files)\n", what,
                metafile.wallMs, metafile.cpuMs, std::size(kMetafiles));
    std::printf("%s ratio metafile/PNG: %.2f, processor %.2f\n", what, metafile.wallMs / png.wallMs,
                metafile.cpuMs / png.cpuMs);
}

} // namespace

BENCH_PROGRAM(metafile_page)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    platform::setUpChineseEnvironment(app);
    bench::useThisBuildsHelpers();
    platform::MessageBoxRecorder quiet;
    platform::setScreenSizeOverride(QSizeF(1280 * 15, 1024 * 15));

    QTemporaryDir metafileBook, pngBook;
    QStringList metafiles, pngs;
    for (const char* file : kMetafiles) {
        // A "-" would cut the catalogue line.
        const QString name =
            QFileInfo(QString::fromLatin1(file)).fileName().replace(QLatin1Char('-'), QLatin1Char('_'));
        metafiles << QStringLiteral("m%1_%2").arg(metafiles.size() + 1).arg(name);
        if (!QFile::copy(corpusFile(file), metafileBook.filePath(metafiles.last()))) {
            std::fprintf(stderr, "missing corpus file %s\n", file);
            return 1;
        }
        // The baseline page: the metafile as the window shows it, stored as a PNG.
        const platform::Picture picture = platform::Picture::load(metafileBook.filePath(metafiles.last()));
        const QSize shown = picture.naturalPixels().scaled(QSize(1000, 700), Qt::KeepAspectRatio);
        pngs << QStringLiteral("p%1.png").arg(pngs.size() + 1);
        picture.image(shown).save(pngBook.filePath(pngs.last()));
    }
    if (!writeBook(metafileBook.path(), metafiles) || !writeBook(pngBook.path(), pngs))
        return 1;

    report("page change", pageChange(pngBook.path(), 5), pageChange(metafileBook.path(), 5));
    const Cost pngZoom = zoomStep(pngBook.path(), 5);
    const Cost metafileZoom = zoomStep(metafileBook.path(), 5);
    report("zoom step", pngZoom, metafileZoom);
    std::printf("zoom step until the exact drawing shows: PNG %7.2f ms, metafile %7.2f ms (medians)\n",
                pngZoom.exactMs, metafileZoom.exactMs);
    return 0;
}
