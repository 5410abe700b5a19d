#include "platform/speech/espeak_engine.h"

#include "platform/core/error.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <QHash>

#include <exception>
#include <mutex>

namespace platform::espeak_engine {

namespace {

struct Engine {
    bool ok = false;
    QString failure;
    int rate = 0;
    QList<SpeechObjectToken> voices;
};

// Held for the whole of a synthesis: espeak keeps its settings and its
// callback in globals.
std::mutex g_synthMutex;

// The receiver of the synthesis in progress (only ever touched under g_synthMutex).
const SampleReceiver* g_receiver = nullptr;
std::exception_ptr g_receiverError;

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

// espeak's voice that reads Chinese characters as Mandarin; its plain "cmn"
// voice reads them as English-sounding pinyin with the tone numbers spoken.
const QString kMandarinVoiceLanguage = QStringLiteral("cmn-latn-pinyin");

QList<SpeechObjectToken> listVoices()
{
    QList<SpeechObjectToken> first, mandarin, others;
    const espeak_VOICE** list = espeak_ListVoices(nullptr);
    for (int i = 0; list && list[i]; ++i) {
        const espeak_VOICE* v = list[i];
        if (!v->identifier)
            continue;
        // languages: a priority byte, then the language name, for each language.
        const QString language = v->languages && v->languages[0] ? QString::fromUtf8(v->languages + 1) : QString();
        SpeechObjectToken token;
        token.id = QString::fromUtf8(v->identifier);
        token.description = describeVoice(language, QString::fromUtf8(v->name ? v->name : v->identifier));
        if (language.compare(kMandarinVoiceLanguage, Qt::CaseInsensitive) == 0)
            first.append(token);
        else
            (language == QLatin1String("cmn") ? mandarin : others).append(token);
    }
    return first + mandarin + others;
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
    e.voices = listVoices();
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

void synthesize(const SynthesisSettings& settings, const QString& text, const SampleReceiver& receiver)
{
    ensureInitialised();
    std::lock_guard<std::mutex> lock(g_synthMutex);

    espeak_ng_STATUS status = espeak_ng_SetVoiceByName(settings.voiceId.constData());
    if (status == ENS_OK)
        status = espeak_ng_SetParameter(espeakRATE, settings.wordsPerMinute, 0);
    if (status == ENS_OK)
        status = espeak_ng_SetParameter(espeakVOLUME, settings.amplitude, 0);
    if (status != ENS_OK)
        throw Error(errc::General, statusText(status));

    const QByteArray utf8 = text.toUtf8();
    g_receiver = &receiver;
    g_receiverError = nullptr;
    unsigned int id = 0;
    status = espeak_ng_Synthesize(utf8.constData(), static_cast<size_t>(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                  espeakCHARS_UTF8, &id, nullptr);
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

QString describeVoice(const QString& language, const QString& espeakName)
{
    static const QHash<QString, QString> chinese{
        {QStringLiteral("cmn"), QStringLiteral("普通话")},
        {QStringLiteral("cmn-latn-pinyin"), QStringLiteral("普通话（拼音）")},
        {QStringLiteral("yue"), QStringLiteral("粤语")},
        {QStringLiteral("yue-latn-jyutping"), QStringLiteral("粤语（粤拼）")},
        {QStringLiteral("hak"), QStringLiteral("客家话")},
        {QStringLiteral("en-gb"), QStringLiteral("英语（英国）")},
        {QStringLiteral("en-us"), QStringLiteral("英语（美国）")},
        {QStringLiteral("ja"), QStringLiteral("日语")},
        {QStringLiteral("ko"), QStringLiteral("韩语")},
        {QStringLiteral("fr-fr"), QStringLiteral("法语")},
        {QStringLiteral("de"), QStringLiteral("德语")},
        {QStringLiteral("ru"), QStringLiteral("俄语")},
        {QStringLiteral("es"), QStringLiteral("西班牙语")},
        {QStringLiteral("it"), QStringLiteral("意大利语")},
        {QStringLiteral("pt"), QStringLiteral("葡萄牙语")},
        {QStringLiteral("vi"), QStringLiteral("越南语")},
    };
    const QString key = language.toLower();
    const QString name = chinese.value(key, espeakName);
    return key.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, language);
}

} // namespace platform::espeak_engine
