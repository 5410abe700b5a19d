// Decoding hostile text: 16 MB of bytes that are no GBK (bad bytes, digits
// after lead bytes that begin no four-byte character, four-byte codes that
// GB18030 leaves empty, four-byte characters of the planes above the first)
// against 16 MB of Chinese GBK text, decoded in the same run. A book's text
// file may hold anything; none of it should cost much more than real text.
#include "bench_util.h"
#include "platform/text/ansi_text.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <cstdio>

namespace {

constexpr int kBytes = 16 * 1024 * 1024;

QByteArray repeated(const QByteArray& unit) { return unit.repeated(kBytes / unit.size()); }

QByteArray chineseGbk()
{
    QRandomGenerator random(936);
    QByteArray bytes;
    bytes.reserve(kBytes);
    while (bytes.size() < kBytes) {
        // The GB2312 block: what Chinese text is mostly made of.
        bytes += char(0xb0 + random.bounded(0xf7 - 0xb0 + 1));
        bytes += char(0xa1 + random.bounded(0xfe - 0xa1 + 1));
        if (random.bounded(40) == 0)
            bytes += "\r\n";
    }
    return bytes;
}

double decodeMs(const QByteArray& bytes)
{
    std::vector<double> runs;
    for (int i = 0; i < 3; ++i)
        runs.push_back(bench::timeMs([&] { (void)platform::decodeAnsi(bytes); }));
    return bench::median(runs);
}

} // namespace

BENCH_PROGRAM(text_decoding)
{
    QCoreApplication app(argc, argv);
    const double baseline = decodeMs(chineseGbk());
    std::printf("Chinese GBK text, 16 MB: %.0f ms (baseline)\n", baseline);
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"bad bytes (0xFF)", repeated("\xff")},
        {"lead and digit, no four-byte character", repeated("\x81\x39\x0a\x0a")},
        {"four-byte codes GB18030 leaves empty", repeated("\xfe\x39\xfe\x39")},
        {"four-byte characters above the first plane", repeated("\x95\x32\x82\x36")},
    };
    for (const auto& c : cases) {
        const double ms = decodeMs(c.bytes);
        std::printf("%-45s %6.0f ms  %5.2f x baseline\n", c.what, ms, ms / baseline);
    }
    return 0;
}
