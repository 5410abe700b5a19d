// Confirming the builder for a 1000-page book (1000 pictures of 200 KB, 1000
// texts of 20 KB) into an empty working folder, against cp copying the same
// files in the same run; and the peak memory of the whole run.
#include "bench_util.h"

#include "builder/frmfile.h"
#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/files/dir_list.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

namespace {
constexpr int kPages = 1000;

bool writeFile(const QString& path, qsizetype size, QRandomGenerator& random)
{
    QByteArray bytes(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == size;
}

double copyWithCp(const QString& from, const QStringList& names, const QString& to)
{
    QStringList args{QStringLiteral("-t"), to};
    for (const QString& n : names)
        args << QDir(from).filePath(n);
    return bench::timeMs([&] {
        QProcess cp;
        cp.start(QStringLiteral("cp"), args);
        cp.waitForFinished(-1);
        if (cp.exitCode() != 0)
            std::fprintf(stderr, "cp failed: %s\n", cp.readAllStandardError().constData());
    });
}

double writeWithBuilder(const QString& from, const QString& to)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(to);
    builder::frmFile form([] { return 0; });
    form.DirList->setPath(from);
    form.CmdChoice_Click();
    const double ms = bench::timeMs([&] { form.CmdOk_Click(); });
    QDir::setCurrent(previous);
    if (!QFile::exists(QDir(to).filePath(QStringLiteral("p0999.jpg"))))
        std::fprintf(stderr, "the builder did not copy the book\n");
    return ms;
}
}

BENCH_PROGRAM(book_writing)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    platform::setUpChineseEnvironment(app);
    platform::MessageBoxRecorder answers([](const platform::MsgRequest& r) {
        return r.buttons == platform::MsgButtons::YesNo ? platform::MsgResult::No : platform::MsgResult::OK;
    });

    QTemporaryDir source;
    QRandomGenerator random(2003);
    QStringList names;
    for (int i = 0; i < kPages; ++i) {
        const QString picture = QStringLiteral("p%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        const QString text = QStringLiteral("t%1.rtf").arg(i, 4, 10, QLatin1Char('0'));
        if (!writeFile(source.filePath(picture), 200 * 1024, random) || !writeFile(source.filePath(text), 20 * 1024, random))
            return 1;
        names << picture << text;
    }

    std::vector<double> cp, builder;
    for (int r = 0; r < 9; ++r) {
        // Alternating, each into a fresh empty folder that is removed again; each
        // starts with nothing left to write back from the run before.
        QTemporaryDir a, b;
        for (int k = 0; k < 2; ++k) {
            ::sync();
            if ((r + k) % 2)
                cp.push_back(copyWithCp(source.path(), names, a.path()));
            else
                builder.push_back(writeWithBuilder(source.path(), b.path()));
        }
    }
    // The machine's load drifts: each builder run is set against the cp run beside it.
    std::vector<double> ratios;
    for (size_t i = 0; i < cp.size(); ++i)
        ratios.push_back(builder[i] / cp[i]);
    const double c = bench::median(cp), w = bench::median(builder);
    std::printf("cp of %d files (220 MB):        %8.1f ms (median of %zu)\n", 2 * kPages, c, cp.size());
    std::printf("builder writing the same book: %8.1f ms (median of %zu)\n", w, builder.size());
    std::printf("ratio builder/cp: %.2f, median of the paired runs' ratios %.2f (goal <= 1.3)\n", w / c,
                bench::median(ratios));
    std::printf("peak memory (VmHWM): %.1f MB (goal < 100)\n", bench::peakRssKb() / 1024.0);
    return 0;
}
