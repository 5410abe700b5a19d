// libFuzzer target: any bytes through the RTF reader, and what the writer
// makes of the result back through the reader.
#include "platform/text/rtf.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

namespace {
// Broken pictures make Qt's image plugins complain on every run; keep the log readable.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTextDocument document;
    platform::readRtf(bytes, &document);
    const QByteArray written = platform::writeRtf(&document);
    QTextDocument again;
    platform::readRtf(written, &again);
    return 0;
}
