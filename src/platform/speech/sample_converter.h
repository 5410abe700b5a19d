#pragma once
// Turns the synthesizer's 16-bit mono samples into the chosen output format:
// rate through libsoxr, then depth (8-bit is unsigned) and channels.
#include "platform/speech/audio_format.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct soxr;

namespace platform {

class SampleConverter {
public:
    // Throws platform::Error when the resampler cannot be set up.
    SampleConverter(int inputRate, const AudioFormat& output);
    ~SampleConverter();
    SampleConverter(const SampleConverter&) = delete;
    SampleConverter& operator=(const SampleConverter&) = delete;

    // Converts one chunk; the bytes are whole frames of the output format.
    // The resampler holds back a few milliseconds until flush().
    std::vector<char> convert(const std::int16_t* samples, std::size_t count);
    // What the resampler still holds at the end of a text.
    std::vector<char> flush();

private:
    std::vector<char> encode(const std::int16_t* samples, std::size_t count) const;
    void resample(const std::int16_t* in, std::size_t count, std::vector<std::int16_t>& out);

    AudioFormat output_;
    double ratio_;
    soxr* resampler_ = nullptr;  // none when the rates agree
};

} // namespace platform
