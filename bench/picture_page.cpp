// One page change's picture work (load, fit into the box, decode at the
// fitted size, paint once) against decoding the whole file the plain way.
// Prints medians and their ratio for a camera-sized photo and a screen-sized one.
#include "bench_util.h"
#include "platform/picture/imageview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using bench::median;
using bench::timeMs;

// Gradients under per-pixel noise: compresses like a photograph, not like a
// flat test card.
QImage photoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator rng(20240601);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(rng.bounded(48)) - 24;
            const int r = x * 255 / width + n;
            const int g = y * 255 / height + n;
            const int b = ((x + y) * 255 / (width + height) + (x / 37 % 2) * 40) + n;
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

struct Result {
    double pageMs;
    double plainMs;
    // The page change's parts: Picture::load, image() at the fitted size, painting.
    double loadMs;
    double imageMs;
    double paintMs;
};

Result measure(const QString& path, int runs)
{
    const QSize box(1000, 700);
    QImage canvas(box, QImage::Format_ARGB32_Premultiplied);
    platform::ImageView view;

    std::vector<double> loadMs, imageMs, paintMs;
    auto pageChange = [&] {
        QElapsedTimer step;
        step.start();
        const platform::Picture picture = platform::Picture::load(path);
        loadMs.push_back(step.nsecsElapsed() / 1e6);
        step.restart();
        const QSize fitted = picture.naturalPixels().scaled(box, Qt::KeepAspectRatio);
        picture.image(fitted); // what the window asks for when it lays the page out
        imageMs.push_back(step.nsecsElapsed() / 1e6);
        step.restart();
        view.setPicture(picture);
        view.resize(fitted);
        canvas.fill(Qt::white);
        view.render(&canvas, QPoint((box.width() - fitted.width()) / 2, (box.height() - fitted.height()) / 2),
                    QRegion(), QWidget::DrawChildren);
        paintMs.push_back(step.nsecsElapsed() / 1e6);
    };
    auto plainRead = [&] {
        QImageReader reader(path);
        const QImage image = reader.read();
        if (image.isNull())
            std::fprintf(stderr, "baseline failed to read %s\n", qPrintable(path));
    };

    pageChange(); // warm the file cache and the plugins for both
    plainRead();
    std::vector<double> page;
    std::vector<double> plain;
    for (int i = 0; i < runs; ++i) {
        page.push_back(timeMs(pageChange));
        plain.push_back(timeMs(plainRead));
    }
    return {median(page), median(plain), median(loadMs), median(imageMs), median(paintMs)};
}

void report(const char* name, const Result& r, double goal)
{
    const double ratio = r.pageMs / r.plainMs;
    std::printf("%-10s page change %8.1f ms (load %.1f, image %.1f, paint %.1f)   full decode %8.1f ms   "
                "ratio %.2f (goal <= %.1f) %s\n",
                name, r.pageMs, r.loadMs, r.imageMs, r.paintMs, r.plainMs, ratio, goal, ratio <= goal ? "ok" : "MISSED");
}

} // namespace

BENCH_PROGRAM(picture_page)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString large = dir.filePath(QStringLiteral("camera.jpg"));
    const QString small = dir.filePath(QStringLiteral("screen.jpg"));
    if (!photoLike(4000, 3000).save(large, "JPEG", 85) || !photoLike(1024, 768).save(small, "JPEG", 85)) {
        std::fprintf(stderr, "could not write the test photos\n");
        return 1;
    }
    report("4000x3000", measure(large, 9), 0.5);
    report("1024x768", measure(small, 21), 1.2);
    return 0;
}
