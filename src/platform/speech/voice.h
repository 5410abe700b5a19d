#pragma once
// The speech voice: the operations the windows use of the platform's speech
// engine. Failing operations throw platform::Error.
#include <QList>
#include <QString>
#include <memory>

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
};

// The engine's voice; throws platform::Error when no speech engine can be created.
std::unique_ptr<SpVoice> createSpVoice();

} // namespace platform
