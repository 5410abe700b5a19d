#pragma once
// The speech audio format codes the voice understands (4..39) and the sample
// layout each one stands for.
#include <QString>
#include <optional>

namespace platform {

struct AudioFormat {
    int sampleRate = 22050;
    int bitsPerSample = 16;  // 8 (unsigned) or 16 (signed, little-endian)
    int channels = 1;        // 1 or 2 (interleaved)

    int bytesPerFrame() const { return bitsPerSample / 8 * channels; }
    bool operator==(const AudioFormat& o) const
    {
        return sampleRate == o.sampleRate && bitsPerSample == o.bitsPerSample && channels == o.channels;
    }
    bool operator!=(const AudioFormat& o) const { return !(*this == o); }
};

// Codes run from 4 = 8kHz 8Bit Mono in steps of (8-bit mono, 8-bit stereo,
// 16-bit mono, 16-bit stereo) per rate, up to 39 = 48kHz 16Bit Stereo.
constexpr int kFirstAudioFormatType = 4;
constexpr int kLastAudioFormatType = 39;
constexpr int kDefaultAudioFormatType = 22;  // 22kHz 16Bit Mono

// The layout of a format code; empty for a code outside 4..39.
std::optional<AudioFormat> audioFormatForType(int formatType);

// The usual caption of a format code ("22kHz 16Bit Mono"); empty for an unknown code.
QString audioFormatCaption(int formatType);

} // namespace platform
