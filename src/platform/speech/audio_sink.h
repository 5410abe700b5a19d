#pragma once
// Where the voice's samples go: the sound card, a WAV file, nowhere, or a
// test's recorder. The voice converts to the chosen format before writing.
#include "platform/speech/audio_format.h"

#include <QString>
#include <cstddef>
#include <memory>

namespace platform {

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // Throws platform::Error (with the output's own description) when the
    // output cannot play this format. Called when the format is chosen; an
    // output with no device to ask accepts it, and begin() reports the device.
    virtual void checkFormat(const AudioFormat& format) = 0;
    // Called before the first chunk of every Speak; throws platform::Error when
    // the output cannot be opened. An output that is already open in this
    // format stays open, so pieces follow each other without a gap.
    virtual void begin(const AudioFormat& format) = 0;
    // Whole frames in the format of the last begin(); may block until the
    // output has room.
    virtual void write(const char* data, std::size_t bytes) = 0;
    // Returns once everything written has been played (or stored).
    virtual void finish() = 0;
};

// The default sound device through PortAudio. Making it touches no device:
// the device is opened at the first begin(), which throws platform::Error
// when there is none or it cannot be opened.
std::unique_ptr<AudioSink> createPortAudioSink();

// A RIFF/WAVE file, created (truncated) now. Pieces spoken in one format are
// appended; a change of format starts the file again. The header is brought
// up to date at the end of every Speak, so the file is always playable.
// Throws platform::Error when the file cannot be created.
std::unique_ptr<AudioSink> createWavFileSink(const QString& path);

// Accepts every format and discards the samples.
std::unique_ptr<AudioSink> createNullSink();

} // namespace platform
