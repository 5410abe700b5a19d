// What a listener hears where read-aloud cuts a page: the demo book's first
// page is read by the reading run through the real engine into memory, and
// the silence at every piece boundary is set against the pause espeak-ng
// makes itself at the same separator when it reads a sentence in one go
// (the baseline).
// Then the phonemes espeak-ng makes of a few numbers, as they are written and
// as the voice hands them to it.
#include "bench_util.h"
#include "platform/core/error.h"
#include "platform/speech/espeak_engine.h"
#include "platform/speech/mandarin_numbers.h"
#include "platform/speech/voice.h"
#include "platform/text/richtextbox.h"
#include "speech/read_aloud.h"

#include <espeak-ng/speak_lib.h>

#include <QApplication>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const QString kFirstPage = QStringLiteral(AURELIS_SAMPLES_DIR "/book/p01_overview.rtf");

// Samples this quiet count as silence (about -56 dBFS).
constexpr int kQuiet = 50;

class MemorySink : public platform::AudioSink {
public:
    explicit MemorySink(std::vector<qint16>& samples) : samples_(samples) {}
    void checkFormat(const platform::AudioFormat&) override {}
    void begin(const platform::AudioFormat& f) override
    {
        if (f.bitsPerSample != 16 || f.channels != 1)
            throw platform::Error(platform::errc::General, QStringLiteral("16-bit mono only"));
        rate_ = f.sampleRate;
    }
    void write(const char* data, std::size_t bytes) override
    {
        const auto* s = reinterpret_cast<const qint16*>(data);
        samples_.insert(samples_.end(), s, s + bytes / 2);
    }
    void finish() override {}
    int rate() const { return rate_; }

private:
    std::vector<qint16>& samples_;
    int rate_ = 22050;
};

bool quiet(qint16 s) { return std::abs(int(s)) <= kQuiet; }

// The length of the silent run around a position, in milliseconds.
double silenceAround(const std::vector<qint16>& s, std::size_t at, int rate)
{
    std::size_t from = std::min(at, s.size()), to = from;
    while (from > 0 && quiet(s[from - 1]))
        --from;
    while (to < s.size() && quiet(s[to]))
        ++to;
    return 1000.0 * double(to - from) / rate;
}

// The longest silent run inside the sound (not at its ends), in milliseconds.
double longestPause(const std::vector<qint16>& s, int rate)
{
    std::size_t i = 0, longest = 0;
    while (i < s.size() && quiet(s[i]))
        ++i;
    while (i < s.size()) {
        std::size_t j = i;
        while (j < s.size() && quiet(s[j]))
            ++j;
        if (j < s.size())
            longest = std::max(longest, j - i);
        i = j == i ? j + 1 : j;
    }
    return 1000.0 * double(longest) / rate;
}

void printSpread(const char* what, std::vector<double> v)
{
    if (v.empty()) {
        std::printf("  %-34s none\n", what);
        return;
    }
    std::sort(v.begin(), v.end());
    std::printf("  %-34s %3zu   min %6.1f ms   median %6.1f ms   max %6.1f ms\n", what, v.size(), v.front(),
                bench::median(v), v.back());
}

QString phonemes(const QByteArray& voiceId, const QString& text)
{
    espeak_SetVoiceByName(voiceId.constData());
    const QByteArray utf8 = text.toUtf8();
    const void* rest = utf8.constData();
    QStringList clauses;
    while (rest)
        if (const char* p = espeak_TextToPhonemes(&rest, espeakCHARS_UTF8, 0))
            clauses << QString::fromUtf8(p);
    return clauses.join(QLatin1Char(' '));
}

} // namespace

BENCH_PROGRAM(speech_pauses)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    try {
        platform::RichTextBox box;
        const QString page = kFirstPage;
        box.LoadFile(page);
        const QString text = box.Text();
        const QStringList pieces = speech::SplitForSpeech(text);
        std::printf("speech pauses benchmark: %s, %d characters, %d pieces\n", qPrintable(page), int(text.size()),
                    int(pieces.size()));

        const QChar separator = speech::CutForSpeech(text).separator;
        // The baseline: espeak's own pause at that separator, in one go.
        const QString sentence = QStringLiteral("今天天气很好%1我们一起去公园").arg(separator);
        for (int rate : {0, -5, 5}) {
            std::vector<qint16> run, whole;
            int sampleRate = 22050;
            std::vector<std::size_t> starts;
            {
                auto sink = std::make_unique<MemorySink>(run);
                MemorySink* s = sink.get();
                auto voice = platform::createSpVoice(std::move(sink));
                voice->setRate(rate);
                QPushButton button(speech::kCaptionRead);
                speech::ReadTextAloud(text, &button, voice.get(), speech::ReadFailureMode::Silent,
                                      [&](int, speech::TextSpan) { starts.push_back(run.size()); });
                sampleRate = s->rate();
            }
            {
                auto voice = platform::createSpVoice(std::make_unique<MemorySink>(whole));
                voice->setRate(rate);
                voice->Speak(sentence, 0);
            }
            std::vector<double> boundaries;
            for (std::size_t k = 1; k < starts.size(); ++k)
                boundaries.push_back(silenceAround(run, starts[k], sampleRate));
            const double own = longestPause(whole, sampleRate);
            std::printf("rate %d\n", rate);
            printSpread("silence at piece boundaries", boundaries);
            std::printf("  %-34s       %6.1f ms\n", "espeak's own pause there, one go", own);
            if (!boundaries.empty() && own > 0)
                std::printf("  ratio of median boundary to espeak's pause: %.3f  (goal 0.9 .. 1.1)\n",
                            bench::median(boundaries) / own);
        }

        const QByteArray mandarin = platform::espeak_engine::voices().first().id.toUtf8();
        std::printf("phonemes in %s: as written -> as the voice hands them over\n", mandarin.constData());
        for (const char* number : {"2003年", "105", "1024"}) {
            const QString written = QString::fromUtf8(number);
            std::printf("  %-8s %s\n           %s\n", number, qPrintable(phonemes(mandarin, written)),
                        qPrintable(phonemes(mandarin, platform::spellNumbersForMandarin(written).text)));
        }
    } catch (const platform::Error& e) {
        std::printf("failed: %s\n", e.description().toUtf8().constData());
        return 1;
    }
    return 0;
}
