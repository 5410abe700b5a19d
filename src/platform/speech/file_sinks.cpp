// The sinks that need no sound device: a WAV file and the null sink.
#include "platform/core/error.h"
#include "platform/speech/audio_sink.h"

#include <QFile>
#include <QtEndian>

#include <cstdint>

namespace platform {

namespace {

class NullSink final : public AudioSink {
public:
    void checkFormat(const AudioFormat&) override {}
    void begin(const AudioFormat&) override {}
    void write(const char*, std::size_t) override {}
    void finish() override {}
};

constexpr qint64 kWavHeaderBytes = 44;

class WavFileSink final : public AudioSink {
public:
    explicit WavFileSink(const QString& path) : file_(path)
    {
        if (!file_.open(QIODevice::ReadWrite | QIODevice::Truncate))
            throw Error(errc::PathNotFound, file_.errorString());
    }

    void checkFormat(const AudioFormat&) override {}

    void begin(const AudioFormat& format) override
    {
        if (started_ && format == format_)
            return;
        format_ = format;
        dataBytes_ = 0;
        started_ = true;
        if (!file_.resize(0) || !file_.seek(0))
            fail();
        writeHeader();
    }

    void write(const char* data, std::size_t bytes) override
    {
        if (!started_)
            begin(format_);
        if (!file_.seek(kWavHeaderBytes + dataBytes_))
            fail();
        if (file_.write(data, static_cast<qint64>(bytes)) != static_cast<qint64>(bytes))
            fail();
        dataBytes_ += static_cast<qint64>(bytes);
    }

    void finish() override
    {
        if (!started_)
            return;
        writeHeader();
        if (!file_.flush())
            fail();
    }

private:
    [[noreturn]] void fail() { throw Error(errc::PermissionDenied, file_.errorString()); }

    static void put16(QByteArray& b, quint16 v)
    {
        char raw[2];
        qToLittleEndian(v, raw);
        b.append(raw, 2);
    }
    static void put32(QByteArray& b, quint32 v)
    {
        char raw[4];
        qToLittleEndian(v, raw);
        b.append(raw, 4);
    }

    void writeHeader()
    {
        const auto blockAlign = static_cast<quint16>(format_.bytesPerFrame());
        QByteArray h;
        h.reserve(kWavHeaderBytes);
        h.append("RIFF", 4);
        put32(h, static_cast<quint32>(36 + dataBytes_));
        h.append("WAVEfmt ", 8);
        put32(h, 16);  // PCM fmt chunk size
        put16(h, 1);   // PCM
        put16(h, static_cast<quint16>(format_.channels));
        put32(h, static_cast<quint32>(format_.sampleRate));
        put32(h, static_cast<quint32>(format_.sampleRate) * blockAlign);
        put16(h, blockAlign);
        put16(h, static_cast<quint16>(format_.bitsPerSample));
        h.append("data", 4);
        put32(h, static_cast<quint32>(dataBytes_));
        if (!file_.seek(0) || file_.write(h) != h.size())
            fail();
    }

    QFile file_;
    AudioFormat format_;
    qint64 dataBytes_ = 0;
    bool started_ = false;
};

} // namespace

std::unique_ptr<AudioSink> createNullSink() { return std::make_unique<NullSink>(); }

std::unique_ptr<AudioSink> createWavFileSink(const QString& path)
{
    return std::make_unique<WavFileSink>(path);
}

} // namespace platform
