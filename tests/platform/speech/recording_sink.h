#pragma once
// A sink that keeps what the voice sends it, for the engine tests.
#include "platform/core/error.h"
#include "platform/speech/audio_sink.h"

#include <QByteArray>
#include <QList>
#include <functional>

struct SinkLog {
    QList<platform::AudioFormat> begins;
    int writes = 0;
    int finishes = 0;
    QByteArray bytes;
    platform::AudioFormat format;
};

class RecordingSink : public platform::AudioSink {
public:
    explicit RecordingSink(SinkLog& log) : log_(log) {}
    // Formats for which this returns false are refused, as a device would.
    std::function<bool(const platform::AudioFormat&)> accepts;
    // Called on every write, to make the sink fail mid-text.
    std::function<void()> onWrite;

    void checkFormat(const platform::AudioFormat& f) override
    {
        if (accepts && !accepts(f))
            throw platform::Error(platform::errc::DeviceUnavailable, QStringLiteral("Invalid sample rate"));
    }
    void begin(const platform::AudioFormat& f) override
    {
        log_.begins.append(f);
        log_.format = f;
    }
    void write(const char* data, std::size_t bytes) override
    {
        if (onWrite)
            onWrite();
        ++log_.writes;
        log_.bytes.append(data, static_cast<qsizetype>(bytes));
    }
    void finish() override { ++log_.finishes; }

private:
    SinkLog& log_;
};
