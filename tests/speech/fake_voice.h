#pragma once
// A voice that records what it is asked to do, for the reading-run and dialog tests.
#include "platform/core/error.h"
#include "platform/speech/voice.h"

#include <QStringList>
#include <functional>
#include <memory>

struct VoiceLog {
    QStringList spoken;            // every Speak, in order
    QList<int> speakFlags;
    QList<int> ratesAtSpeak;       // the Rate in force at each Speak
    int resumes = 0;
    QStringList voicesSet;         // token ids, in order
    QList<int> rates, volumes, formats;  // values set, in order
    QList<bool> allowFlags;
    QStringList pauses;            // every SpeakPause: its mark, "@", the number of pieces spoken before it
    bool destroyed = false;
    // Runs inside Speak (the window is not handling input then).
    std::function<void(const QString&)> onSpeak;
    // Runs before a format is accepted; may throw like a refusing device.
    std::function<void(int)> onFormat;
};

class FakeVoice : public platform::SpVoice {
public:
    explicit FakeVoice(std::shared_ptr<VoiceLog> log, QList<platform::SpeechObjectToken> voices = defaultVoices())
        : log_(std::move(log)), voices_(std::move(voices))
    {
        if (!voices_.isEmpty())
            current_ = voices_.first();
    }
    ~FakeVoice() override { log_->destroyed = true; }

    static QList<platform::SpeechObjectToken> defaultVoices()
    {
        return {{QStringLiteral("sit/cmn"), QStringLiteral("普通话 (cmn)")},
                {QStringLiteral("sit/yue"), QStringLiteral("粤语 (yue)")},
                {QStringLiteral("gmw/en"), QStringLiteral("英语（英国） (en-gb)")}};
    }

    QList<platform::SpeechObjectToken> GetVoices(const QString&, const QString&) override { return voices_; }
    platform::SpeechObjectToken Voice() const override { return current_; }
    void setVoice(const platform::SpeechObjectToken& t) override
    {
        log_->voicesSet << t.id;
        current_ = t;
    }
    int Rate() const override { return rate; }
    void setRate(int r) override
    {
        log_->rates << r;
        rate = r;
    }
    int Volume() const override { return volume; }
    void setVolume(int v) override
    {
        log_->volumes << v;
        volume = v;
    }
    void setAllowAudioOutputFormatChangesOnNextSet(bool allow) override { log_->allowFlags << allow; }
    int AudioOutputFormatType() const override { return format; }
    void setAudioOutputFormatType(int f) override
    {
        if (log_->onFormat)
            log_->onFormat(f);
        log_->formats << f;
        format = f;
    }
    void Resume() override { ++log_->resumes; }
    int Speak(const QString& text, int flags) override
    {
        log_->spoken << text;
        log_->speakFlags << flags;
        log_->ratesAtSpeak << rate;
        if (log_->onSpeak)
            log_->onSpeak(text);
        return log_->spoken.size();
    }

    void SpeakPause(QChar mark) override { log_->pauses << QStringLiteral("%1@%2").arg(mark).arg(log_->spoken.size()); }

    int rate = 0;
    int volume = 100;
    int format = 22;

private:
    std::shared_ptr<VoiceLog> log_;
    QList<platform::SpeechObjectToken> voices_;
    platform::SpeechObjectToken current_;
};
