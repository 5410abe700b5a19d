#pragma once
// The speech voice: the operations the windows use of the platform's speech
// engine. Failing operations throw platform::Error.
#include <QList>
#include <QString>
#include <functional>
#include <memory>

#include "platform/speech/audio_sink.h"

namespace platform {

struct SpeechObjectToken {
    QString id;
    QString description;
    QString GetDescription(int locale = 0) const { (void)locale; return description; }
};

class SpVoice {
public:
    virtual ~SpVoice() = default;
    virtual QList<SpeechObjectToken> GetVoices(const QString& requiredAttributes = QString(),
                                               const QString& optionalAttributes = QString()) = 0;
    virtual SpeechObjectToken Voice() const = 0;
    virtual void setVoice(const SpeechObjectToken& token) = 0;
    virtual int Rate() const = 0;             // -10..10, 0 normal
    virtual void setRate(int rate) = 0;
    virtual int Volume() const = 0;           // 0..100
    virtual void setVolume(int volume) = 0;
    virtual void setAllowAudioOutputFormatChangesOnNextSet(bool allow) = 0;
    // AudioOutputStream.Format.Type: a speech audio format code (4..39).
    virtual int AudioOutputFormatType() const = 0;
    // Sets the format and re-sets the output stream so it takes effect.
    virtual void setAudioOutputFormatType(int formatType) = 0;
    virtual void Resume() = 0;
    // Blocks until the text has been spoken. Returns a stream number.
    virtual int Speak(const QString& text, int flags) = 0;
    // Blocks for the pause this voice makes at `mark` ("，", ",", "。") in
    // running text, at its current rate: a text read piece by piece, cut at
    // such marks, then sounds as if it were read in one go. A voice with no
    // pauses of its own says nothing.
    virtual void SpeakPause(QChar mark) { (void)mark; }
};

// Rate -10..10 as espeak's words per minute: 175 at 0, every step faster than
// the one below it, over the range in which espeak's speed still changes.
int wordsPerMinuteForRate(int rate);

// The engine's voice, playing on the default sound device; throws
// platform::Error when no speech engine can be created. It needs no sound
// device until it speaks: then a missing or failing device makes Speak throw.
std::unique_ptr<SpVoice> createSpVoice();

// The engine's voice speaking into the given sink. Throws platform::Error when
// espeak-ng or its data is missing, or when the sink is null.
std::unique_ptr<SpVoice> createSpVoice(std::unique_ptr<AudioSink> sink);

// Makes the voice a window speaks with, or throws platform::Error as
// createSpVoice does. The windows take one, so that another kind of voice can
// stand in for the engine's.
using VoiceFactory = std::function<std::unique_ptr<SpVoice>()>;

// The factory given, or createSpVoice when it is empty.
VoiceFactory orEngineVoice(VoiceFactory given);

} // namespace platform
