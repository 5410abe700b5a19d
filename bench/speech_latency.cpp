// How soon the voice starts and whether reading a page keeps pace with its sound.
// The sink consumes samples at real-time pace, as a sound card without a
// buffer would: each write sleeps for the chunk's playing time.
//  (a) Speak of a 30-character Chinese piece: time to its first sample against
//      the piece's playing time (goal: <= 50 ms and <= 0.02 of it).
//  (b) a 10-piece page read by the reading run: wall time against the summed
//      playing time (goal: <= 1.05).
#include "bench_util.h"
#include "platform/core/error.h"
#include "platform/speech/voice.h"
#include "speech/read_aloud.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>

#include <cstdio>

namespace {

class PacedSink : public platform::AudioSink {
public:
    struct Stats {
        qint64 firstSampleNs = -1;  // since the mark
        double playedSeconds = 0;
    };
    explicit PacedSink(Stats& stats) : stats_(stats) {}
    void mark(const QElapsedTimer* clock) { clock_ = clock; }

    void checkFormat(const platform::AudioFormat&) override {}
    void begin(const platform::AudioFormat& f) override { format_ = f; }
    void write(const char*, std::size_t bytes) override
    {
        if (stats_.firstSampleNs < 0 && clock_)
            stats_.firstSampleNs = clock_->nsecsElapsed();
        const double seconds = double(bytes) / format_.bytesPerFrame() / format_.sampleRate;
        stats_.playedSeconds += seconds;
        QThread::usleep(static_cast<unsigned long>(seconds * 1e6));
    }
    void finish() override {}

private:
    Stats& stats_;
    const QElapsedTimer* clock_ = nullptr;
    platform::AudioFormat format_;
};

struct PacedVoice {
    PacedSink::Stats stats;
    PacedSink* sink = nullptr;
    std::unique_ptr<platform::SpVoice> voice;
    PacedVoice()
    {
        auto s = std::make_unique<PacedSink>(stats);
        sink = s.get();
        voice = platform::createSpVoice(std::move(s));
    }
};

const QString kPage = QStringLiteral(
    "春天来了，小草从地下探出头来，柳树抽出嫩绿的枝条，桃花也开了，"
    "蜜蜂在花丛中忙着采蜜，孩子们在田野里放风筝，老人坐在树下聊天，"
    "小河里的冰都化了，鱼儿在水中游来游去，一切都显得那么生机勃勃");

} // namespace

BENCH_PROGRAM(speech_latency)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);

    const QString piece = QStringLiteral("春天来了万物复苏小草从地下探出头来柳树抽出嫩绿的枝条桃花也开了蜜蜂").left(30);
    try {
        std::printf("speech latency benchmark (espeak-ng, real-time paced sink)\n");
        std::printf("(a) first sample of a %d-character piece\n", int(piece.size()));
        for (int format : {22, 37}) {
            std::vector<double> latencies, durations;
            for (int run = 0; run < 3; ++run) {
                PacedVoice v;
                v.voice->setAudioOutputFormatType(format);
                QElapsedTimer clock;
                v.sink->mark(&clock);
                clock.start();
                v.voice->Speak(piece, 0);
                latencies.push_back(v.stats.firstSampleNs / 1e6);
                durations.push_back(v.stats.playedSeconds * 1000.0);
            }
            const double latency = bench::median(latencies);
            const double duration = bench::median(durations);
            std::printf("  %-20s first sample %7.2f ms   piece plays %8.1f ms   ratio %.5f  (goal <= 50 ms, <= 0.02)  %s\n",
                        platform::audioFormatCaption(format).toUtf8().constData(), latency, duration,
                        latency / duration, latency <= 50.0 && latency / duration <= 0.02 ? "ok" : "MISSED");
        }

        std::printf("(b) a %d-piece page through the reading run\n", int(speech::SplitForSpeech(kPage).size()));
        PacedVoice v;
        QPushButton button(speech::kCaptionRead);
        const double wallMs = bench::timeMs(
            [&] { speech::ReadTextAloud(kPage, &button, v.voice.get(), speech::ReadFailureMode::Silent); });
        const double audioMs = v.stats.playedSeconds * 1000.0;
        const double ratio = wallMs / audioMs;
        std::printf("  wall %9.1f ms   summed playing time %9.1f ms   ratio %.4f  (goal <= 1.05)  %s\n", wallMs,
                    audioMs, ratio, ratio <= 1.05 ? "ok" : "MISSED");
    } catch (const platform::Error& e) {
        std::printf("speech engine unavailable: %s\n", e.description().toUtf8().constData());
        return 1;
    }
    return 0;
}
