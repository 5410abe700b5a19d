// The voice object on espeak-ng: settings of its own, applied to the shared
// synthesizer at every Speak, samples converted and streamed to its sink.
#include "platform/core/error.h"
#include "platform/speech/espeak_engine.h"
#include "platform/speech/mandarin_numbers.h"
#include "platform/speech/sample_converter.h"
#include "platform/speech/voice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

int wordsPerMinuteForRate(int rate)
{
    // espeak-ng speaks no slower below about 85 words a minute, and at 450 it
    // changes its way of speeding up and starts out slower again. Each side of
    // its normal 175 is spread evenly (by ratio) up to those ends, so every step
    // is a like share faster than the one before.
    constexpr double kSlowest = 85.0;
    constexpr double kNormal = 175.0;
    constexpr double kFastest = 445.0;
    const int steps = std::clamp(rate, -10, 10);
    const double end = steps < 0 ? kSlowest : kFastest;
    return static_cast<int>(std::lround(kNormal * std::pow(end / kNormal, std::abs(steps) / 10.0)));
}

namespace {

// espeak's own volume moves in coarse steps (1 is silent, 2 and 3 sound the
// same), so it always speaks at its normal loudness and the samples are scaled
// here, in proportion to the volume.
void scaleToVolume(std::int16_t* samples, std::size_t count, int volume)
{
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(std::lround(samples[i] * (volume / 100.0)));
}

class EspeakVoice final : public SpVoice {
public:
    explicit EspeakVoice(std::unique_ptr<AudioSink> sink) : sink_(std::move(sink))
    {
        const QList<SpeechObjectToken> all = espeak_engine::voices();
        if (all.isEmpty())
            throw Error(errc::General, QStringLiteral("没有安装任何语音"));
        voice_ = all.first();
        // The output is not asked about the default format here: voices are
        // listed and chosen without any sound device, and speaking reports a
        // missing one.
    }

    QList<SpeechObjectToken> GetVoices(const QString&, const QString&) override
    {
        return espeak_engine::voices();
    }
    SpeechObjectToken Voice() const override { return voice_; }
    void setVoice(const SpeechObjectToken& token) override
    {
        for (const SpeechObjectToken& t : espeak_engine::voices()) {
            if (t.id == token.id) {
                voice_ = t;
                return;
            }
        }
        throw Error(errc::InvalidArgument, QStringLiteral("找不到语音 %1").arg(token.id));
    }

    int Rate() const override { return rate_; }
    void setRate(int rate) override
    {
        if (rate < -10 || rate > 10)
            throw Error(errc::InvalidArgument, QStringLiteral("语速超出范围 (-10..10): %1").arg(rate));
        rate_ = rate;
    }
    int Volume() const override { return volume_; }
    void setVolume(int volume) override
    {
        if (volume < 0 || volume > 100)
            throw Error(errc::InvalidArgument, QStringLiteral("音量超出范围 (0..100): %1").arg(volume));
        volume_ = volume;
    }

    // Our engine switches formats whenever asked; the flag is kept only to be
    // read back.
    void setAllowAudioOutputFormatChangesOnNextSet(bool allow) override { allowFormatChanges_ = allow; }

    int AudioOutputFormatType() const override { return formatType_; }
    void setAudioOutputFormatType(int formatType) override
    {
        const auto format = audioFormatForType(formatType);
        if (!format)
            throw Error(errc::InvalidArgument, QStringLiteral("无效的音频格式: %1").arg(formatType));
        sink_->checkFormat(*format);  // throws with the device's own words; the old format stays
        if (formatType != formatType_)
            converter_.reset();
        formatType_ = formatType;
    }

    // Nothing ever pauses this voice, so there is nothing to resume.
    void Resume() override {}

    int Speak(const QString& text, int) override
    {
        const int stream = ++streamNumber_;
        if (text.isEmpty())
            return stream;
        // Its Mandarin voice misreads digits; the words it reads right.
        const QString spoken =
            espeak_engine::readsMandarin(voice_.id) ? spellNumbersForMandarin(text).text : text;
        play([&](const SampleReceiver& receiver) { espeak_engine::synthesize(settings(), spoken, receiver); });
        return stream;
    }

    void SpeakPause(QChar mark) override
    {
        // The piece's own closing silence counts towards the pause.
        const std::size_t pause = espeak_engine::pauseSamples(settings(), mark);
        if (pause <= trailingQuiet_)
            return;
        const std::size_t samples = pause - trailingQuiet_;
        play([&](const SampleReceiver& receiver) {
            const std::vector<std::int16_t> silence(samples, 0);
            receiver(silence.data(), silence.size());
        });
    }

private:
    SynthesisSettings settings() const
    {
        SynthesisSettings settings;
        settings.voiceId = voice_.id.toUtf8();
        settings.wordsPerMinute = wordsPerMinuteForRate(rate_);
        return settings;
    }

    // Sends what `produce` makes, scaled to the volume and converted to the
    // output format, to the sink, and waits until it has been played.
    void play(const std::function<void(const SampleReceiver&)>& produce)
    {
        const AudioFormat format = *audioFormatForType(formatType_);
        if (!converter_)
            converter_ = std::make_unique<SampleConverter>(espeak_engine::sampleRate(), format);
        sink_->begin(format);
        trailingQuiet_ = 0;
        SampleConverter& converter = *converter_;
        AudioSink& sink = *sink_;
        const int volume = volume_;
        std::vector<std::int16_t> scaled;
        try {
            produce([&](const std::int16_t* samples, std::size_t count) {
                std::size_t quiet = 0;
                while (quiet < count && std::abs(samples[count - 1 - quiet]) <= kQuiet)
                    ++quiet;
                trailingQuiet_ = quiet == count ? trailingQuiet_ + count : quiet;
                if (volume != 100) {
                    scaled.assign(samples, samples + count);
                    scaleToVolume(scaled.data(), count, volume);
                    samples = scaled.data();
                }
                const std::vector<char> bytes = converter.convert(samples, count);
                if (!bytes.empty())
                    sink.write(bytes.data(), bytes.size());
            });
            const std::vector<char> rest = converter.flush();
            if (!rest.empty())
                sink.write(rest.data(), rest.size());
        } catch (...) {
            // The resampler may hold half a text; start the next one clean.
            converter_.reset();
            throw;
        }
        sink.finish();
    }

    std::unique_ptr<AudioSink> sink_;
    std::unique_ptr<SampleConverter> converter_;  // for formatType_, made on first use
    SpeechObjectToken voice_;
    int rate_ = 0;
    int volume_ = 100;
    int formatType_ = kDefaultAudioFormatType;
    bool allowFormatChanges_ = true;
    int streamNumber_ = 0;
    // Silent samples at the end of what was last played.
    std::size_t trailingQuiet_ = 0;
    // Quieter than this a sample is heard as silence (about -56 dBFS).
    static constexpr int kQuiet = 50;
};

} // namespace

std::unique_ptr<SpVoice> createSpVoice(std::unique_ptr<AudioSink> sink)
{
    if (!sink)
        throw Error(errc::ObjectNotSet, QStringLiteral("没有音频输出"));
    espeak_engine::ensureInitialised();
    return std::make_unique<EspeakVoice>(std::move(sink));
}

std::unique_ptr<SpVoice> createSpVoice() { return createSpVoice(createPortAudioSink()); }

VoiceFactory orEngineVoice(VoiceFactory given)
{
    if (given)
        return given;
    return [] { return createSpVoice(); };
}

} // namespace platform
