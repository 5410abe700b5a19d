// The sound card through PortAudio's blocking interface.
#include "platform/core/error.h"
#include "platform/speech/audio_sink.h"

#include <portaudio.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace platform {

namespace {

// ALSA and JACK print pages of complaints to stderr while PortAudio probes for
// devices on a machine without sound hardware. The probe runs once per
// process, when a sink first needs the device, so quieting stderr for its
// duration hides nothing of ours.
class QuietStderr {
public:
    QuietStderr()
    {
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStderr()
    {
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

// One PortAudio initialisation for the whole process, shared by every sink.
class PortAudioLibrary {
public:
    static PortAudioLibrary& instance()
    {
        static PortAudioLibrary lib;
        return lib;
    }
    PaError status() const { return status_; }

private:
    PortAudioLibrary()
    {
        QuietStderr quiet;
        status_ = Pa_Initialize();
    }
    ~PortAudioLibrary()
    {
        if (status_ == paNoError)
            Pa_Terminate();
    }
    PaError status_;
};

QString paText(PaError err) { return QString::fromUtf8(Pa_GetErrorText(err)); }

// The library is started when a sink first needs the device, not when it is
// made: a voice and its list of voices need no sound hardware.
PaError deviceStatus()
{
    const PaError init = PortAudioLibrary::instance().status();
    if (init != paNoError)
        return init;
    return Pa_GetDefaultOutputDevice() == paNoDevice ? paDeviceUnavailable : paNoError;
}

class PortAudioSink final : public AudioSink {
public:
    ~PortAudioSink() override { close(); }

    void checkFormat(const AudioFormat& format) override
    {
        // The open stream would refuse a second opening of some devices; a
        // format it is already playing is supported by definition.
        if (stream_ && format == open_)
            return;
        // With no device there is nobody to ask; speaking will report the
        // missing device.
        if (deviceStatus() != paNoError)
            return;
        PaStreamParameters p = parameters(format);
        const PaError err = Pa_IsFormatSupported(nullptr, &p, format.sampleRate);
        if (err != paFormatIsSupported)
            throw Error(errc::DeviceUnavailable, paText(err));
    }

    void begin(const AudioFormat& format) override
    {
        if (stream_ && format == open_)
            return;
        close();
        const PaError device = deviceStatus();
        if (device != paNoError)
            throw Error(errc::DeviceUnavailable, paText(device));
        PaStreamParameters p = parameters(format);
        PaError err = Pa_OpenStream(&stream_, nullptr, &p, format.sampleRate,
                                    paFramesPerBufferUnspecified, paClipOff, nullptr, nullptr);
        if (err != paNoError) {
            stream_ = nullptr;
            throw Error(errc::DeviceUnavailable, paText(err));
        }
        err = Pa_StartStream(stream_);
        if (err != paNoError) {
            close();
            throw Error(errc::DeviceUnavailable, paText(err));
        }
        open_ = format;
        emptyRoom_ = Pa_GetStreamWriteAvailable(stream_);
        const PaStreamInfo* info = Pa_GetStreamInfo(stream_);
        latencyMs_ = info ? static_cast<int>(info->outputLatency * 1000.0) : 200;
    }

    void write(const char* data, std::size_t bytes) override
    {
        if (!stream_)
            throw Error(errc::DeviceUnavailable, paText(paBadStreamPtr));
        const auto frames = static_cast<unsigned long>(bytes / static_cast<std::size_t>(open_.bytesPerFrame()));
        if (frames == 0)
            return;
        const PaError err = Pa_WriteStream(stream_, data, frames);
        // An underflow only means the card ran dry between pieces; the samples
        // were still taken.
        if (err != paNoError && err != paOutputUnderflowed) {
            close();
            throw Error(errc::DeviceUnavailable, paText(err));
        }
    }

    void finish() override
    {
        if (!stream_)
            return;
        // Wait for the buffer to run empty instead of stopping the stream:
        // stopping and restarting would put a gap between the pieces of a run.
        // A device that starts playing only once its buffer is full would sit
        // on a short piece for ever: when nothing moves, fill the rest of the
        // buffer with silence to set it going. The deadline keeps a stalled
        // device from hanging the window.
        QDeadlineTimer deadline(latencyMs_ * 4 + 1000);
        QElapsedTimer unchanged;
        unchanged.start();
        long lastRoom = -1;
        bool padded = false;
        while (!deadline.hasExpired()) {
            const long room = Pa_GetStreamWriteAvailable(stream_);
            if (room < 0 || room >= emptyRoom_)
                break;
            if (room != lastRoom) {
                lastRoom = room;
                unchanged.restart();
            } else if (!padded && unchanged.elapsed() > 100) {
                padded = true;
                writeSilence(room);
            }
            QThread::msleep(2);
        }
    }

private:
    static PaStreamParameters parameters(const AudioFormat& format)
    {
        PaStreamParameters p{};
        p.device = Pa_GetDefaultOutputDevice();
        p.channelCount = format.channels;
        p.sampleFormat = format.bitsPerSample == 8 ? paUInt8 : paInt16;
        const PaDeviceInfo* info = p.device == paNoDevice ? nullptr : Pa_GetDeviceInfo(p.device);
        p.suggestedLatency = info ? info->defaultHighOutputLatency : 0.2;
        p.hostApiSpecificStreamInfo = nullptr;
        return p;
    }

    void writeSilence(long frames)
    {
        if (frames <= 0)
            return;
        // Unsigned 8-bit samples are silent at 128, signed 16-bit ones at 0.
        const std::vector<char> silence(static_cast<std::size_t>(frames) * static_cast<std::size_t>(open_.bytesPerFrame()),
                                        open_.bitsPerSample == 8 ? char(0x80) : char(0));
        Pa_WriteStream(stream_, silence.data(), static_cast<unsigned long>(frames));
    }

    void close()
    {
        if (!stream_)
            return;
        Pa_StopStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }

    PaStream* stream_ = nullptr;
    AudioFormat open_;
    long emptyRoom_ = 0;
    int latencyMs_ = 200;
};

} // namespace

std::unique_ptr<AudioSink> createPortAudioSink() { return std::make_unique<PortAudioSink>(); }

} // namespace platform
