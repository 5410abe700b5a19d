#include "platform/speech/audio_format.h"

#include <array>

namespace platform {

namespace {
struct RateName {
    int hz;
    const char* name;
};
constexpr std::array<RateName, 9> kRates{{
    {8000, "8kHz"}, {11025, "11kHz"}, {12000, "12kHz"}, {16000, "16kHz"}, {22050, "22kHz"},
    {24000, "24kHz"}, {32000, "32kHz"}, {44100, "44kHz"}, {48000, "48kHz"},
}};
}

std::optional<AudioFormat> audioFormatForType(int formatType)
{
    if (formatType < kFirstAudioFormatType || formatType > kLastAudioFormatType)
        return std::nullopt;
    const int index = formatType - kFirstAudioFormatType;
    const int kind = index % 4;
    AudioFormat f;
    f.sampleRate = kRates[static_cast<size_t>(index / 4)].hz;
    f.bitsPerSample = kind < 2 ? 8 : 16;
    f.channels = kind % 2 == 0 ? 1 : 2;
    return f;
}

QString audioFormatCaption(int formatType)
{
    const auto f = audioFormatForType(formatType);
    if (!f)
        return QString();
    const int index = formatType - kFirstAudioFormatType;
    return QStringLiteral("%1 %2Bit %3")
        .arg(QLatin1String(kRates[static_cast<size_t>(index / 4)].name))
        .arg(f->bitsPerSample)
        .arg(f->channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
}

} // namespace platform
