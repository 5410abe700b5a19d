#pragma once
// espeak-ng is one synthesizer per process and not re-entrant: every voice
// object goes through this guard, which initialises it once and lets one
// Speak at a time set its parameters and synthesize.
#include "platform/speech/voice.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

struct SynthesisSettings {
    QByteArray voiceId;  // espeak's identifier, e.g. "sit/cmn"
    int wordsPerMinute = 175;
    int amplitude = 100;  // espeak's own loudness; 100 is its normal
};

// Receives the samples as they are made; throwing stops the synthesis and the
// error reaches the caller of synthesize().
using SampleReceiver = std::function<void(const std::int16_t* samples, std::size_t count)>;

namespace espeak_engine {

// Throws platform::Error when espeak-ng or its data cannot be loaded.
void ensureInitialised();

// espeak-ng's sample rate (22050 for its own voices).
int sampleRate();

// The installed voices, the one that reads Chinese as Mandarin first, then
// espeak's other Mandarin voices, then the rest in espeak's order; each
// described in Chinese, no two alike.
QList<SpeechObjectToken> voices();

// Whether the voice reads Chinese characters as Mandarin (not through English).
bool readsMandarin(const QString& voiceId);

// Speaks text (UTF-8 inside) with the given settings, sending the samples to
// receiver before returning. The text ends without a pause.
void synthesize(const SynthesisSettings& settings, const QString& text, const SampleReceiver& receiver);

// How many samples of silence espeak puts after `mark` ("，", ",", "。" ...)
// where that mark ends a clause, with these settings.
std::size_t pauseSamples(const SynthesisSettings& settings, QChar mark);

} // namespace espeak_engine
} // namespace platform
