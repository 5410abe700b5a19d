// Start-up of the reader with a 32767-page catalogue against an empty one.
#include "bench_util.h"

#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/speech/voice.h"
#include "platform/text/ansi_text.h"
#include "reader/frmmain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {
double startOnce(const QString& folder)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    const double ms = bench::timeMs([] {
        reader::frmmain w(reader::generalEdition(), [] { return std::unique_ptr<platform::SpVoice>(); });
        w.Form_Load();
        w.show();
        QApplication::processEvents();
    });
    QDir::setCurrent(previous);
    return ms;
}
}

BENCH_PROGRAM(startup)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    platform::setUpChineseEnvironment(app);
    platform::MessageBoxRecorder quiet;

    QTemporaryDir empty, full;
    QFile f(full.filePath(QStringLiteral("docitem.txt")));
    if (!f.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 1; i <= 32767; ++i)
        f.write(platform::encodeAnsi(QStringLiteral("第%1页-p%1.jpg-t%1.rtf\r\n").arg(i)));
    f.close();

    startOnce(empty.path());  // warm up fonts, styles and caches
    std::vector<double> base, big;
    for (int r = 0; r < 7; ++r) {
        base.push_back(startOnce(empty.path()));
        big.push_back(startOnce(full.path()));
    }
    const double b = bench::median(base), g = bench::median(big);
    std::printf("start-up, empty catalogue:      %8.1f ms (median of %zu)\n", b, base.size());
    std::printf("start-up, 32767-page catalogue: %8.1f ms (median of %zu)\n", g, big.size());
    std::printf("ratio big/empty: %.2f (goal <= 1.5)\n", g / b);
    return 0;
}
