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
// espeak's other Mandarin voices, then the rest in espeak's order; with
// descriptions for a Chinese reader.
QList<SpeechObjectToken> voices();

// Speaks text (UTF-8 inside) with the given settings, sending the samples to
// receiver before returning.
void synthesize(const SynthesisSettings& settings, const QString& text, const SampleReceiver& receiver);

// A description for a voice: Chinese name for common languages, espeak's own
// name otherwise, with the language code in brackets.
QString describeVoice(const QString& language, const QString& espeakName);

} // namespace espeak_engine
} // namespace platform
