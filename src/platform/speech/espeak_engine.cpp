#include "platform/speech/espeak_engine.h"

#include "platform/core/error.h"
#include "platform/speech/voice_names.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <exception>
#include <mutex>

namespace platform::espeak_engine {

namespace {

struct Engine {
    bool ok = false;
    QString failure;
    int rate = 0;
    QList<SpeechObjectToken> voices;
    QSet<QString> mandarinVoices;  // identifiers of the voices that read Chinese as Mandarin
};

// Held for the whole of a synthesis: espeak keeps its settings and its
// callback in globals.
std::mutex g_synthMutex;

// The receiver of the synthesis in progress (only ever touched under g_synthMutex).
const SampleReceiver* g_receiver = nullptr;
std::exception_ptr g_receiverError;

// Pauses learnt from espeak, by voice, speed and mark (under g_synthMutex).
QHash<QString, std::size_t> g_pauses;

QString statusText(espeak_ng_STATUS status)
{
    char buf[512] = {};
    espeak_ng_GetStatusCodeMessage(status, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

int onSamples(short* wav, int count, espeak_EVENT*)
{
    if (!wav || count <= 0 || !g_receiver)
        return 0;
    try {
        (*g_receiver)(reinterpret_cast<const std::int16_t*>(wav), static_cast<std::size_t>(count));
        return 0;
    } catch (...) {
        // Never let an exception cross espeak's C frames: keep it and abort.
        g_receiverError = std::current_exception();
        return 1;
    }
}

// The language espeak switches to when this voice reads Chinese characters
// ("(en)" in its phonemes), empty when it reads them itself. Its "cmn" voice
// reads them as English-sounding pinyin, its "hak" voice as "Chinese letter".
QString readsChineseThrough(const char* identifier)
{
    if (espeak_SetVoiceByName(identifier) != EE_OK)
        return QString();
    const QByteArray sample = QStringLiteral("中文").toUtf8();
    const void* rest = sample.constData();
    QString phonemes;
    while (rest)
        if (const char* p = espeak_TextToPhonemes(&rest, espeakCHARS_UTF8, 0))
            phonemes += QString::fromUtf8(p);
    static const QRegularExpression languageSwitch(QStringLiteral("\\(([a-z-]+)\\)"));
    return languageSwitch.match(phonemes).captured(1);
}

void listVoices(Engine& e)
{
    QList<VoiceFacts> facts;
    const espeak_VOICE** list = espeak_ListVoices(nullptr);
    for (int i = 0; list && list[i]; ++i) {
        const espeak_VOICE* v = list[i];
        if (!v->identifier)
            continue;
        VoiceFacts f;
        f.identifier = QString::fromUtf8(v->identifier);
        // languages: a priority byte, then the language name, for each language.
        f.language = v->languages && v->languages[0] ? QString::fromUtf8(v->languages + 1) : QString();
        f.espeakName = QString::fromUtf8(v->name ? v->name : v->identifier);
        facts << f;
    }
    // The list is espeak's own memory: everything needed is copied out of it
    // before a voice is loaded.
    for (VoiceFacts& f : facts)
        if (writtenInChineseCharacters(f.language))
            f.readsChineseThrough = readsChineseThrough(f.identifier.toUtf8().constData());
    const QStringList names = describeVoices(facts);

    QList<SpeechObjectToken> first, mandarin, others;
    for (int i = 0; i < facts.size(); ++i) {
        const SpeechObjectToken token{facts[i].identifier, names[i]};
        if (!isMandarin(facts[i].language))
            others << token;
        else if (!facts[i].readsChineseThrough.isEmpty())
            mandarin << token;
        else {
            first << token;
            e.mandarinVoices.insert(token.id);
        }
    }
    e.voices = first + mandarin + others;
}

Engine initialise()
{
    Engine e;
    espeak_ng_InitializePath(nullptr);
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    if (context)
        espeak_ng_ClearErrorContext(&context);
    if (status != ENS_OK) {
        e.failure = statusText(status);
        return e;
    }
    // Synchronous: the samples arrive on the calling thread, during the call.
    // Short buffers bring the first sound out early.
    status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 20, nullptr);
    if (status != ENS_OK) {
        e.failure = statusText(status);
        return e;
    }
    espeak_SetSynthCallback(onSamples);
    e.rate = espeak_ng_GetSampleRate();
    listVoices(e);
    e.ok = true;
    return e;
}

const Engine& engine()
{
    static const Engine e = [] {
        std::lock_guard<std::mutex> lock(g_synthMutex);
        return initialise();
    }();
    return e;
}

} // namespace

void ensureInitialised()
{
    const Engine& e = engine();
    if (!e.ok)
        throw Error(errc::General, QStringLiteral("语音引擎无法启动: %1").arg(e.failure));
}

int sampleRate()
{
    ensureInitialised();
    return engine().rate;
}

QList<SpeechObjectToken> voices()
{
    ensureInitialised();
    return engine().voices;
}

bool readsMandarin(const QString& voiceId)
{
    ensureInitialised();
    return engine().mandarinVoices.contains(voiceId);
}

namespace {

// One synthesis, g_synthMutex held; flags are espeak's (espeakENDPAUSE ...).
void synthesizeLocked(const SynthesisSettings& settings, const QByteArray& utf8, unsigned int flags,
                      const SampleReceiver& receiver)
{
    espeak_ng_STATUS status = espeak_ng_SetVoiceByName(settings.voiceId.constData());
    if (status == ENS_OK)
        status = espeak_ng_SetParameter(espeakRATE, settings.wordsPerMinute, 0);
    if (status == ENS_OK)
        status = espeak_ng_SetParameter(espeakVOLUME, settings.amplitude, 0);
    if (status != ENS_OK)
        throw Error(errc::General, statusText(status));

    g_receiver = &receiver;
    g_receiverError = nullptr;
    unsigned int id = 0;
    status = espeak_ng_Synthesize(utf8.constData(), static_cast<size_t>(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                  espeakCHARS_UTF8 | flags, &id, nullptr);
    g_receiver = nullptr;
    if (g_receiverError) {
        std::exception_ptr err = g_receiverError;
        g_receiverError = nullptr;
        std::rethrow_exception(err);
    }
    // An aborted synthesis reports "speech stopped"; only a receiver stops it.
    if (status != ENS_OK && status != ENS_SPEECH_STOPPED)
        throw Error(errc::General, statusText(status));
}

} // namespace

void synthesize(const SynthesisSettings& settings, const QString& text, const SampleReceiver& receiver)
{
    ensureInitialised();
    std::lock_guard<std::mutex> lock(g_synthMutex);
    synthesizeLocked(settings, text.toUtf8(), 0, receiver);
}

std::size_t pauseSamples(const SynthesisSettings& settings, QChar mark)
{
    ensureInitialised();
    std::lock_guard<std::mutex> lock(g_synthMutex);
    const QString key = QStringLiteral("%1/%2/%3").arg(QString::fromUtf8(settings.voiceId)).arg(settings.wordsPerMinute).arg(mark);
    const auto known = g_pauses.constFind(key);
    if (known != g_pauses.constEnd())
        return *known;
    // espeak has no call that tells its pauses: a short clause ended by the
    // mark is spoken with its closing pause and without, and the difference
    // is that pause, at this voice's speed.
    const QByteArray clause = (QStringLiteral("1") + mark).toUtf8();
    std::size_t with = 0, without = 0;
    synthesizeLocked(settings, clause, espeakENDPAUSE, [&](const std::int16_t*, std::size_t n) { with += n; });
    synthesizeLocked(settings, clause, 0, [&](const std::int16_t*, std::size_t n) { without += n; });
    const std::size_t pause = with > without ? with - without : 0;
    g_pauses.insert(key, pause);
    return pause;
}

} // namespace platform::espeak_engine
