#pragma once
// What every fuzz target sets up once: an application on the offscreen
// platform, and a quiet log (broken files make Qt's decoders complain on
// every run).
#include <QApplication>
#include <QTemporaryDir>

namespace fuzz_app {

inline void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

inline void start(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    static QApplication app(*argc, *argv);
}

// A folder for the files a target writes, removed when the run ends.
inline QString scratch(const QString& name)
{
    static QTemporaryDir dir;
    return dir.filePath(name);
}

// A failed check: libFuzzer keeps the input that made it.
[[noreturn]] inline void fail(const QString& what)
{
    qInstallMessageHandler(nullptr);
    fprintf(stderr, "check failed: %s\n", what.toLocal8Bit().constData());
    abort();
}

} // namespace fuzz_app
