#include "platform/speech/sample_converter.h"

#include "platform/core/error.h"

#include <soxr.h>

#include <cmath>

namespace platform {

SampleConverter::SampleConverter(int inputRate, const AudioFormat& output)
    : output_(output), ratio_(static_cast<double>(output.sampleRate) / inputRate)
{
    if (inputRate == output.sampleRate)
        return;
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    // Dither would turn silence (volume 0) into faint noise.
    io.flags |= SOXR_NO_DITHER;
    // Medium quality is plenty for a synthetic voice and keeps the filter's
    // delay, and so the time to the first sound, short.
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
    soxr_error_t err = nullptr;
    resampler_ = soxr_create(inputRate, output.sampleRate, 1, &err, &io, &quality, nullptr);
    if (err || !resampler_) {
        if (resampler_)
            soxr_delete(resampler_);
        resampler_ = nullptr;
        throw Error(errc::General, QString::fromUtf8(err ? err : "soxr_create failed"));
    }
}

SampleConverter::~SampleConverter()
{
    if (resampler_)
        soxr_delete(resampler_);
}

void SampleConverter::resample(const std::int16_t* in, std::size_t count, std::vector<std::int16_t>& out)
{
    // in == nullptr asks soxr for what it still holds.
    const std::size_t room = static_cast<std::size_t>(std::ceil(count * ratio_)) + 256;
    std::size_t consumed = 0;
    for (int guard = 0; guard < 10000; ++guard) {
        const std::size_t start = out.size();
        out.resize(start + room);
        std::size_t used = 0, produced = 0;
        const soxr_error_t err =
            soxr_process(resampler_, in ? in + consumed : nullptr, in ? count - consumed : 0, &used,
                         out.data() + start, room, &produced);
        out.resize(start + produced);
        if (err)
            throw Error(errc::General, QString::fromUtf8(err));
        consumed += used;
        if (in ? consumed >= count : produced == 0)
            break;
    }
}

std::vector<char> SampleConverter::convert(const std::int16_t* samples, std::size_t count)
{
    if (!resampler_)
        return encode(samples, count);
    std::vector<std::int16_t> resampled;
    if (count > 0)
        resample(samples, count, resampled);
    return encode(resampled.data(), resampled.size());
}

std::vector<char> SampleConverter::flush()
{
    if (!resampler_)
        return {};
    std::vector<std::int16_t> rest;
    resample(nullptr, 0, rest);
    soxr_clear(resampler_);
    return encode(rest.data(), rest.size());
}

std::vector<char> SampleConverter::encode(const std::int16_t* samples, std::size_t count) const
{
    std::vector<char> bytes(count * static_cast<std::size_t>(output_.bytesPerFrame()));
    char* p = bytes.data();
    for (std::size_t i = 0; i < count; ++i) {
        const std::int16_t s = samples[i];
        for (int c = 0; c < output_.channels; ++c) {
            if (output_.bitsPerSample == 8) {
                // 8-bit WAVE samples are unsigned with silence at 128.
                *p++ = static_cast<char>(static_cast<std::uint8_t>((s + 32768) >> 8));
            } else {
                const auto u = static_cast<std::uint16_t>(s);
                *p++ = static_cast<char>(u & 0xff);
                *p++ = static_cast<char>(u >> 8);
            }
        }
    }
    return bytes;
}

} // namespace platform
