#pragma once
// Small helpers shared by the benchmark programs: medians, timing, memory.
#include "platform/core/program.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

// How busy a made-up photograph is: a colour gradient under this many
// random ellipses up to this size, saved as JPEG of this quality.
struct PhotoDetail {
    int ellipses = 400;
    int largestEllipse = 120;
    int quality = 85;
};
// A JPEG with the detail of a photograph, the same for the same seed.
bool writePhoto(const QString& path, const QSize& size, int seed, const PhotoDetail& detail);

// A benchmark's own main; the one bench program runs it by name.
using Program = int (*)(int argc, char** argv);
bool addProgram(const char* name, Program program);


// Benchmarks do not run beside the programs, where the helper programs lie.
inline void useThisBuildsHelpers() { platform::setHelperProgramFolder(QStringLiteral(AURELIS_HELPER_DIR)); }

// Benchmarks need no display: offscreen unless a platform was asked for. Call before QApplication.
inline void preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Milliseconds one call takes.
inline double timeMs(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

// Resident set size of this process, in kilobytes.
inline long rssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The most this process has ever held resident (VmHWM), in kilobytes.
inline long peakRssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace bench

// Begins a benchmark's main, as `int main(int argc, char** argv)` would.
#define BENCH_PROGRAM(name)                                                                                     \
    static int bench_main_##name(int argc, char** argv);                                                        \
    [[maybe_unused]] static const bool bench_added_##name = bench::addProgram(#name, bench_main_##name);       \
    static int bench_main_##name(int argc, char** argv)
